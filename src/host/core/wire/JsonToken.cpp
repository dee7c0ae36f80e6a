#include "JsonToken.h"

#include "JsonRefusal.h"

#include <algorithm>
#include <charconv>

namespace cns {

JsonToken JsonToken::flag(bool b)
{
    JsonToken t;
    t.m_kind = Kind::Bool;
    t.m_flag = b;
    return t;
}

JsonToken JsonToken::number(const char *digits, size_t size)
{
    JsonToken t;
    t.m_kind = Kind::Number;
    t.m_data = digits;
    t.m_size = size;
    return t;
}

JsonToken JsonToken::text(const char *utf8, size_t size)
{
    JsonToken t = number(utf8, size);
    t.m_kind = Kind::Text;
    return t;
}

JsonToken JsonToken::nested()
{
    JsonToken t;
    t.m_kind = Kind::Nested;
    return t;
}

Value JsonToken::toNumber() const
{
    const char *end = m_data + m_size;
    // Integers stay exact beyond 2^53: only a number written with a fraction or exponent is a float.
    if (std::none_of(m_data, end, [](char c) { return c == '.' || c == 'e' || c == 'E'; })) {
        qint64 i = 0;
        const auto res = std::from_chars(m_data, end, i);
        if (res.ec == std::errc() && res.ptr == end)
            return Value(i);
    }
    double d = 0;
    const auto res = std::from_chars(m_data, end, d);
    if (res.ec != std::errc() || res.ptr != end)
        throw JsonRefusal{QStringLiteral("número fora do intervalo")};
    return Value(d);
}

Value JsonToken::toValue() const
{
    switch (m_kind) {
    case Kind::Bool: return Value(m_flag);
    case Kind::Number: return toNumber();
    case Kind::Text: return Value(QString::fromUtf8(m_data, qsizetype(m_size)));
    case Kind::Null:
    case Kind::Nested: break;
    }
    return {};
}

} // namespace cns
