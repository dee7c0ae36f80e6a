#pragma once

#include "RowSink.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <memory>

namespace cns {

// Loads many rows into one table, in the column order given, by the fastest way the connection's
// database has (its dialect's bulkInsert). Rows are given whole (add) or cell by cell (the RowSink
// calls); finish() writes what is pending. Rows still pending when the object goes away without
// finish() are dropped: the destructor runs while an error unwinds, where writing (and failing
// again) must not happen. Every failure raises EErro; the caller's transaction is then lost as a
// whole.
class BulkInsert : public RowSink
{
public:
    static std::unique_ptr<BulkInsert> open(QSqlDatabase &db, const QString &table, const QStringList &columns);
    // Inserts count rows whose cells fill gives, by the fastest way the database has for a load
    // of many rows at once (its dialect's insertRows).
    static void insertRows(QSqlDatabase &db, const QString &table, const QStringList &columns, qsizetype count,
                           const RowFill &fill);
    // The way of any database: the rows given one after the other to open()'s loader.
    static void insertRowsOneByOne(QSqlDatabase &db, const QString &table, const QStringList &columns, qsizetype count,
                                   const RowFill &fill);

    void add(const QList<Value> &row);
    virtual void finish() = 0;
    int rowsWritten() const { return m_written; }

protected:
    BulkInsert(QString table, QStringList columns);
    [[noreturn]] void fail(const QString &what) const;

    const QString m_table;
    const QStringList m_columns;
    int m_written = 0;
};

} // namespace cns
