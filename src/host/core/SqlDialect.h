#pragma once

#include "FieldDef.h"
#include "Row.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QSqlDatabase;

namespace cns {

class NamedSql;

// What differs between the databases, as data: one behaviour object per dialect, chosen by the
// connection's driver. Nothing else in the system asks which database it talks to.
class SqlDialect
{
public:
    // Which of a query's texts the database runs.
    enum class Text { Generic, Oracle, MSSQL, InterBase };

    QString name;              // "sqlite", "postgresql", ...
    QString driver;            // Qt driver name
    Text text = Text::Generic;
    bool declaredTypesFromStatement = false; // column types only known from the declared type names
    bool transactionalDdl = true;
    QString blobType;          // column type of byte blobs
    QString timestampType;     // column type of date-times
    QString floatType;         // column type of values with decimals
    QString beginRead;         // starts a transaction that only reads
    QString beginWrite;        // starts a transaction that writes (takes the write lock at once where that avoids deadlocks)
    QString nullSafeEqual;     // "a <op> b" true when both are null or equal
    // "%1 matches the pattern %2 without regard to case, '\\' escaping the wildcards": the plain
    // operator where the database has one, so that no function runs on every row.
    QString caseInsensitiveLike = QStringLiteral("UPPER(%1) LIKE UPPER(%2) ESCAPE '\\'");
    QStringList uniqueViolationCodes; // native error codes of a duplicate key
    // Ends the CREATE TABLE of a narrow table that is all key, stored as its key's index alone
    // (SQLite: no separate row table beside the key's index); empty where tables have no such form.
    QString keyOnlyTable;

    // Runs a statement and packs its rows for the given columns, by position. SQLite reads through
    // its own C interface (texts go straight from the database's UTF-8 into the rows); the others
    // through Qt's driver.
    using RowFetcher = std::vector<Row> (*)(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values,
                                            const QList<FieldDef> &fields);
    RowFetcher fetchRows = nullptr;

    static const SqlDialect &forDriver(QStringView driverName);
    static const SqlDialect &of(const QSqlDatabase &db);

    // A declared column type ("VARCHAR(21)", "TIMESTAMP", "NUMERIC(15,2)") as a packet column type
    // and size; nullopt when the name says nothing.
    static std::optional<std::pair<FieldType, int>> typeFromDeclaration(QStringView declared);
};

} // namespace cns
