#pragma once

#include "FieldDef.h"
#include "Packet.h"
#include "Row.h"
#include "Value.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <vector>

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

// The rows of a statement read through Qt's driver: the fetchRows of a database without a faster
// way of its own.
std::vector<Row> fetchGeneric(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values, const QList<FieldDef> &fields);

} // namespace SqlRows

} // namespace cns
