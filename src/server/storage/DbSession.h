#pragma once

#include "DatabaseUrl.h"
#include "Packet.h"
#include "SqlDialect.h"
#include "Value.h"

#include <QHash>
#include <QSqlDatabase>

namespace cns {

// The server's connection to its database on the current thread: each worker thread opens its own
// on first use (SQLite in WAL mode with a busy timeout) and closes it when the thread ends.
class DbSession
{
public:
    static DbSession &forThread(const DatabaseUrl &url);
    ~DbSession();
    DbSession(const DbSession &) = delete;
    DbSession &operator=(const DbSession &) = delete;

    QSqlDatabase &db() { return m_db; }
    const SqlDialect &dialect() const { return *m_dialect; }

    void begin(bool write);
    void commit();
    void rollback() noexcept;
    bool inTransaction() const { return m_inTransaction; }
    // Called when the server has no call running after writes: the database tidies up what they
    // left (SqlDialect::idle). False when other connections kept it from finishing. Outside a
    // transaction only. Raises EErroBanco.
    bool idle();

    Packet select(const QString &sql, const QHash<QString, Value> &params, const QList<FieldDef> &fields);
    int exec(const QString &sql, const QHash<QString, Value> &params = {});
    // A statement without parameters run as it stands, not prepared: PostgreSQL prepares no DDL.
    void ddl(const QString &statement) { run(statement); }
    // A temporary table of this connection, made anew ("definition": its columns, or AS SELECT):
    // such a table lasts as long as the connection, which serves call after call, and what it held
    // or how it was made before must not carry over. The caller drops it when done.
    void temporaryTable(const QString &name, const QString &definition);
    // The first column of the first row as a number (0 when there is no row).
    qint64 count(const QString &sql, const QHash<QString, Value> &params);

private:
    DbSession(const DatabaseUrl &url, const QString &connectionName);
    void run(const QString &statement);

    QString m_connectionName;
    QSqlDatabase m_db;
    const SqlDialect *m_dialect = nullptr;
    bool m_inTransaction = false;
};

} // namespace cns
