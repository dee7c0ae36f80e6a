#pragma once

#include "ConsumerQueries.h"
#include "NamedSql.h"

#include <QString>
#include <sqlite3.h>
#include <string>

// The reference of the consumer benchmarks: the consumers of a client and the client's branches,
// every column read through the sqlite3 C API, as getPrincipal reads them.
namespace bench {

using namespace cns;

// Steps through the consumers and the client's branches reading every column, as getPrincipal does.
inline qint64 rawRead(const QString &path, const QString &clientCode)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    qint64 checksum = 0;
    for (const QString &sql : {ConsumerQueries::consumersOfClient() + ConsumerQueries::consumerOrder(),
                               ConsumerQueries::branchesOfClient()}) {
        const QByteArray text = NamedSql::parse(sql).positional().toUtf8();
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr);
        const QByteArray client = clientCode.toUtf8();
        const int params = sqlite3_bind_parameter_count(stmt);
        for (int i = 1; i <= params; ++i)
            sqlite3_bind_text(stmt, i, i == 1 ? client.constData() : "T", -1, SQLITE_TRANSIENT);
        const int cols = sqlite3_column_count(stmt);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < cols; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                case SQLITE_FLOAT: checksum += qint64(sqlite3_column_double(stmt, c)); break;
                case SQLITE_NULL: break;
                default: {
                    std::string copy(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)), size_t(sqlite3_column_bytes(stmt, c)));
                    checksum += qint64(copy.size());
                }
                }
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return checksum;
}

} // namespace bench
