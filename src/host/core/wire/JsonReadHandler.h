#pragma once

#include "JsonComposite.h"
#include "JsonRefusal.h"
#include "JsonRowBuilder.h"
#include "JsonToken.h"
#include "Value.h"

#include <rapidjson/rapidjson.h>

#include <QList>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace cns {

class JsonInput;

// Takes RapidJSON's reading events and builds wire values as they come: arrays and scalars on a
// stack of open contexts, packets and change sets straight into packed rows. What it refuses stops
// the reading: a JsonRefusal is kept for the reader to place, an EErro (a bad row, a bad change)
// goes up as it is.
class JsonReadHandler
{
public:
    using SizeType = rapidjson::SizeType;

    // A whole text of one value (decode), or of one object whose members are wire values (decodeObject).
    enum class Top : unsigned char { Value, Members };

    JsonReadHandler(const JsonInput &input, Top top);
    // The rows or changes of a composite, given before its fields, read again; depth is the nesting
    // of the composite's members.
    JsonReadHandler(const JsonInput &input, JsonComposite composite, int depth);

    bool Null() { return guarded([&] { scalar(JsonToken()); }); }
    bool Bool(bool b) { return guarded([&] { scalar(JsonToken::flag(b)); }); }
    bool RawNumber(const char *digits, SizeType size, bool) { return guarded([&] { scalar(JsonToken::number(digits, size)); }); }
    bool String(const char *utf8, SizeType size, bool);
    bool Key(const char *utf8, SizeType size, bool);
    bool StartObject() { return guarded([&] { openObject(); }); }
    bool EndObject(SizeType) { return guarded([&] { closeObject(); }); }
    bool StartArray() { return guarded([&] { openArray(); }); }
    bool EndArray(SizeType) { return guarded([&] { closeArray(); }); }
    // Numbers arrive as their digits (RawNumber); the reader still wants these to exist.
    bool Int(int) { return false; }
    bool Uint(unsigned) { return false; }
    bool Int64(int64_t) { return false; }
    bool Uint64(uint64_t) { return false; }
    bool Double(double) { return false; }

    const JsonRefusal &refusal() const { return m_refusal; }
    Value takeValue() { return std::move(m_value); }
    QList<std::pair<QString, Value>> takeMembers() { return std::move(m_members); }
    JsonComposite takeComposite() { return std::move(m_composites.back()); }

private:
    enum class Ctx : unsigned char {
        Root,        // the text's one value
        MembersRoot, // the text's one object
        Members,     // inside it: each member a wire value
        Array,
        Object,      // '{' read, its first key tells what it is
        Tagged,      // {"date": ...} or {"bytes": ...}
        Composite,   // a packet or a change set
        Fields,
        Field,
        Skip,        // a field definition's unknown member, or rows and changes to read again
        Rows,
        Row,
        Cell,        // a row's {"date": ...} or {"bytes": ...}
        Changes,
        Change,
    };

    template<typename F>
    bool guarded(F &&f)
    {
        try {
            f();
            return true;
        } catch (JsonRefusal &r) {
            m_refusal = std::move(r);
            return false;
        }
    }

    Ctx top() const { return m_ctx.back(); }
    void push(Ctx c) { m_ctx.push_back(c); }
    void pop() { m_ctx.pop_back(); }
    JsonComposite &composite() { return m_composites.back(); }
    void checkDepth() const;
    [[noreturn]] void refuseShape() const;
    static void refuseLoneSurrogate(const char *utf8, size_t size);

    void scalar(const JsonToken &t);
    void key(QByteArrayView key);
    void firstKey(QByteArrayView key);
    void openObject();
    void openArray();
    void openUnwanted();
    void openCompositeMember();
    void closeObject();
    void closeArray();
    void closeTagged();
    void closeComposite();
    void deliver(Value v);
    size_t openingBracket() const;

    const JsonInput &m_input;
    int m_depthBase = 0;
    std::vector<Ctx> m_ctx;
    std::vector<QList<Value>> m_arrays;
    std::vector<JsonComposite> m_composites;
    JsonRowBuilder m_row;
    QByteArray m_tag;
    QByteArray m_tagText;
    QString m_memberKey;
    Value m_value;
    QList<std::pair<QString, Value>> m_members;
    JsonRefusal m_refusal;
};

} // namespace cns
