#pragma once

#include "Value.h"

#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

struct sqlite3_stmt;

namespace cns {

// Loads many rows into one table with multi-row INSERTs ("VALUES (?,..),(?,..),..."), which both
// SQLite and PostgreSQL take far faster than one statement per row through Qt. On SQLite the rows go
// through one prepared statement of the sqlite3 C API instead, as its own shell loads files: for
// wide tables that is several times faster again, since nothing is converted to QVariant. Rows are added in the column
// order given; a batch is written whenever it is full and the rest by finish(). Rows still pending
// when the object goes away without finish() are dropped: the destructor runs while an error
// unwinds, where writing (and failing again) must not happen.
//
// A row can also be given cell by cell (setText, setNull, set) and closed with
// endRow(): a text already in UTF-8 (a packed row's bytes) then reaches SQLite without a copy. Every
// column must be set once per row.
class BulkInsert
{
public:
    // Bound parameters of one statement. Far below what the databases accept (30,000 would do):
    // Qt's SQLite driver names every placeholder and SQLite finds names by walking a list, so a
    // statement costs the square of its parameters; around two thousand both databases load fastest.
    static constexpr int kMaxParameters = 2000;

    BulkInsert(QSqlDatabase &db, QString table, QStringList columns);
    ~BulkInsert();
    BulkInsert(const BulkInsert &) = delete;
    BulkInsert &operator=(const BulkInsert &) = delete;

    void add(const QList<Value> &row); // raises EErro when a batch cannot be written
    void finish();                     // writes what is pending; raises EErro on failure

    // The cells of the next row; the bytes given to setText must stay valid until endRow().
    void setText(int column, QByteArrayView utf8);
    void setNull(int column);
    void set(int column, const Value &v);
    void endRow(); // raises EErro when the row (or its batch) cannot be written

    int rowsPerBatch() const { return m_rowsPerBatch; }
    int rowsWritten() const { return m_written; }

private:
    void flush();
    QString statement(int rows, const QString &verb = QStringLiteral("INSERT")) const;
    void execute(QSqlQuery &q, int rows);

    QSqlDatabase &m_db;
    QString m_table;
    QStringList m_columns;
    int m_rowsPerBatch = 1;
    int m_written = 0;
    QList<QVariant> m_pending;
    QList<QVariant> m_row; // the row being set, for the batches (SQLite's statement binds at once)
    std::optional<QSqlQuery> m_full; // prepared once for full batches, the usual case
    sqlite3_stmt *m_native = nullptr; // SQLite: the one-row statement
    std::vector<bool> m_nullBound;    // SQLite: parameters now holding NULL
};

} // namespace cns
