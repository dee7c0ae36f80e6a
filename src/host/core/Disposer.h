#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace cns {

// Frees large structures (an import's hundred thousand rows, keys and sets) on a thread of its
// own, so that whoever is done with them goes on at once: freeing them one by one takes as long
// as a phase of the import. One thread for the process, started on first use; what it was handed
// is freed in order, and all of it before the process ends.
class Disposer
{
public:
    // Takes object over and frees it later, on the disposer's thread. T must not need the
    // caller's thread to be destroyed (no Qt objects with a thread affinity, no connections).
    template <class T>
    static void dispose(T &&object)
    {
        // The task holds the only reference: were the caller to keep one, the object would be freed
        // here whenever the disposer's thread finished the task first.
        instance().post([held = std::make_shared<std::decay_t<T>>(std::forward<T>(object))]() mutable { held.reset(); });
    }
    // Blocks until everything handed over so far is freed.
    static void waitIdle();

    ~Disposer(); // frees what is left and stops the thread

private:
    Disposer();
    static Disposer &instance();
    void post(std::function<void()> task);
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace cns
