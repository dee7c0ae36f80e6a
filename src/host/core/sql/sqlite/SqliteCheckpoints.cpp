#include "SqliteCheckpoints.h"

#include <QMutex>
#include <QSet>
#include <QThreadPool>
#include <sqlite3.h>
#include <string>

namespace cns::SqliteCheckpoints {

namespace {

// The files whose checkpoint is queued or running. Never freed: a task may still run while the
// process's statics go, when the thread pool waits for it at exit.
QBasicMutex g_mutex;
QSet<QByteArray> &pending()
{
    static auto *files = new QSet<QByteArray>;
    return *files;
}

void checkpoint(const QByteArray &path)
{
    // A connection of its own each time: a file replaced at the same path (a database created
    // again) is the one checkpointed, not the one that was there before. Nothing is lost when it
    // cannot open: the log stays until a later round (or the last connection to close) copies it.
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
    sqlite3_close(db);
    QMutexLocker lock(&g_mutex);
    pending().remove(path);
}

int onCommit(void *, sqlite3 *db, const char *schema, int pages)
{
    if (pages < kPages)
        return SQLITE_OK;
    const char *file = sqlite3_db_filename(db, schema);
    if (!file || !*file)
        return SQLITE_OK;
    const QByteArray path(file);
    {
        QMutexLocker lock(&g_mutex);
        if (pending().contains(path))
            return SQLITE_OK;
        pending().insert(path);
    }
    QThreadPool::globalInstance()->start([path] { checkpoint(path); });
    return SQLITE_OK;
}

} // namespace

void attach(sqlite3 *db)
{
    // Replaces the automatic checkpoint of this connection (sqlite3_wal_autocheckpoint is itself
    // such a hook).
    sqlite3_wal_hook(db, &onCommit, nullptr);
}

} // namespace cns::SqliteCheckpoints
