#pragma once

#include "FieldType.h"

#include <QString>
#include <optional>

class QSqlDatabase;

namespace cns {

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

    static const SqlDialect &forDriver(QStringView driverName);
    static const SqlDialect &of(const QSqlDatabase &db);

    // A declared column type ("VARCHAR(21)", "TIMESTAMP", "NUMERIC(15,2)") as a packet column type
    // and size; nullopt when the name says nothing.
    static std::optional<std::pair<FieldType, int>> typeFromDeclaration(QStringView declared);
};

} // namespace cns
