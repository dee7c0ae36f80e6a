#pragma once

#include "BatchHandoff.h"
#include "SqliteRowSource.h"

#include <thread>
#include <vector>

namespace cns {

// Fills the cells of rows 0 to count - 1 on a thread of its own, a few batches ahead of the
// statement that stores them: converting a packet's rows into cells and SQLite's writing of them
// then run on two cores. Batches the statement is done with go back to the filling thread, which
// refills them, so that a cell's values are made and freed on the same thread.
class RowCellsAhead
{
public:
    // fill is called in row order, from the thread of this object alone; it outlives this object.
    RowCellsAhead(qsizetype count, int columns, const SqliteRowSource::Fill &fill);
    ~RowCellsAhead(); // stops the filling where it stands
    RowCellsAhead(const RowCellsAhead &) = delete;
    RowCellsAhead &operator=(const RowCellsAhead &) = delete;

    // The cells of the next row, valid until the next call; nullptr after the last row. Raises
    // what fill raised for a row in that row's place, after every row before it.
    const RowCells *next();

private:
    static constexpr qsizetype kBatchRows = 128;
    static constexpr size_t kBatchesAhead = 4;

    struct Batch
    {
        std::vector<RowCells> rows;
        qsizetype size = 0; // rows filled
    };

    void run();

    const qsizetype m_count;
    const int m_columns;
    const SqliteRowSource::Fill &m_fill;
    BatchHandoff<Batch> m_handoff{kBatchesAhead};
    Batch m_current; // the statement's side
    qsizetype m_at = 0;
    std::thread m_thread;
};

} // namespace cns
