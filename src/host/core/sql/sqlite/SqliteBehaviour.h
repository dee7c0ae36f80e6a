#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <memory>

namespace cns {

class BulkInsert;

// SQLite's part of its dialect's behaviour object that is not one of the readers and writers of
// this folder themselves.
namespace SqliteBehaviour {

std::unique_ptr<BulkInsert> bulkInsert(QSqlDatabase &db, const QString &table, const QStringList &columns);
// A connection to a database file just opened: the file in WAL mode, where readers never wait for
// the writer. SQLite's own checkpoint copies the log into the file at the commit that makes it
// pass a thousand pages. Raises EErro.
void opened(QSqlDatabase &db, const QString &path);

} // namespace SqliteBehaviour

} // namespace cns
