#include "JsonRowBuilder.h"

#include "EErro.h"
#include "JsonRefusal.h"
#include "JsonTaggedValue.h"

namespace cns {

namespace {

QString expected(FieldType type)
{
    switch (type) {
    case FieldType::String:
    case FieldType::FixedChar: return QStringLiteral("esperado um texto");
    case FieldType::Float:
    case FieldType::Integer: return QStringLiteral("esperado um número");
    case FieldType::Boolean: return QStringLiteral("esperado true ou false");
    case FieldType::DateTime: return QStringLiteral("esperado {\"date\": ...}");
    case FieldType::Blob: break;
    }
    return QStringLiteral("esperado {\"bytes\": ...}");
}

QByteArrayView tagOf(FieldType type)
{
    return type == FieldType::DateTime ? QByteArrayView("date") : QByteArrayView("bytes");
}

} // namespace

void JsonRowBuilder::start(const QList<FieldDef> &fields, qsizetype rowNumber)
{
    m_fields = &fields;
    m_rowNumber = rowNumber;
    m_col = 0;
    m_builder.clear();
}

const FieldDef &JsonRowBuilder::nextField()
{
    if (m_col >= m_fields->size())
        throw EErro(QStringLiteral("Pacote inválido: linha %1 tem mais valores que os %2 campos.")
                        .arg(m_rowNumber)
                        .arg(m_fields->size()));
    return m_fields->at(m_col++);
}

void JsonRowBuilder::refuseCell(const FieldDef &f, const QString &what) const
{
    throw EErro(QStringLiteral("Pacote inválido: linha %1, campo %2 (%3): %4.")
                    .arg(m_rowNumber)
                    .arg(f.name, fieldTypeName(f.type), what));
}

void JsonRowBuilder::cell(const JsonToken &t)
{
    const FieldDef &f = nextField();
    if (t.kind() == JsonToken::Kind::Null) {
        m_builder.addNull();
        return;
    }
    switch (f.type) {
    case FieldType::String:
    case FieldType::FixedChar:
        if (t.kind() != JsonToken::Kind::Text)
            break;
        m_builder.addTextUtf8(t.data(), t.size());
        return;
    case FieldType::Float:
        if (t.kind() != JsonToken::Kind::Number)
            break;
        m_builder.addFloat(t.toNumber().toDouble());
        return;
    case FieldType::Integer: {
        if (t.kind() != JsonToken::Kind::Number)
            break;
        const Value n = t.toNumber();
        if (n.kind() != Value::Kind::Int)
            refuseCell(f, QStringLiteral("esperado um número inteiro"));
        m_builder.addInt(n.toInt());
        return;
    }
    case FieldType::Boolean:
        if (t.kind() != JsonToken::Kind::Bool)
            break;
        m_builder.addBool(t.isFlag());
        return;
    case FieldType::DateTime:
    case FieldType::Blob: break;
    }
    refuseCell(f, expected(f.type));
}

void JsonRowBuilder::beginTagged()
{
    const FieldDef &f = nextField();
    if (f.type != FieldType::DateTime && f.type != FieldType::Blob)
        refuseCell(f, expected(f.type));
    m_tag = Tag::AwaitKey;
}

void JsonRowBuilder::tagKey(QByteArrayView key)
{
    if (m_tag != Tag::AwaitKey)
        throw JsonRefusal{QStringLiteral("esperado '}'")};
    const FieldDef &f = currentField();
    if (key != tagOf(f.type))
        refuseCell(f, expected(f.type));
    m_tag = Tag::AwaitText;
}

void JsonRowBuilder::tagValue(const JsonToken &t)
{
    const FieldDef &f = currentField();
    const QByteArrayView tag = tagOf(f.type);
    if (t.kind() != JsonToken::Kind::Text)
        throw JsonRefusal{QStringLiteral("\"%1\" deve ser um texto").arg(QString::fromLatin1(tag))};
    const Value v = JsonTaggedValue::read(tag, t.bytes());
    if (f.type == FieldType::DateTime)
        m_builder.addDate(v.toDateTime());
    else
        m_builder.addBlob(v.toBytes());
    m_tag = Tag::Done;
}

void JsonRowBuilder::endTagged()
{
    if (m_tag == Tag::AwaitKey)
        refuseCell(currentField(), QStringLiteral("objeto vazio"));
}

Row JsonRowBuilder::finish()
{
    if (m_col != m_fields->size())
        throw EErro(QStringLiteral("Pacote inválido: linha %1 tem %2 valores para %3 campos.")
                        .arg(m_rowNumber)
                        .arg(m_col)
                        .arg(m_fields->size()));
    // Exact-size rows: a packet of many rows holds no spare capacity.
    return m_builder.takeExact();
}

} // namespace cns
