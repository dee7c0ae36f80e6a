#include "WalCheckpointer.h"

#include <sqlite3.h>
#include <memory>
#include <unordered_map>

namespace cns {

namespace {

// One checkpointer per database file for the life of the process; stopped at exit, after the
// threads' own connections are gone.
struct Registry
{
    std::mutex mutex;
    std::unordered_map<std::string, std::unique_ptr<WalCheckpointer>> byPath;
};

Registry &registry()
{
    static Registry r;
    return r;
}

WalCheckpointer *find(const std::string &path, bool create)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.byPath.find(path);
    if (it == r.byPath.end()) {
        if (!create)
            return nullptr;
        it = r.byPath.emplace(path, std::make_unique<WalCheckpointer>(path)).first;
    }
    return it->second.get();
}

} // namespace

void WalCheckpointer::attach(sqlite3 *db, const QString &path)
{
    // Replaces the automatic checkpoint of this connection (sqlite3_wal_autocheckpoint is itself
    // such a hook).
    sqlite3_wal_hook(db, &WalCheckpointer::onCommit, find(path.toStdString(), true));
}

int WalCheckpointer::checkpointsDone(const QString &path)
{
    const WalCheckpointer *c = find(path.toStdString(), false);
    return c ? c->m_done.load() : 0;
}

WalCheckpointer::WalCheckpointer(std::string path) : m_path(std::move(path)), m_thread([this] { loop(); })
{
}

WalCheckpointer::~WalCheckpointer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

int WalCheckpointer::onCommit(void *self, sqlite3 *, const char *, int pages)
{
    if (pages >= kPages)
        static_cast<WalCheckpointer *>(self)->request();
    return SQLITE_OK;
}

void WalCheckpointer::request()
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = true;
    }
    m_wake.notify_one();
}

void WalCheckpointer::loop()
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_pending || m_stopping; });
            if (m_stopping)
                return;
            m_pending = false;
        }
        // A connection of its own for each round: a file replaced at the same path (a database
        // created again) is the one checkpointed, not the one that was there before.
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 5000);
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            ++m_done;
        }
        // Nothing is lost when it cannot open: the log stays until a later round (or the last
        // connection to close) copies it.
        sqlite3_close(db);
    }
}

} // namespace cns
