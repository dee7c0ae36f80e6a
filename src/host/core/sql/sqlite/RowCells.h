#pragma once

#include "RowSink.h"

#include <vector>

struct sqlite3_context;

namespace cns {

// The cells of one row as a SQLite statement reads them from a virtual table: texts as views of
// UTF-8 bytes that stay valid while the statement runs (a packed row's own bytes), or values
// converted on reading.
class RowCells final : public RowSink
{
public:
    explicit RowCells(int columns) : m_cells(size_t(columns)), m_values(size_t(columns)) {}
    void setText(int column, QByteArrayView utf8) override { m_cells[size_t(column)] = {Kind::Text, utf8}; }
    void setNull(int column) override { m_cells[size_t(column)] = {Kind::Null, {}}; }
    void set(int column, const Value &v) override;
    void endRow() override {}
    // Makes the cell of column the statement's value.
    void result(sqlite3_context *ctx, int column) const;

private:
    enum class Kind : unsigned char { Null, Text, Value };
    struct Cell
    {
        Kind kind = Kind::Null;
        QByteArrayView text;
    };
    std::vector<Cell> m_cells;
    std::vector<Value> m_values; // the cells of kind Value
};

} // namespace cns
