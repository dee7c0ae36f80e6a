#pragma once

#include "TableDef.h"

#include <QList>
#include <QSqlDatabase>

namespace cns {

// The database of the system: every table the screens read and the server methods need, with the
// system's own table and column names, created and upgraded by the server (cns-server --init).
// One definition serves SQLite and PostgreSQL; the version is kept in VERSAOBANCO.
namespace Schema {

const QList<TableDef> &tables();
const TableDef &table(QStringView name); // raises EErro for an unknown table

int currentVersion();
// The version the database carries; 0 when it has no schema yet.
int installedVersion(QSqlDatabase &db);
// Creates the tables of a new database or brings an older one up to date, in one transaction.
// Raises EErro when the database was made by a newer server.
void createOrUpgrade(QSqlDatabase &db);

} // namespace Schema

} // namespace cns
