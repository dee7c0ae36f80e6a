#pragma once

#include "FieldDef.h"
#include "Row.h"
#include "RowSink.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

namespace cns {

class BulkInsert;
class NamedSql;

// What differs between the databases, as data: one behaviour object per dialect, chosen by the
// connection's driver, holding also each database's fast ways of reading and writing many rows
// (SQLite's in sql/sqlite, the only code that calls its C interface). Nothing else in the system
// asks which database it talks to.
class SqlDialect
{
public:
    // Which of a query's texts the database runs.
    enum class Text { Generic, Oracle, MSSQL, InterBase };

    QString name;              // "sqlite", "postgresql", ...
    QString driver;            // Qt driver name
    Text text = Text::Generic;
    bool transactionalDdl = true;
    QString blobType;          // column type of byte blobs
    QString timestampType;     // column type of date-times
    QString floatType;         // column type of values with decimals ("%1": digits in all, "%2": after the point)
    QString serialType;        // the key column that the database numbers as rows are inserted
    QString beginRead;         // starts a transaction that only reads
    QString beginWrite;        // starts a transaction that writes (takes the write lock at once where that avoids deadlocks)
    QString nullSafeEqual;     // "a <op> b" true when both are null or equal
    // "%1 matches the pattern %2 without regard to case, '\\' escaping the wildcards": the plain
    // operator where the database has one, so that no function runs on every row.
    QString caseInsensitiveLike = QStringLiteral("UPPER(%1) LIKE UPPER(%2) ESCAPE '\\'");
    QStringList uniqueViolationCodes; // native error codes of a duplicate key
    // "where the text %2 first stands in the text %1, from 1; 0 when it does not": how a code's
    // membership of a list text is tested without LIKE, whose wildcards a code may hold.
    QString textPosition = QStringLiteral("STRPOS(%1, %2)");
    // The text of a JSON array of the values "%1" (a list of SQL expressions).
    QString jsonArray = QStringLiteral("JSON_ARRAY(%1)");
    // Ends the CREATE TABLE of a narrow table that is all key, stored as its key's index alone
    // (SQLite: no separate row table beside the key's index); empty where tables have no such form.
    QString keyOnlyTable;

    // Statements run on every connection as it opens.
    QStringList sessionSetup;
    // The mark of the rows a table holds before an insert ("%1": the table), and the condition that
    // tells the rows inserted after it ("%1": the parameter holding the mark), so that what was
    // just inserted is read again in one statement; empty where the database keeps no such order.
    // SQLite: the ROWID, which grows with each insert unless the table's key is an INTEGER PRIMARY
    // KEY (the system's tables have text keys).
    QString insertMarkQuery;
    QString insertedAfterMark;
    // An INSERT that skips the rows whose key the table already holds ("%1": the table and its
    // columns, "%2": the rows' SELECT).
    QString insertIgnoringDuplicates = QStringLiteral("INSERT INTO %1 %2 ON CONFLICT DO NOTHING");

    // Runs a statement and packs its rows for the given columns, by position.
    std::vector<Row> (*fetchRows)(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values,
                                  const QList<FieldDef> &fields) = nullptr;
    // The type a result column was declared with, where the driver does not tell it; null where the
    // driver's types are all there is.
    QString (*declaredType)(const QSqlQuery &q, int column) = nullptr;
    // A loader of many rows into one table (BulkInsert::open).
    std::unique_ptr<BulkInsert> (*bulkInsert)(QSqlDatabase &db, const QString &table, const QStringList &columns) = nullptr;
    // Inserts many rows at once (BulkInsert::insertRows).
    void (*insertRows)(QSqlDatabase &db, const QString &table, const QStringList &columns, qsizetype count,
                       const RowFill &fill) = nullptr;
    // After a connection to the database at path opened and ran sessionSetup; raises EErro.
    void (*opened)(QSqlDatabase &db, const QString &path) = nullptr;
    // The connection, outside any transaction, when the server has no call running after writes:
    // the database may tidy up what they left behind, never waiting for other connections. False
    // when they kept it from finishing: the server asks again at its next idle moment. Null where
    // the database tidies up by itself. Raises EErroBanco.
    bool (*idle)(QSqlDatabase &db) = nullptr;

    static const SqlDialect &forDriver(QStringView driverName);
    static const SqlDialect &of(const QSqlDatabase &db);

    // A declared column type ("VARCHAR(21)", "TIMESTAMP", "NUMERIC(15,2)") as a packet column type
    // and size; nullopt when the name says nothing.
    static std::optional<std::pair<FieldType, int>> typeFromDeclaration(QStringView declared);
};

} // namespace cns
