#include "RowCells.h"

#include "SqliteRows.h"

#include <sqlite3.h>

namespace cns {

void RowCells::set(int column, const Value &v)
{
    m_cells[size_t(column)].kind = Kind::Value;
    m_values[size_t(column)] = v;
}

void RowCells::result(sqlite3_context *ctx, int column) const
{
    const Cell &c = m_cells[size_t(column)];
    switch (c.kind) {
    case Kind::Null: sqlite3_result_null(ctx); break;
    // The bytes outlive the statement: SQLite copies them into the stored record.
    case Kind::Text: sqlite3_result_text64(ctx, c.text.data() ? c.text.data() : "", sqlite3_uint64(c.text.size()), SQLITE_STATIC, SQLITE_UTF8); break;
    case Kind::Value: SqliteRows::result(ctx, m_values[size_t(column)]); break;
    }
}

} // namespace cns
