#include "SqlDialect.h"

#include "EErro.h"
#include "SqlRows.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <array>

namespace cns {

namespace {

SqlDialect make(const char *name, const char *driver, SqlDialect::Text text, bool declared, const char *blob,
                const char *timestamp, const char *flt, const char *beginWrite, const char *nullSafe,
                QStringList uniqueCodes, SqlDialect::RowFetcher fetch)
{
    SqlDialect d;
    d.name = QString::fromLatin1(name);
    d.driver = QString::fromLatin1(driver);
    d.text = text;
    d.declaredTypesFromStatement = declared;
    d.blobType = QString::fromLatin1(blob);
    d.timestampType = QString::fromLatin1(timestamp);
    d.floatType = QString::fromLatin1(flt);
    d.beginRead = QStringLiteral("BEGIN");
    d.beginWrite = QString::fromLatin1(beginWrite);
    d.nullSafeEqual = QString::fromLatin1(nullSafe);
    d.uniqueViolationCodes = std::move(uniqueCodes);
    d.fetchRows = fetch;
    return d;
}

const std::array<SqlDialect, 5> &dialects()
{
    static std::array<SqlDialect, 5> all = {
        make("sqlite", "QSQLITE", SqlDialect::Text::Generic, true, "BLOB", "TIMESTAMP", "NUMERIC(18,4)",
             "BEGIN IMMEDIATE", "IS", {QStringLiteral("1555"), QStringLiteral("2067")}, SqlRows::fetchSqlite),
        make("postgresql", "QPSQL", SqlDialect::Text::Generic, false, "BYTEA", "TIMESTAMP", "NUMERIC(18,4)", "BEGIN",
             "IS NOT DISTINCT FROM", {QStringLiteral("23505")}, SqlRows::fetchGeneric),
        make("oracle", "QOCI", SqlDialect::Text::Oracle, false, "BLOB", "DATE", "NUMBER(18,4)", "SET TRANSACTION READ WRITE",
             "IS NOT DISTINCT FROM", {QStringLiteral("1")}, SqlRows::fetchGeneric),
        make("mssql", "QODBC", SqlDialect::Text::MSSQL, false, "VARBINARY(MAX)", "DATETIME", "NUMERIC(18,4)",
             "BEGIN TRANSACTION", "IS NOT DISTINCT FROM", {QStringLiteral("2627"), QStringLiteral("2601")}, SqlRows::fetchGeneric),
        make("interbase", "QIBASE", SqlDialect::Text::InterBase, false, "BLOB", "TIMESTAMP", "NUMERIC(18,4)",
             "SET TRANSACTION", "IS NOT DISTINCT FROM", {QStringLiteral("-803")}, SqlRows::fetchGeneric),
    };
    // SQLite's LIKE ignores the case of ASCII letters, as its UPPER does; PostgreSQL has ILIKE.
    all[0].caseInsensitiveLike = QStringLiteral("%1 LIKE %2 ESCAPE '\\'");
    all[1].caseInsensitiveLike = QStringLiteral("%1 ILIKE %2 ESCAPE '\\'");
    all[0].keyOnlyTable = QStringLiteral(" WITHOUT ROWID");
    return all;
}

} // namespace

const SqlDialect &SqlDialect::forDriver(QStringView driverName)
{
    for (const SqlDialect &d : dialects()) {
        if (d.driver == driverName)
            return d;
    }
    throw EErro(QStringLiteral("Banco de dados sem suporte: driver %1.").arg(driverName));
}

const SqlDialect &SqlDialect::of(const QSqlDatabase &db)
{
    return forDriver(db.driverName());
}

std::optional<std::pair<FieldType, int>> SqlDialect::typeFromDeclaration(QStringView declared)
{
    static const QRegularExpression re(QStringLiteral("^\\s*([A-Za-z ]+?)\\s*(?:\\(\\s*(\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\))?\\s*$"));
    const auto m = re.match(declared);
    if (!m.hasMatch())
        return std::nullopt;
    const QString base = m.captured(1).toUpper();
    const int size = m.captured(2).toInt();
    const int scale = m.captured(3).toInt();
    if (base == u"VARCHAR" || base == u"CHARACTER VARYING" || base == u"TEXT" || base == u"NVARCHAR" || base == u"VARCHAR2")
        return std::pair{FieldType::String, size};
    if (base == u"CHAR" || base == u"CHARACTER" || base == u"NCHAR")
        return std::pair{FieldType::FixedChar, size};
    if (base == u"INTEGER" || base == u"INT" || base == u"SMALLINT" || base == u"BIGINT")
        return std::pair{FieldType::Integer, 0};
    if (base == u"NUMERIC" || base == u"DECIMAL" || base == u"NUMBER")
        return std::pair{(m.captured(2).isEmpty() || scale > 0) ? FieldType::Float : FieldType::Integer, 0};
    if (base == u"REAL" || base == u"DOUBLE" || base == u"DOUBLE PRECISION" || base == u"FLOAT")
        return std::pair{FieldType::Float, 0};
    if (base == u"TIMESTAMP" || base == u"DATE" || base == u"DATETIME")
        return std::pair{FieldType::DateTime, 0};
    if (base == u"BLOB" || base == u"BYTEA")
        return std::pair{FieldType::Blob, 0};
    if (base == u"BOOLEAN" || base == u"BOOL")
        return std::pair{FieldType::Boolean, 0};
    return std::nullopt;
}

} // namespace cns
