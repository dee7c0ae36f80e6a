#include "Packet.h"

#include "EErro.h"
#include "FieldText.h"

#include <QSet>

namespace cns {

int Packet::indexOf(QStringView name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

Value Packet::value(qsizetype row, QStringView field) const
{
    const int i = indexOf(field);
    if (i < 0)
        throw EErro(QStringLiteral("Campo %1 não existe no pacote.").arg(field));
    return value(row, i);
}

void Packet::addRow(const QList<Value> &values)
{
    if (values.size() != m_fields.size())
        throw EErro(QStringLiteral("Linha com %1 valores para %2 campos.").arg(values.size()).arg(m_fields.size()));
    Row::Builder b;
    for (int i = 0; i < values.size(); ++i)
        b.addValue(coerceToField(m_fields.at(i), values.at(i)));
    m_rows.push_back(b.take());
}

bool kindFitsType(Value::Kind kind, FieldType type)
{
    if (kind == Value::Kind::Null)
        return true;
    switch (type) {
    case FieldType::String:
    case FieldType::FixedChar: return kind == Value::Kind::Text;
    case FieldType::Float: return kind == Value::Kind::Float;
    case FieldType::Integer: return kind == Value::Kind::Int;
    case FieldType::Boolean: return kind == Value::Kind::Bool;
    case FieldType::DateTime: return kind == Value::Kind::Date;
    case FieldType::Blob: return kind == Value::Kind::Bytes;
    }
    return false;
}

void Packet::checkRow(const Row &row, qsizetype rowNumber) const
{
    Row::Reader r(row);
    int col = 0;
    while (!r.atEnd()) {
        const Value v = r.next();
        if (col >= m_fields.size())
            break;
        if (!kindFitsType(v.kind(), m_fields.at(col).type))
            throw EErro(QStringLiteral("Linha %1, campo %2: valor do tipo %3 num campo do tipo %4.")
                            .arg(rowNumber)
                            .arg(m_fields.at(col).name, Value::kindName(v.kind()),
                                 fieldTypeName(m_fields.at(col).type)));
        ++col;
    }
    const int width = row.count();
    if (width != m_fields.size())
        throw EErro(QStringLiteral("Linha %1 tem %2 valores para %3 campos.").arg(rowNumber).arg(width).arg(m_fields.size()));
}

Value coerceToField(const FieldDef &field, const Value &v)
{
    if (v.isNull())
        return v;
    auto refuse = [&]() -> Value {
        throw EErro(QStringLiteral("Campo %1: valor do tipo %2 não serve a um campo do tipo %3.")
                        .arg(field.name, Value::kindName(v.kind()), fieldTypeName(field.type)));
    };
    switch (field.type) {
    case FieldType::String:
    case FieldType::FixedChar: {
        if (v.kind() == Value::Kind::Error || v.kind() == Value::Kind::Array || v.kind() == Value::Kind::Packet
            || v.kind() == Value::Kind::ChangeSet || v.kind() == Value::Kind::Bytes)
            return refuse();
        QString s = v.toString();
        FieldText::cutToSize(s, field.size);
        return Value(std::move(s));
    }
    case FieldType::Float:
        if (v.kind() == Value::Kind::Float)
            return v;
        if (v.kind() == Value::Kind::Int)
            return Value(v.toDouble());
        if (v.kind() == Value::Kind::Text) {
            bool ok = false;
            const double d = v.toString().trimmed().toDouble(&ok);
            if (ok)
                return Value(d);
        }
        return refuse();
    case FieldType::Integer:
        if (v.kind() == Value::Kind::Int)
            return v;
        if (v.kind() == Value::Kind::Float) {
            const double d = v.toDouble();
            if (d == double(qint64(d)))
                return Value(qint64(d));
        }
        if (v.kind() == Value::Kind::Text) {
            bool ok = false;
            const qint64 i = v.toString().trimmed().toLongLong(&ok);
            if (ok)
                return Value(i);
        }
        return refuse();
    case FieldType::Boolean:
        if (v.kind() == Value::Kind::Bool)
            return v;
        return refuse();
    case FieldType::DateTime:
        if (v.kind() == Value::Kind::Date)
            return v;
        return refuse();
    case FieldType::Blob:
        if (v.kind() == Value::Kind::Bytes)
            return v;
        return refuse();
    }
    return refuse();
}

void checkFieldDefs(const QList<FieldDef> &fields, const QString &what)
{
    QSet<QString> seen;
    for (const FieldDef &f : fields) {
        if (f.name.trimmed().isEmpty())
            throw EErro(QStringLiteral("%1: campo sem nome.").arg(what));
        const QString key = f.name.toUpper();
        if (seen.contains(key))
            throw EErro(QStringLiteral("%1: campo %2 repetido.").arg(what, f.name));
        seen.insert(key);
        if (f.size < 0)
            throw EErro(QStringLiteral("%1: campo %2 com tamanho negativo.").arg(what, f.name));
    }
}

} // namespace cns
