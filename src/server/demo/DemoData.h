#pragma once

#include <QSqlDatabase>
#include <QString>

namespace cns {

// The demo database: branches, clients and their consumers as an installation in Brazil has them,
// made from a fixed seed so that every machine gets the same rows, plus two sample files for the
// import. What each client is there to show is written beside the client table in DemoData.cpp.
class DemoData
{
public:
    struct Options
    {
        // The one client above the 30,000 threshold.
        int bigClientConsumers = 45000;
        // > 0: one more client with this many consumers (benchmarks), code "000000000000000009999".
        int benchClientConsumers = 0;
        // Where the two sample import files are written (created if missing); empty: not written.
        QString sampleFilesDir;
        // Tests: same shape, far fewer rows (big client 400 consumers, others 5..40).
        bool small = false;
    };
    struct Stats
    {
        int branches = 0, clients = 0, consumers = 0;
        QString fixedSample, delimitedSample;
    };

    // Fills a database whose schema exists and which holds no client yet, in one transaction
    // (db.transaction()/commit(), rollback on failure). Raises cns::EErro on failure.
    static Stats seed(QSqlDatabase &db, const Options &options);

private:
    class Generator;
};

} // namespace cns
