#include "TableDef.h"

#include "SqlDialect.h"

#include <cmath>
#include <limits>

namespace cns {

TableDef &TableDef::add(const char *name, Type type, int size, bool notNull)
{
    m_columns.append({QString::fromLatin1(name), type, size, notNull});
    return *this;
}

TableDef &TableDef::varchar(const char *name, int size, bool notNull) { return add(name, Type::Varchar, size, notNull); }
TableDef &TableDef::fixed(const char *name, int size, bool notNull) { return add(name, Type::Char, size, notNull); }
TableDef &TableDef::integer(const char *name, bool notNull) { return add(name, Type::Integer, 0, notNull); }
TableDef &TableDef::bigint(const char *name, bool notNull) { return add(name, Type::BigInt, 0, notNull); }
TableDef &TableDef::numeric(const char *name) { return add(name, Type::Numeric, 0, false); }
TableDef &TableDef::timestamp(const char *name) { return add(name, Type::Timestamp, 0, false); }
TableDef &TableDef::blob(const char *name) { return add(name, Type::Blob, 0, false); }

TableDef &TableDef::serial(const char *name)
{
    m_key = {QString::fromLatin1(name)};
    return add(name, Type::Serial, 0, true);
}

TableDef &TableDef::key(std::initializer_list<const char *> columns)
{
    for (const char *c : columns)
        m_key.append(QString::fromLatin1(c));
    return *this;
}

TableDef &TableDef::index(const char *name, const char *columns, bool unique)
{
    m_indexes.append({QString::fromLatin1(name), QString::fromLatin1(columns), unique, {}});
    return *this;
}

TableDef &TableDef::sparseIndex(const char *name, const char *columns, const char *where)
{
    m_indexes.append({QString::fromLatin1(name), QString::fromLatin1(columns), false, QString::fromLatin1(where)});
    return *this;
}

TableDef &TableDef::keyOnly()
{
    m_keyOnly = true;
    return *this;
}

const TableDef::Index *TableDef::index(QStringView name) const
{
    for (const Index &ix : m_indexes) {
        if (ix.name.compare(name, Qt::CaseInsensitive) == 0)
            return &ix;
    }
    return nullptr;
}

QString TableDef::createIndexStatement(const Index &ix) const
{
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)%5")
        .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), ix.name, m_name, ix.columns,
             ix.where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + ix.where);
}

const TableDef::Column *TableDef::column(QStringView name) const
{
    for (const Column &c : m_columns) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

bool TableDef::isKey(QStringView column) const
{
    return m_key.contains(column.toString(), Qt::CaseInsensitive);
}

FieldType TableDef::fieldType(Type type)
{
    switch (type) {
    case Type::Varchar: return FieldType::String;
    case Type::Char: return FieldType::FixedChar;
    case Type::Integer:
    case Type::BigInt:
    case Type::Serial: return FieldType::Integer;
    case Type::Numeric: return FieldType::Float;
    case Type::Timestamp: return FieldType::DateTime;
    case Type::Blob: return FieldType::Blob;
    }
    return FieldType::String;
}

QString TableDef::beyondRange(const Column &c, const Value &v)
{
    if (v.isNull())
        return {};
    switch (c.type) {
    case Type::Numeric: {
        const double d = v.toDouble();
        // A double that reaches the limit cannot be rounded to the decimals below it.
        static const double limit = std::pow(10.0, kNumericDigits - kNumericDecimals);
        if (std::isfinite(d) && std::abs(d) < limit)
            return {};
        return QStringLiteral("o campo %1 aceita números de até %2 dígitos antes da vírgula; veio %3")
            .arg(c.name)
            .arg(kNumericDigits - kNumericDecimals)
            .arg(QString::number(d, 'g', 17).replace(u'.', u','));
    }
    case Type::Integer: {
        const qint64 i = v.toInt();
        if (i >= std::numeric_limits<qint32>::min() && i <= std::numeric_limits<qint32>::max())
            return {};
        return QStringLiteral("o campo %1 aceita inteiros de %2 a %3; veio %4")
            .arg(c.name)
            .arg(std::numeric_limits<qint32>::min())
            .arg(std::numeric_limits<qint32>::max())
            .arg(i);
    }
    case Type::Timestamp: {
        const int year = v.toDateTime().date().year();
        if (year >= 1 && year <= 9999)
            return {};
        return QStringLiteral("o campo %1 aceita datas dos anos 1 a 9999; veio o ano %2").arg(c.name).arg(year);
    }
    case Type::Varchar:
    case Type::Char:
    case Type::BigInt:
    case Type::Blob:
    case Type::Serial: return {};
    }
    return {};
}

QStringList TableDef::createStatements(const SqlDialect &dialect) const
{
    QStringList cols;
    bool serialKey = false;
    for (const Column &c : m_columns) {
        QString type;
        switch (c.type) {
        case Type::Varchar: type = QStringLiteral("VARCHAR(%1)").arg(c.size); break;
        case Type::Char: type = QStringLiteral("CHAR(%1)").arg(c.size); break;
        case Type::Integer: type = QStringLiteral("INTEGER"); break;
        case Type::BigInt: type = QStringLiteral("BIGINT"); break;
        case Type::Numeric: type = dialect.floatType.arg(kNumericDigits).arg(kNumericDecimals); break;
        case Type::Timestamp: type = dialect.timestampType; break;
        case Type::Blob: type = dialect.blobType; break;
        case Type::Serial: serialKey = true; break;
        }
        if (c.type == Type::Serial)
            cols.append(c.name + u' ' + dialect.serialType);
        else
            cols.append(c.name + u' ' + type + (c.notNull || isKey(c.name) ? QStringLiteral(" NOT NULL") : QString()));
    }
    if (!m_key.isEmpty() && !serialKey)
        cols.append(QStringLiteral("PRIMARY KEY (%1)").arg(m_key.join(QStringLiteral(", "))));
    const QString options = m_keyOnly && !m_key.isEmpty() ? dialect.keyOnlyTable : QString();
    QStringList out{QStringLiteral("CREATE TABLE %1 (\n  %2\n)%3").arg(m_name, cols.join(QStringLiteral(",\n  ")), options)};
    for (const Index &ix : m_indexes)
        out.append(createIndexStatement(ix));
    return out;
}

} // namespace cns
