#include "Disposer.h"

namespace cns {

Disposer::Disposer() : m_thread([this] { loop(); }) {}

Disposer::~Disposer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

Disposer &Disposer::instance()
{
    static Disposer disposer;
    return disposer;
}

void Disposer::post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_changed.notify_all();
}

void Disposer::waitIdle()
{
    Disposer &d = instance();
    std::unique_lock lock(d.m_mutex);
    d.m_changed.wait(lock, [&d] { return d.m_tasks.empty() && !d.m_busy; });
}

void Disposer::loop()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return !m_tasks.empty() || m_stopping; });
        if (m_tasks.empty())
            return;
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        m_busy = true;
        lock.unlock();
        task();
        task = nullptr; // what it held goes here, outside the lock
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace cns
