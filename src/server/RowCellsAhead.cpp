#include "RowCellsAhead.h"

#include <algorithm>

namespace cns {

RowCellsAhead::RowCellsAhead(qsizetype count, int columns, const SqliteRowSource::Fill &fill)
    : m_count(count), m_columns(columns), m_fill(fill), m_thread([this] { run(); })
{
}

RowCellsAhead::~RowCellsAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

const RowCells *RowCellsAhead::next()
{
    while (true) {
        if (m_current && m_at < m_current->size)
            return &m_current->rows[size_t(m_at++)];
        if (m_current && m_current->error)
            std::rethrow_exception(m_current->error);
        std::unique_lock lock(m_mutex);
        if (m_current)
            m_spare.push_back(std::move(m_current));
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return nullptr;
        m_current = std::move(m_ready.front());
        m_ready.pop_front();
        m_at = 0;
        lock.unlock();
        m_changed.notify_all();
    }
}

std::unique_ptr<RowCellsAhead::Batch> RowCellsAhead::spare()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ready.size() < kBatchesAhead || m_stop; });
    if (m_stop)
        return nullptr;
    if (!m_spare.empty()) {
        std::unique_ptr<Batch> b = std::move(m_spare.front());
        m_spare.pop_front();
        return b;
    }
    lock.unlock();
    auto b = std::make_unique<Batch>();
    b->rows.assign(size_t(kBatchRows), RowCells(m_columns));
    return b;
}

void RowCellsAhead::run()
{
    for (qsizetype first = 0; first < m_count; first += kBatchRows) {
        std::unique_ptr<Batch> batch = spare();
        if (!batch)
            return;
        const qsizetype rows = std::min(kBatchRows, m_count - first);
        batch->size = 0;
        batch->error = nullptr;
        try {
            for (; batch->size < rows; ++batch->size)
                m_fill(first + batch->size, batch->rows[size_t(batch->size)]);
        } catch (...) {
            batch->error = std::current_exception();
        }
        const bool failed = bool(batch->error);
        {
            std::lock_guard lock(m_mutex);
            m_ready.push_back(std::move(batch));
        }
        m_changed.notify_all();
        if (failed)
            break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
}

} // namespace cns
