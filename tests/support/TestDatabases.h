#pragma once

#include <QString>

// Databases for server and query tests.
namespace TestDatabases {

// The private PostgreSQL cluster of scripts/test (CNS_TEST_PG_URL), or empty when not running.
QString postgresServerUrl();
// A fresh, empty PostgreSQL database named after the suite (dropped first if it exists), so that
// suites can run side by side. Empty when no cluster runs.
QString freshPostgres(const QString &suite);
// A fresh SQLite file in a temporary folder that lives as long as the process.
QString freshSqlite(const QString &suite);

} // namespace TestDatabases
