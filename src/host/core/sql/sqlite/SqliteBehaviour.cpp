#include "SqliteBehaviour.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "SqliteBulkInsert.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace cns::SqliteBehaviour {

std::unique_ptr<BulkInsert> bulkInsert(QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    return std::make_unique<SqliteBulkInsert>(db, table, columns);
}

void opened(QSqlDatabase &db, const QString &path)
{
    if (path == u":memory:")
        return;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        throw EErroBanco(q.lastError().text());
}

namespace {

// Below this the log is left as it is: cutting it after every small write would cost a checkpoint
// and a sync of the database file each time, for a few pages.
constexpr qint64 kLogKeptBytes = 4 * 1024 * 1024;

void run(QSqlQuery &q, const QString &pragma)
{
    if (!q.exec(pragma))
        throw EErroBanco(QStringLiteral("%1: %2").arg(pragma, q.lastError().text()));
    q.finish();
}

qint64 pragmaValue(QSqlQuery &q, const QString &pragma)
{
    if (!q.exec(pragma) || !q.next())
        throw EErroBanco(QStringLiteral("%1: %2").arg(pragma, q.lastError().text()));
    const qint64 v = q.value(0).toLongLong();
    q.finish();
    return v;
}

} // namespace

bool idle(QSqlDatabase &db)
{
    const QString path = db.databaseName();
    if (path == u":memory:" || QFileInfo(path + QStringLiteral("-wal")).size() <= kLogKeptBytes)
        return true;
    QSqlQuery q(db);
    const qint64 patience = pragmaValue(q, QStringLiteral("PRAGMA busy_timeout"));
    run(q, QStringLiteral("PRAGMA busy_timeout = 0"));
    qint64 busy = 1;
    try {
        // A database in use answers busy (its first column), not an error.
        busy = pragmaValue(q, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    } catch (...) {
        run(q, QStringLiteral("PRAGMA busy_timeout = %1").arg(patience));
        throw;
    }
    run(q, QStringLiteral("PRAGMA busy_timeout = %1").arg(patience));
    return busy == 0;
}

} // namespace cns::SqliteBehaviour
