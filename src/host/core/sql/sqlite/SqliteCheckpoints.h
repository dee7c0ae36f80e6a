#pragma once

struct sqlite3;

namespace cns {

// SQLite in WAL mode copies the log back into the database file (a checkpoint) once the log passes
// a thousand pages, and by default the connection whose commit crossed that mark does the copy
// before its commit returns: the caller of a large write (an import of many consumers) waits for
// the database to be written a second time. The connections attached here hand the copy to a task
// of Qt's thread pool instead, which runs it with its own connection while the caller goes on (one
// at a time per database file). The checkpoint is PASSIVE, as the automatic one: it never blocks
// readers or writers and leaves whatever a reader still needs for the next round. Durability is
// untouched: a commit is complete in the log.
namespace SqliteCheckpoints {

// Log size (pages) from which a commit asks for a checkpoint: SQLite's own mark.
constexpr int kPages = 1000;

void attach(sqlite3 *db);

} // namespace SqliteCheckpoints

} // namespace cns
