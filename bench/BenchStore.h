#pragma once

#include <vector>

#include "DatabaseUrl.h"

#include <QString>
#include <QStringList>

namespace bench {

// One database system for a benchmark: SQLite files in a folder, or databases of the private
// PostgreSQL cluster of bench/run-bench-import. Makes copies of a seeded database and runs SQL
// alone through the system's own shell (the sqlite3 shell, psql), timed, for the references.
class BenchStore
{
public:
    // SQLite databases in dir.
    static BenchStore sqlite(const QString &dir);
    // Databases on the PostgreSQL server of serverUrl (postgresql://…), their names prefixed.
    static BenchStore postgresql(const QString &serverUrl, const QString &prefix);
    // The systems a bench run measures: only ("sqlite", "postgresql" or empty for both) picks;
    // PostgreSQL is the cluster CNS_TEST_PG_URL names, which runner (the bench's script) starts.
    static std::vector<BenchStore> chosen(const QString &only, const QString &dir, const QString &prefix, const char *runner);

    QString name() const { return m_sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL"); }
    bool isSqlite() const { return m_sqlite; }

    // The seed: the schema and the small demonstration data, with the bench client of
    // benchConsumers consumers when that is above 0. Made once; no connection stays open on it, so
    // that it can be copied.
    void makeSeed(int benchConsumers = 0);
    // A new database named name, a copy of the seed.
    cns::DatabaseUrl fresh(const QString &name) const;

    // Runs script through the system's shell on url in one session, stopping at the first error
    // (which ends the bench); returns the milliseconds the shell took, start and connection included.
    double run(const cns::DatabaseUrl &url, const QString &script) const;
    // Writes the rows of select to a CSV file with a header, as stage() reads them back.
    void exportCsv(const cns::DatabaseUrl &url, const QString &select, const QString &path) const;
    // Script text that reads the CSV file of exportCsv into the temporary table ENTRADA.
    QString stage(const QString &csvPath) const;
    // A column of ENTRADA as the value it stands for (SQLite's shell reads every cell as text; the
    // export writes NULL as \N).
    QString staged(const QString &column) const;
    // The session's settings as the system's own connections make them, for the shell's session.
    QString sessionSetup() const;

    qint64 count(const cns::DatabaseUrl &url, const QString &sql) const;
    // The first column of every row of sql, as texts.
    QStringList texts(const cns::DatabaseUrl &url, const QString &sql) const;
    // The names of a table's columns, in their order.
    QStringList columns(const cns::DatabaseUrl &url, const QString &table) const;

private:
    BenchStore() = default;
    QString path(const QString &name) const;
    QString psqlTarget(const cns::DatabaseUrl &url) const;
    void shell(const QStringList &arguments, const QString &script) const;

    bool m_sqlite = true;
    QString m_dir;                   // SQLite
    QString m_serverUrl, m_prefix;   // PostgreSQL
    cns::DatabaseUrl m_seed;
};

} // namespace bench
