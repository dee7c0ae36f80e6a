#pragma once

#include "DatabaseUrl.h"
#include "Dispatcher.h"
#include "Packet.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// A small, exactly known database for server tests, on SQLite or on the private PostgreSQL:
// branches 0001-0003; clients 1 and 2 sharing a registration number, 3 a person, 4 without branch;
// 75 consumers of client 1 (names with varied initials, badges "B" + 5 digits), one of them linked,
// with branches and a further address; a few consumers of client 2.
namespace cns {
class DbSession;
}

namespace ServerFixture {

constexpr int kClient1Consumers = 75;
QString client(int n); // "000000000000000000001"...
QString consumer(int n);

// A fresh database with the schema and the data above; empty when the backend is not available.
QString create(const QString &backend, const QString &suite);
// The suite's fresh databases by backend: SQLite always, PostgreSQL when the tests' cluster runs
// (CNS_TEST_PG_URL; without it a warning says that only SQLite is tested).
QMap<QString, QString> createAll(const QString &suite);
// A fresh SQLite database with the schema and the demonstration data in its small form; its two
// sample import files are written into sampleFilesDir when one is given.
QString createDemo(const QString &suite, const QString &sampleFilesDir = {});
// A "backend" data column with a row for each of backends.
void backendRows(const QStringList &backends);
std::unique_ptr<cns::Dispatcher> dispatcher(const QString &url);
// The suite's dispatchers by backend, over the databases createAll makes; seed, when given, first adds
// the suite's own rows to each database.
QMap<QString, std::shared_ptr<cns::Dispatcher>> dispatchers(const QString &suite,
                                                            const std::function<void(cns::DbSession &)> &seed = {});

// Runs f on another thread while this thread's event loop keeps running (servers on this thread).
void offThread(const std::function<void()> &f);

// The texts of one field of a packet's rows, in row order.
QStringList column(const cns::Packet &p, const QString &field);

// The name of consumer n of client 1 (sorted order of codes is the order of n).
QString consumerName(int n);

} // namespace ServerFixture
