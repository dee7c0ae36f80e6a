#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

namespace cns {

// Hands batches of work from a producing thread to a consuming one, at most a few ahead, and the
// batches the consumer is done with back to the producer to be filled again: their contents are
// then made and freed on the same thread, and no batch is allocated after the first few. The
// producer ends with finish(), whose error the consumer receives after every batch handed before.
template <class Batch>
class BatchHandoff
{
public:
    explicit BatchHandoff(size_t ahead) : m_ahead(ahead) {}

    // Producer: waits until fewer than `ahead` batches wait for the consumer; false once stopped.
    // *batch becomes one the consumer handed back, when there is one (else it is left as it is).
    bool room(Batch *batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_ready.size() < m_ahead || m_stop; });
        if (m_stop)
            return false;
        if (!m_spare.empty()) {
            *batch = std::move(m_spare.back());
            m_spare.pop_back();
        }
        return true;
    }
    void hand(Batch &&batch)
    {
        {
            std::lock_guard lock(m_mutex);
            m_ready.push_back(std::move(batch));
        }
        m_changed.notify_all();
    }
    void finish(std::exception_ptr error = nullptr)
    {
        {
            std::lock_guard lock(m_mutex);
            m_error = error;
            m_done = true;
        }
        m_changed.notify_all();
    }

    // Consumer: the next batch in place of the one *batch holds, which goes back to the producer;
    // false after the last. Raises the producer's error in its place.
    bool next(Batch *batch)
    {
        std::unique_lock lock(m_mutex);
        if (m_taken)
            m_spare.push_back(std::move(*batch));
        m_taken = false;
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty()) {
            if (m_error)
                std::rethrow_exception(m_error);
            return false;
        }
        *batch = std::move(m_ready.front());
        m_ready.pop_front();
        m_taken = true;
        lock.unlock();
        m_changed.notify_all();
        return true;
    }
    // Consumer: the producer stops at its next room().
    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
    }

private:
    const size_t m_ahead;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_ready;
    std::vector<Batch> m_spare;
    std::exception_ptr m_error;
    bool m_done = false;
    bool m_stop = false;
    bool m_taken = false; // the consumer holds a batch it took
};

} // namespace cns
