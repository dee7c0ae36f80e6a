#pragma once

#include "Value.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_context;

namespace cns {

// The cells of one row as a SQLite statement reads them: texts as views of UTF-8 bytes that stay
// valid while the statement runs (a packed row's own bytes), or values converted on reading.
// Every column is set once per row.
class RowCells
{
public:
    explicit RowCells(int columns) : m_cells(size_t(columns)), m_values(size_t(columns)) {}
    void setText(int column, QByteArrayView utf8) { m_cells[size_t(column)] = {Kind::Text, utf8}; }
    void setNull(int column) { m_cells[size_t(column)] = {Kind::Null, {}}; }
    void set(int column, const Value &v);
    void endRow() {}
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

// Loads many rows into a SQLite table with one "INSERT … SELECT" over a virtual table whose rows are
// produced on demand: the way SQLite itself copies a table. One INSERT per row instead opens and
// closes a cursor on the table and on each of its indexes and seeks the table's end for every
// row, which for a table with several indexes costs as much again as storing the rows.
namespace SqliteRowSource {

// Fills the cells of row number row (0 to count - 1); may raise EErro, which insert() raises again
// once the statement has stopped. It is called on a thread of its own (RowCellsAhead), in row
// order: it may read what the caller holds still while insert() runs, and change nothing shared.
using Fill = std::function<void(qsizetype row, RowCells &cells)>;

// Inserts count rows into table. OR FAIL: a row's constraints are all checked before anything of
// it is written, so SQLite keeps no statement journal; a failure leaves the rows written before it
// in place and raises EErro, and the caller's transaction is then rolled back as a whole.
void insert(sqlite3 *db, const QString &table, const QStringList &columns, qsizetype count, const Fill &fill);

} // namespace SqliteRowSource

} // namespace cns
