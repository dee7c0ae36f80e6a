#pragma once

#include "FieldDef.h"
#include "Row.h"
#include "Value.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <vector>

class QSqlQuery;
struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;

namespace cns {

class NamedSql;

// Values between the system and SQLite's C interface, and rows read through it: texts go straight
// from the database's UTF-8 into the rows, with no QVariant between.
namespace SqliteRows {

// The connection's handle; nullptr when it is not a SQLite connection.
sqlite3 *handle(QSqlDatabase &db);

// Binds value v to parameter i (1-based) of a statement; raises EErro.
void bind(sqlite3_stmt *stmt, int i, const Value &v);
// Makes v the result of a function or a virtual table's column.
void result(sqlite3_context *ctx, const Value &v);

// Runs a statement and packs its rows for the given columns, by position (SqlDialect::fetchRows).
std::vector<Row> fetch(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values, const QList<FieldDef> &fields);

// The type a result column of a prepared query was declared with ("VARCHAR(21)"), which SQLite
// keeps and its Qt driver does not report; empty for an expression (SqlDialect::declaredType).
QString declaredType(const QSqlQuery &q, int column);

} // namespace SqliteRows

} // namespace cns
