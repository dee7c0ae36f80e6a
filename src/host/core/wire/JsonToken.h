#pragma once

#include "Value.h"

#include <QByteArrayView>
#include <cstddef>

namespace cns {

// One value of a JSON text as the reader hands it over: null, a flag, a number's digits, a text's
// UTF-8 (digits and text valid only while the event lasts), or the mere start of an array or object
// where the reading wanted a scalar.
class JsonToken
{
public:
    enum class Kind : unsigned char { Null, Bool, Number, Text, Nested };

    JsonToken() = default;
    static JsonToken flag(bool b);
    static JsonToken number(const char *digits, size_t size);
    static JsonToken text(const char *utf8, size_t size);
    static JsonToken nested();

    Kind kind() const { return m_kind; }
    bool isFlag() const { return m_flag; }
    const char *data() const { return m_data; }
    qsizetype size() const { return qsizetype(m_size); }
    QByteArrayView bytes() const { return QByteArrayView(m_data, qsizetype(m_size)); }

    // An Int when the number has no fraction nor exponent and fits 64 bits, a Float otherwise;
    // refuses a number beyond a double's range.
    Value toNumber() const;
    // The scalar as a wire value (not for Nested).
    Value toValue() const;

private:
    Kind m_kind = Kind::Null;
    bool m_flag = false;
    const char *m_data = nullptr;
    size_t m_size = 0;
};

} // namespace cns
