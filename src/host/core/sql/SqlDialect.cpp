#include "SqlDialect.h"

#include "BulkInsert.h"
#include "EErro.h"
#include "MultiRowInsert.h"
#include "PostgresCopy.h"
#include "SqlRows.h"
#include "SqliteBehaviour.h"
#include "SqliteRowSource.h"
#include "SqliteRows.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <array>

namespace cns {

namespace {

std::unique_ptr<BulkInsert> multiRowInsert(QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    return std::make_unique<MultiRowInsert>(db, table, columns);
}

// A dialect whose fast ways are those of any database, through Qt's driver.
SqlDialect make(const char *name, const char *driver, SqlDialect::Text text, const char *blob, const char *timestamp,
                const char *flt, const char *beginWrite, const char *nullSafe, QStringList uniqueCodes)
{
    SqlDialect d;
    d.name = QString::fromLatin1(name);
    d.driver = QString::fromLatin1(driver);
    d.text = text;
    d.blobType = QString::fromLatin1(blob);
    d.timestampType = QString::fromLatin1(timestamp);
    d.floatType = QString::fromLatin1(flt);
    d.beginRead = QStringLiteral("BEGIN");
    d.beginWrite = QString::fromLatin1(beginWrite);
    d.nullSafeEqual = QString::fromLatin1(nullSafe);
    d.uniqueViolationCodes = std::move(uniqueCodes);
    d.fetchRows = SqlRows::fetchGeneric;
    d.bulkInsert = multiRowInsert;
    d.insertRows = BulkInsert::insertRowsOneByOne;
    return d;
}

std::array<SqlDialect, 5> makeDialects()
{
    std::array<SqlDialect, 5> all = {
        make("sqlite", "QSQLITE", SqlDialect::Text::Generic, "BLOB", "TIMESTAMP", "NUMERIC(%1,%2)", "BEGIN IMMEDIATE", "IS",
             {QStringLiteral("1555"), QStringLiteral("2067")}),
        make("postgresql", "QPSQL", SqlDialect::Text::Generic, "BYTEA", "TIMESTAMP", "NUMERIC(%1,%2)", "BEGIN",
             "IS NOT DISTINCT FROM", {QStringLiteral("23505")}),
        make("oracle", "QOCI", SqlDialect::Text::Oracle, "BLOB", "DATE", "NUMBER(%1,%2)", "SET TRANSACTION READ WRITE",
             "IS NOT DISTINCT FROM", {QStringLiteral("1")}),
        make("mssql", "QODBC", SqlDialect::Text::MSSQL, "VARBINARY(MAX)", "DATETIME", "NUMERIC(%1,%2)", "BEGIN TRANSACTION",
             "IS NOT DISTINCT FROM", {QStringLiteral("2627"), QStringLiteral("2601")}),
        make("interbase", "QIBASE", SqlDialect::Text::InterBase, "BLOB", "TIMESTAMP", "NUMERIC(%1,%2)", "SET TRANSACTION",
             "IS NOT DISTINCT FROM", {QStringLiteral("-803")}),
    };
    SqlDialect &sqlite = all[0];
    // A page cache of up to 64 MiB (taken as pages are used) lets a large transaction, an import of
    // many consumers, keep its pages until the commit instead of spilling them into the WAL part way
    // and writing them again there; durability is untouched. A new database gets pages of 8 KiB
    // (SQLite's default is 4): a consumer's row and the index entries beside it take fewer pages and
    // fewer levels; for an existing one this changes nothing. It must come before the WAL mode
    // (opened), which fixes the page size.
    // The log file is cut back to 64 MiB whenever a checkpoint starts it over, however large a
    // write made it.
    sqlite.sessionSetup = {QStringLiteral("PRAGMA page_size = 8192"), QStringLiteral("PRAGMA foreign_keys = ON"),
                           QStringLiteral("PRAGMA synchronous = NORMAL"), QStringLiteral("PRAGMA cache_size = -65536"),
                           QStringLiteral("PRAGMA journal_size_limit = 67108864")};
    sqlite.insertMarkQuery = QStringLiteral("SELECT COALESCE(MAX(ROWID), 0) FROM %1");
    sqlite.insertedAfterMark = QStringLiteral("ROWID > %1");
    sqlite.insertIgnoringDuplicates = QStringLiteral("INSERT OR IGNORE INTO %1 %2");
    sqlite.fetchRows = SqliteRows::fetch;
    sqlite.declaredType = SqliteRows::declaredType;
    sqlite.bulkInsert = SqliteBehaviour::bulkInsert;
    sqlite.insertRows = SqliteRowSource::insert;
    sqlite.opened = SqliteBehaviour::opened;
    sqlite.idle = SqliteBehaviour::idle;
    sqlite.keyOnlyTable = QStringLiteral(" WITHOUT ROWID");
    sqlite.textPosition = QStringLiteral("INSTR(%1, %2)");
    SqlDialect &postgresql = all[1];
    postgresql.sessionSetup = {QStringLiteral("SET client_encoding TO 'UTF8'"), QStringLiteral("SET client_min_messages TO WARNING")};
    postgresql.bulkInsert = PostgresCopy::open;
    // SQLite's LIKE ignores the case of ASCII letters, as its UPPER does; PostgreSQL has ILIKE.
    sqlite.caseInsensitiveLike = QStringLiteral("%1 LIKE %2 ESCAPE '\\'");
    postgresql.caseInsensitiveLike = QStringLiteral("%1 ILIKE %2 ESCAPE '\\'");
    return all;
}

// Made once, before any thread reads them; never changed after.
const std::array<SqlDialect, 5> &dialects()
{
    static const std::array<SqlDialect, 5> all = makeDialects();
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
