#pragma once

#include "RowSink.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace cns {

// Loads many rows into a SQLite table with one "INSERT … SELECT" over a virtual table whose rows are
// produced on demand: the way SQLite itself copies a table. One INSERT per row instead opens and
// closes a cursor on the table and on each of its indexes and seeks the table's end for every
// row, which for a table with several indexes costs as much again as storing the rows.
namespace SqliteRowSource {

// Inserts count rows into table (SqlDialect::insertRows); fill is called in row order while the
// statement runs. OR FAIL: a row's constraints are all checked before anything of it is written, so
// SQLite keeps no statement journal; a failure leaves the rows written before it in place and
// raises EErro, and the caller's transaction is then rolled back as a whole.
void insert(QSqlDatabase &db, const QString &table, const QStringList &columns, qsizetype count, const RowFill &fill);

} // namespace SqliteRowSource

} // namespace cns
