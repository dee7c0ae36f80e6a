#include "JsonComposite.h"

#include "EErro.h"
#include "JsonRefusal.h"

namespace cns {

void JsonComposite::setMember(QByteArrayView key)
{
    if (key == "fields") {
        if (m_fieldsSeen)
            throw JsonRefusal{QStringLiteral("\"fields\" repetido")};
        m_fieldsSeen = true;
        m_member = Member::Fields;
    } else if (key == "rows" || key == "changes") {
        if (m_body)
            throw JsonRefusal{QStringLiteral("\"rows\" ou \"changes\" repetido")};
        m_member = key == "rows" ? Member::Rows : Member::Changes;
        m_body = m_member;
    } else {
        throw JsonRefusal{QStringLiteral("objeto com chave desconhecida \"%1\"").arg(QString::fromUtf8(key))};
    }
}

void JsonComposite::beginField()
{
    m_field = FieldDef();
    m_fieldKey = FieldKey::Other;
    m_hasName = m_hasType = false;
}

void JsonComposite::fieldKey(QByteArrayView key)
{
    m_fieldKey = key == "name" ? FieldKey::Name : key == "type" ? FieldKey::Type : key == "size" ? FieldKey::Size : FieldKey::Other;
}

void JsonComposite::fieldValue(const JsonToken &t)
{
    switch (m_fieldKey) {
    case FieldKey::Name:
        if (t.kind() != JsonToken::Kind::Text)
            throw JsonRefusal{QStringLiteral("nome de campo deve ser texto")};
        m_field.name = QString::fromUtf8(t.bytes());
        m_hasName = true;
        return;
    case FieldKey::Type: {
        if (t.kind() != JsonToken::Kind::Text)
            throw JsonRefusal{QStringLiteral("tipo de campo deve ser texto")};
        const QString name = QString::fromUtf8(t.bytes());
        const auto type = fieldTypeFromName(name);
        if (!type)
            throw EErro(QStringLiteral("Pacote com tipo de campo desconhecido \"%1\"%2.")
                            .arg(name, m_hasName ? QStringLiteral(" no campo ") + m_field.name : QString()));
        m_field.type = *type;
        m_hasType = true;
        return;
    }
    case FieldKey::Size: {
        const Value size = t.kind() == JsonToken::Kind::Number ? t.toNumber() : Value();
        if (size.kind() != Value::Kind::Int || size.toInt() < 0 || size.toInt() > 1 << 30)
            throw JsonRefusal{QStringLiteral("tamanho de campo inválido")};
        m_field.size = int(size.toInt());
        return;
    }
    case FieldKey::Other: return;
    }
}

void JsonComposite::endField()
{
    if (!m_hasName || !m_hasType)
        throw JsonRefusal{QStringLiteral("campo sem nome ou sem tipo")};
    m_fields.append(m_field);
}

void JsonComposite::endFields()
{
    checkFieldDefs(m_fields, QStringLiteral("Pacote"));
    m_hasFields = true;
}

void JsonComposite::beginBody()
{
    m_count = 0;
    if (m_member == Member::Rows)
        m_packet = Packet(m_fields);
    else
        m_changes = ChangeSet(m_fields);
}

void JsonComposite::deferBody(size_t from)
{
    m_deferredFrom = from;
}

void JsonComposite::resumeBody()
{
    m_member = *m_body;
    m_deferredFrom.reset();
}

void JsonComposite::beginChange()
{
    ++m_count;
    m_change = ChangeSet::Change();
    m_changeKey = ChangeKey::Op;
    m_op.clear();
    m_hasOld = m_hasNew = false;
}

void JsonComposite::changeKey(QByteArrayView key)
{
    if (key == "op")
        m_changeKey = ChangeKey::Op;
    else if (key == "old")
        m_changeKey = ChangeKey::Old;
    else if (key == "new")
        m_changeKey = ChangeKey::New;
    else
        throw JsonRefusal{QStringLiteral("chave desconhecida \"%1\" numa alteração").arg(QString::fromUtf8(key))};
}

void JsonComposite::changeValue(const JsonToken &t)
{
    if (m_changeKey != ChangeKey::Op)
        throw JsonRefusal{QStringLiteral("esperado '['")};
    if (t.kind() != JsonToken::Kind::Text)
        throw JsonRefusal{QStringLiteral("\"op\" deve ser um texto")};
    m_op = t.bytes().toByteArray();
}

void JsonComposite::setChangeRow(Row row)
{
    if (m_changeKey == ChangeKey::Old) {
        m_change.oldRow = std::move(row);
        m_hasOld = true;
    } else {
        m_change.newRow = std::move(row);
        m_hasNew = true;
    }
}

void JsonComposite::endChange()
{
    if (m_op == "insert" && m_hasNew && !m_hasOld)
        m_change.op = ChangeSet::Op::Insert;
    else if (m_op == "update" && m_hasNew && m_hasOld)
        m_change.op = ChangeSet::Op::Update;
    else if (m_op == "delete" && m_hasOld && !m_hasNew)
        m_change.op = ChangeSet::Op::Delete;
    else
        throw EErro(QStringLiteral("Alteração %1 inválida: operação \"%2\" com %3.")
                        .arg(m_count)
                        .arg(QString::fromUtf8(m_op),
                             m_hasOld && m_hasNew ? QStringLiteral("\"old\" e \"new\"")
                             : m_hasOld           ? QStringLiteral("só \"old\"")
                             : m_hasNew           ? QStringLiteral("só \"new\"")
                                                  : QStringLiteral("nenhum registro")));
    m_changes.add(std::move(m_change));
}

void JsonComposite::checkComplete() const
{
    if (!m_hasFields || !m_body)
        throw JsonRefusal{QStringLiteral("pacote sem \"fields\" ou sem \"rows\"/\"changes\"")};
}

Value JsonComposite::take()
{
    if (*m_body == Member::Rows)
        return Value(std::move(m_packet));
    return Value(std::move(m_changes));
}

} // namespace cns
