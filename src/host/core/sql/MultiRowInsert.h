#pragma once

#include "BulkInsert.h"

#include <QSqlQuery>
#include <QVariant>
#include <optional>

namespace cns {

// The load of any database through Qt's driver: multi-row INSERTs ("VALUES (?,..),(?,..),..."),
// which the databases take far faster than one statement per row. A batch is written whenever it
// is full and the rest by finish().
class MultiRowInsert final : public BulkInsert
{
public:
    // Bound parameters of one statement. Far below what the databases accept (30,000 would do):
    // Qt's drivers name every placeholder and look names up by walking a list, so a statement costs
    // the square of its parameters; around two thousand the databases load fastest.
    static constexpr int kMaxParameters = 2000;

    MultiRowInsert(QSqlDatabase &db, QString table, QStringList columns);

    void setText(int column, QByteArrayView utf8) override { m_row[column] = QString::fromUtf8(utf8); }
    void setNull(int column) override { m_row[column] = QVariant(); }
    void set(int column, const Value &v) override;
    void endRow() override;
    void finish() override;


private:
    void flush();
    QString statement(int rows) const;
    void execute(QSqlQuery &q, int rows);

    QSqlDatabase &m_db;
    int m_rowsPerBatch = 1;
    QList<QVariant> m_pending;
    QList<QVariant> m_row;           // the row being set
    std::optional<QSqlQuery> m_full; // prepared once for full batches, the usual case
};

} // namespace cns
