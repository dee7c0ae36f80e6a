#include "RowCellsAhead.h"

#include <algorithm>

namespace cns {

RowCellsAhead::RowCellsAhead(qsizetype count, int columns, const SqliteRowSource::Fill &fill)
    : m_count(count), m_columns(columns), m_fill(fill), m_thread([this] { run(); })
{
}

RowCellsAhead::~RowCellsAhead()
{
    m_handoff.stop();
    m_thread.join();
}

const RowCells *RowCellsAhead::next()
{
    while (m_at >= m_current.size) {
        if (!m_handoff.next(&m_current))
            return nullptr;
        m_at = 0;
    }
    return &m_current.rows[size_t(m_at++)];
}

void RowCellsAhead::run()
{
    for (qsizetype first = 0; first < m_count; first += kBatchRows) {
        Batch batch;
        if (!m_handoff.room(&batch))
            return;
        if (batch.rows.empty())
            batch.rows.assign(size_t(kBatchRows), RowCells(m_columns));
        const qsizetype rows = std::min(kBatchRows, m_count - first);
        try {
            for (batch.size = 0; batch.size < rows; ++batch.size)
                m_fill(first + batch.size, batch.rows[size_t(batch.size)]);
        } catch (...) {
            // The rows before the one that raised are stored first, as one by one.
            m_handoff.hand(std::move(batch));
            m_handoff.finish(std::current_exception());
            return;
        }
        m_handoff.hand(std::move(batch));
    }
    m_handoff.finish();
}

} // namespace cns
