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
// The server is idle after writes: a log file grown past a few MiB is copied into the database and
// cut back to nothing. SQLite's own checkpoints (at the commits that pass a thousand pages) copy
// the log but only start it over, and not at all while readers use it, so under steady load the
// file kept the size of the largest write (journal_size_limit cuts it back only when a checkpoint
// starts it over). The checkpoint does not wait: when another connection reads or writes, it gives
// up, answering false, until the next idle moment. Raises EErroBanco.
bool idle(QSqlDatabase &db);

} // namespace SqliteBehaviour

} // namespace cns
