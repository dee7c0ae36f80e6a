#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;

namespace cns {

// SQLite in WAL mode copies the log back into the database file (a checkpoint) once the log passes
// a thousand pages, and by default the connection whose commit crossed that mark does the copy
// before its commit returns: the caller of a large write (an import of many consumers) waits for
// the database to be written a second time. The server's connections hand the copy to one thread
// per database file instead, which runs it in the background with its own connection. The
// checkpoint is PASSIVE, as the automatic one: it never blocks readers or writers and leaves
// whatever a reader still needs for the next round. Durability is untouched: a commit is complete
// in the log.
class WalCheckpointer
{
public:
    // Log size (pages) from which a commit asks for a checkpoint: SQLite's own mark.
    static constexpr int kPages = 1000;

    // Hands the checkpoints of connection db, open on file path, to the thread of that file.
    static void attach(sqlite3 *db, const QString &path);
    // The checkpoints run so far for file path (tests wait on it).
    static int checkpointsDone(const QString &path);

    explicit WalCheckpointer(std::string path);
    ~WalCheckpointer(); // finishes the checkpoint under way and stops the thread
    WalCheckpointer(const WalCheckpointer &) = delete;
    WalCheckpointer &operator=(const WalCheckpointer &) = delete;

private:
    static int onCommit(void *self, sqlite3 *db, const char *schema, int pages);
    void request();
    void loop();

    std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pending = false;
    bool m_stopping = false;
    std::atomic<int> m_done{0};
    std::thread m_thread;
};

} // namespace cns
