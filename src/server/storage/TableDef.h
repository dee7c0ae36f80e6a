#pragma once

#include "FieldDef.h"
#include "Value.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace cns {

class SqlDialect;

// One table of the schema, as data: columns with the system's names and sizes, primary key and
// indexes. Rendered to each database's DDL by the dialect, so that there is one definition for all.
class TableDef
{
public:
    enum class Type : unsigned char { Varchar, Char, Integer, BigInt, Numeric, Timestamp, Blob, Serial };
    struct Column
    {
        QString name;
        Type type = Type::Varchar;
        int size = 0;
        bool notNull = false;
    };
    struct Index
    {
        QString name;
        QString columns; // "A, B" or an expression such as "UPPER(CDIDCONSUMID)"
        bool unique = false;
        QString where; // a partial index: only the rows where this holds
    };

    // The digits of a column of values with decimals, in all and after the point, on every database.
    static constexpr int kNumericDigits = 18;
    static constexpr int kNumericDecimals = 4;

    TableDef(QString name, QString purpose) : m_name(std::move(name)), m_purpose(std::move(purpose)) {}

    TableDef &varchar(const char *name, int size, bool notNull = false);
    TableDef &fixed(const char *name, int size, bool notNull = false);
    TableDef &integer(const char *name, bool notNull = false);
    // An integer of 64 bits: the number of a serial row kept in another table.
    TableDef &bigint(const char *name, bool notNull = false);
    TableDef &numeric(const char *name);
    TableDef &timestamp(const char *name);
    TableDef &blob(const char *name);
    // The table's key: a number the database gives each row as it is inserted, growing (a log's
    // order of writing, where the rows have no key of their own; SqlDialect::serialType).
    TableDef &serial(const char *name);
    TableDef &key(std::initializer_list<const char *> columns);
    TableDef &index(const char *name, const char *columns, bool unique = false);
    // An index of the rows where a sparse column has a value: a query comparing that column with
    // "=" is served by it, and rows without the value cost nothing to write.
    TableDef &sparseIndex(const char *name, const char *columns, const char *where);
    // Stored as its key's index alone where the database can (narrow tables that are all key).
    TableDef &keyOnly();

    const QString &name() const { return m_name; }
    const QString &purpose() const { return m_purpose; }
    const QList<Column> &columns() const { return m_columns; }
    const QStringList &primaryKey() const { return m_key; }
    const QList<Index> &indexes() const { return m_indexes; }
    const Column *column(QStringView name) const; // case-insensitive; null when absent
    bool isKey(QStringView column) const;

    static FieldType fieldType(Type type);
    // Why the column cannot hold v as every database would store it (empty when it can), naming the
    // column: a number beyond its digits or not a number at all, an integer beyond 32 bits (SQLite
    // would store it and PostgreSQL refuse it), a date outside the years 1 to 9999. Texts are cut to
    // the column's size by the packets, and take no refusal here.
    static QString beyondRange(const Column &c, const Value &v);
    FieldDef fieldDef(const Column &c) const { return {c.name, fieldType(c.type), c.type == Type::Varchar || c.type == Type::Char ? c.size : 0}; }

    QStringList createStatements(const SqlDialect &dialect) const;
    QString createIndexStatement(const Index &ix) const;
    const Index *index(QStringView name) const;

private:
    TableDef &add(const char *name, Type type, int size, bool notNull);

    QString m_name;
    QString m_purpose;
    QList<Column> m_columns;
    QStringList m_key;
    QList<Index> m_indexes;
    bool m_keyOnly = false;
};

} // namespace cns
