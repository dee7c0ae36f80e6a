#pragma once

#include "FieldDef.h"
#include "Packet.h"
#include "Row.h"
#include "Value.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <vector>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;

namespace cns {

class NamedSql;

// Statements whose rows become packets: the SELECT lists its columns in the order of the packet's
// fields, and values are bound by name (":P_CDCLIENTE"). Raises EErro with the database's text.
namespace SqlRows {

Packet select(QSqlDatabase &db, const QString &sql, const QHash<QString, Value> &params, const QList<FieldDef> &fields);
// A statement without rows; returns the rows it touched.
int exec(QSqlDatabase &db, const QString &sql, const QHash<QString, Value> &params);

// The values of the occurrences of a statement's parameters, in text order; raises EErro naming a
// parameter that has no value.
QList<Value> bindings(const NamedSql &sql, const QHash<QString, Value> &params);

// The connection's handle of the sqlite3 C API; nullptr when it is not a SQLite connection.
sqlite3 *sqliteHandle(QSqlDatabase &db);

// Binds value v to parameter i (1-based) of a statement of the sqlite3 C API; raises EErro.
void bindSqlite(sqlite3_stmt *stmt, int i, const Value &v);
// Makes v the result of a function or a virtual table's column.
void resultSqlite(sqlite3_context *ctx, const Value &v);

// The two readers a dialect chooses between.
std::vector<Row> fetchGeneric(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values, const QList<FieldDef> &fields);
std::vector<Row> fetchSqlite(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values, const QList<FieldDef> &fields);

} // namespace SqlRows

} // namespace cns
