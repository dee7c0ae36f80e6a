#include "JsonReadHandler.h"

#include "JsonCodec.h"
#include "JsonInput.h"
#include "JsonReader.h"
#include "JsonTaggedValue.h"

#include <cstring>

namespace cns {

JsonReadHandler::JsonReadHandler(const JsonInput &input, Top top) : m_input(input)
{
    m_ctx.reserve(JsonCodec::maxDepth + 2);
    m_ctx.push_back(top == Top::Value ? Ctx::Root : Ctx::MembersRoot);
}

JsonReadHandler::JsonReadHandler(const JsonInput &input, JsonComposite composite, int depth)
    : m_input(input), m_depthBase(depth)
{
    m_ctx.reserve(8);
    composite.resumeBody();
    m_composites.push_back(std::move(composite));
    m_ctx.push_back(Ctx::Composite);
}

bool JsonReadHandler::String(const char *utf8, SizeType size, bool)
{
    return guarded([&] {
        refuseLoneSurrogate(utf8, size);
        scalar(JsonToken::text(utf8, size));
    });
}

bool JsonReadHandler::Key(const char *utf8, SizeType size, bool)
{
    return guarded([&] {
        refuseLoneSurrogate(utf8, size);
        key(QByteArrayView(utf8, size));
    });
}

void JsonReadHandler::checkDepth() const
{
    if (int(m_ctx.size()) - 1 + m_depthBase > JsonCodec::maxDepth)
        throw JsonRefusal{QStringLiteral("aninhamento maior que %1 níveis").arg(JsonCodec::maxDepth)};
}

void JsonReadHandler::refuseShape() const
{
    switch (top()) {
    case Ctx::MembersRoot:
    case Ctx::Fields:
    case Ctx::Changes: throw JsonRefusal{QStringLiteral("esperado '{'")};
    default: throw JsonRefusal{QStringLiteral("esperado '['")};
    }
}

// RapidJSON decodes an escaped low surrogate that follows no high one into the three bytes of its
// code point (ED B0..BF ..), which are not UTF-8. Raw such bytes it refuses itself, so these can only
// come from that escape.
void JsonReadHandler::refuseLoneSurrogate(const char *utf8, size_t size)
{
    const char *end = utf8 + size;
    for (const char *p = utf8; (p = static_cast<const char *>(std::memchr(p, 0xED, size_t(end - p)))); ++p) {
        if (end - p > 1 && static_cast<unsigned char>(p[1]) >= 0xA0)
            throw JsonRefusal{QStringLiteral("par substituto inválido"), true};
    }
}

void JsonReadHandler::scalar(const JsonToken &t)
{
    checkDepth();
    switch (top()) {
    case Ctx::Row: m_row.cell(t); return;
    case Ctx::Cell: m_row.tagValue(t); return;
    case Ctx::Skip: return;
    case Ctx::Field: composite().fieldValue(t); return;
    case Ctx::Change: composite().changeValue(t); return;
    case Ctx::Tagged:
        if (t.kind() != JsonToken::Kind::Text)
            throw JsonRefusal{QStringLiteral("\"%1\" deve ser um texto").arg(QString::fromLatin1(m_tag))};
        m_tagText = t.bytes().toByteArray();
        return;
    case Ctx::Root:
    case Ctx::Members:
    case Ctx::Array: deliver(t.toValue()); return;
    default: refuseShape();
    }
}

void JsonReadHandler::key(QByteArrayView key)
{
    switch (top()) {
    case Ctx::Members: m_memberKey = QString::fromUtf8(key); return;
    case Ctx::Object: firstKey(key); return;
    case Ctx::Tagged: throw JsonRefusal{QStringLiteral("esperado '}'")};
    case Ctx::Composite: composite().setMember(key); return;
    case Ctx::Field: composite().fieldKey(key); return;
    case Ctx::Cell: m_row.tagKey(key); return;
    case Ctx::Change: composite().changeKey(key); return;
    default: return; // skipped
    }
}

void JsonReadHandler::firstKey(QByteArrayView key)
{
    if (JsonTaggedValue::isTag(key)) {
        m_tag = key.toByteArray();
        m_tagText.clear();
        m_ctx.back() = Ctx::Tagged;
        return;
    }
    m_composites.emplace_back();
    m_ctx.back() = Ctx::Composite;
    composite().setMember(key);
}

void JsonReadHandler::openObject()
{
    checkDepth();
    switch (top()) {
    case Ctx::Root:
    case Ctx::Members:
    case Ctx::Array: push(Ctx::Object); return;
    case Ctx::MembersRoot: push(Ctx::Members); return;
    case Ctx::Fields:
        composite().beginField();
        push(Ctx::Field);
        return;
    case Ctx::Changes:
        composite().beginChange();
        push(Ctx::Change);
        return;
    case Ctx::Row:
        m_row.beginTagged();
        push(Ctx::Cell);
        return;
    default: openUnwanted();
    }
}

void JsonReadHandler::openArray()
{
    checkDepth();
    switch (top()) {
    case Ctx::Root:
    case Ctx::Members:
    case Ctx::Array:
        m_arrays.emplace_back();
        push(Ctx::Array);
        return;
    case Ctx::Composite: openCompositeMember(); return;
    case Ctx::Rows:
        m_row.start(composite().fields(), composite().nextRowNumber());
        push(Ctx::Row);
        return;
    case Ctx::Change:
        if (!composite().changeWantsRow())
            break;
        m_row.start(composite().fields(), composite().changeNumber());
        push(Ctx::Row);
        return;
    default: break;
    }
    openUnwanted();
}

// An array or object where the context wants a scalar, or a value it skips.
void JsonReadHandler::openUnwanted()
{
    if (top() == Ctx::Skip || (top() == Ctx::Field && composite().skipsFieldValue())) {
        push(Ctx::Skip);
        return;
    }
    scalar(JsonToken::nested()); // refuses, with what the context wanted
}

void JsonReadHandler::openCompositeMember()
{
    JsonComposite &c = composite();
    if (c.member() == JsonComposite::Member::Fields) {
        push(Ctx::Fields);
    } else if (c.hasFields()) {
        c.beginBody();
        push(c.member() == JsonComposite::Member::Rows ? Ctx::Rows : Ctx::Changes);
    } else {
        c.deferBody(openingBracket());
        push(Ctx::Skip);
    }
}

// Where the array that starts now begins. RapidJSON 1.1 tells the handler before it takes the
// bracket; a later one may tell after. A member's value follows ':' or a blank, never a bracket.
size_t JsonReadHandler::openingBracket() const
{
    const size_t at = m_input.Tell();
    return at > 0 && m_input.text()[at - 1] == '[' ? at - 1 : at;
}

void JsonReadHandler::closeObject()
{
    switch (top()) {
    case Ctx::Object: throw JsonRefusal{QStringLiteral("objeto vazio não é um valor")};
    case Ctx::Tagged: closeTagged(); return;
    case Ctx::Composite: closeComposite(); return;
    case Ctx::Field: composite().endField(); break;
    case Ctx::Cell: m_row.endTagged(); break;
    case Ctx::Change: composite().endChange(); break;
    default: break; // Members, Skip
    }
    pop();
}

void JsonReadHandler::closeArray()
{
    switch (top()) {
    case Ctx::Array: {
        QList<Value> items = std::move(m_arrays.back());
        m_arrays.pop_back();
        pop();
        deliver(Value(std::move(items)));
        return;
    }
    case Ctx::Row: {
        Row row = m_row.finish();
        pop();
        if (top() == Ctx::Rows)
            composite().addRow(std::move(row));
        else
            composite().setChangeRow(std::move(row));
        return;
    }
    case Ctx::Fields: composite().endFields(); break;
    default: break; // Rows, Changes, Skip
    }
    pop();
}

void JsonReadHandler::closeTagged()
{
    Value v = JsonTaggedValue::read(m_tag, m_tagText);
    pop();
    deliver(std::move(v));
}

void JsonReadHandler::closeComposite()
{
    JsonComposite &c = composite();
    c.checkComplete();
    if (c.deferredFrom())
        c = JsonReader::readBody(m_input, std::move(c), int(m_ctx.size()) - 1 + m_depthBase);
    Value v = c.take();
    m_composites.pop_back();
    pop();
    deliver(std::move(v));
}

void JsonReadHandler::deliver(Value v)
{
    switch (top()) {
    case Ctx::Root: m_value = std::move(v); return;
    case Ctx::Members: m_members.append({std::exchange(m_memberKey, QString()), std::move(v)}); return;
    default: m_arrays.back().append(std::move(v)); return;
    }
}

} // namespace cns
