#include "SqliteBehaviour.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "SqliteBulkInsert.h"

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

} // namespace cns::SqliteBehaviour
