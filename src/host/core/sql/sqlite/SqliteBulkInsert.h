#pragma once

#include "BulkInsert.h"

#include <vector>

struct sqlite3_stmt;

namespace cns {

// SQLite's load: one prepared one-row statement of its C interface, stepped for each row, as its
// own shell loads files. For wide tables that is several times faster than multi-row INSERTs
// through Qt, since nothing is converted to QVariant; a text given as UTF-8 is bound without a copy.
class SqliteBulkInsert final : public BulkInsert
{
public:
    SqliteBulkInsert(QSqlDatabase &db, QString table, QStringList columns);
    ~SqliteBulkInsert() override;

    void setText(int column, QByteArrayView utf8) override;
    void setNull(int column) override;
    void set(int column, const Value &v) override;
    void endRow() override;
    void finish() override {} // every row is written by its endRow()

private:
    sqlite3_stmt *m_stmt = nullptr;
    std::vector<bool> m_nullBound; // parameters now holding NULL
};

} // namespace cns
