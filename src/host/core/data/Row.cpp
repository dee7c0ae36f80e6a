#include "Row.h"

#include "EErro.h"

#include <cstring>

namespace cns {

namespace {

quint64 readVarint(const char *&p, const char *end)
{
    quint64 v = 0;
    int shift = 0;
    while (p < end) {
        const auto byte = static_cast<unsigned char>(*p++);
        v |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return v;
        shift += 7;
        if (shift > 63)
            break;
    }
    throw EErro(QStringLiteral("Registro corrompido no pacote."));
}

qint64 read64(const char *&p, const char *end)
{
    if (end - p < 8)
        throw EErro(QStringLiteral("Registro corrompido no pacote."));
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v |= quint64(static_cast<unsigned char>(p[i])) << (8 * i);
    p += 8;
    return qint64(v);
}

// Moves p past one value; returns the tag.
unsigned char skipValue(const char *&p, const char *end)
{
    const auto tag = static_cast<unsigned char>(*p++);
    if (tag & Row::TagShortText) {
        p += tag & 0x7f;
    } else {
        switch (tag) {
        case Row::TagNull:
        case Row::TagFalse:
        case Row::TagTrue: break;
        case Row::TagInt: readVarint(p, end); break;
        case Row::TagFloat:
        case Row::TagDate: p += 8; break;
        case Row::TagText:
        case Row::TagBlob: {
            const quint64 n = readVarint(p, end);
            p += n;
            break;
        }
        default: throw EErro(QStringLiteral("Registro corrompido no pacote."));
        }
    }
    if (p > end)
        throw EErro(QStringLiteral("Registro corrompido no pacote."));
    return tag;
}

} // namespace

int Row::count() const
{
    const char *p = m_data.constData();
    const char *end = p + m_data.size();
    int n = 0;
    while (p < end) {
        skipValue(p, end);
        ++n;
    }
    return n;
}

bool Row::locate(int index, const char **begin, const char **end) const
{
    const char *p = m_data.constData();
    const char *e = p + m_data.size();
    for (int i = 0; i < index && p < e; ++i)
        skipValue(p, e);
    if (p >= e || index < 0)
        return false;
    *begin = p;
    skipValue(p, e);
    *end = p;
    return true;
}

Value Row::value(int index) const
{
    const char *b = nullptr;
    const char *e = nullptr;
    if (!locate(index, &b, &e))
        return {};
    Reader r(*this);
    r.m_p = b;
    r.m_end = e;
    return r.next();
}

bool Row::isNull(int index) const
{
    const char *b = nullptr;
    const char *e = nullptr;
    return !locate(index, &b, &e) || static_cast<unsigned char>(*b) == TagNull;
}

Row::Reader::Reader(const Row &row)
    : m_p(row.m_data.constData()), m_end(row.m_data.constData() + row.m_data.size())
{
}

Row::Tag Row::Reader::peekTag() const
{
    const auto tag = static_cast<unsigned char>(*m_p);
    return (tag & TagShortText) ? TagShortText : Tag(tag);
}

void Row::Reader::skip()
{
    skipValue(m_p, m_end);
}

bool Row::Reader::nextText(const char **data, qsizetype *size)
{
    const auto tag = static_cast<unsigned char>(*m_p);
    if (tag & TagShortText) {
        *data = m_p + 1;
        *size = tag & 0x7f;
        m_p += 1 + *size;
        return true;
    }
    if (tag == TagText) {
        const char *p = m_p + 1;
        *size = qsizetype(readVarint(p, m_end));
        *data = p;
        m_p = p + *size;
        return true;
    }
    return false;
}

QString Row::Reader::nextString()
{
    const char *data = nullptr;
    qsizetype size = 0;
    if (nextText(&data, &size))
        return QString::fromUtf8(data, size);
    return next().toString();
}

Value Row::Reader::next()
{
    const auto tag = static_cast<unsigned char>(*m_p);
    if (tag & TagShortText) {
        const int n = tag & 0x7f;
        Value v(QString::fromUtf8(m_p + 1, n));
        m_p += 1 + n;
        return v;
    }
    ++m_p;
    switch (tag) {
    case TagNull: return {};
    case TagFalse: return Value(false);
    case TagTrue: return Value(true);
    case TagInt: {
        const quint64 z = readVarint(m_p, m_end);
        return Value(qint64((z >> 1) ^ (~(z & 1) + 1)));
    }
    case TagFloat: {
        const qint64 bits = read64(m_p, m_end);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return Value(d);
    }
    case TagDate: return Value(QDateTime::fromMSecsSinceEpoch(read64(m_p, m_end), Qt::UTC));
    case TagText:
    case TagBlob: {
        const auto n = qsizetype(readVarint(m_p, m_end));
        if (m_end - m_p < n)
            throw EErro(QStringLiteral("Registro corrompido no pacote."));
        const char *data = m_p;
        m_p += n;
        if (tag == TagText)
            return Value(QString::fromUtf8(data, n));
        return Value::bytes(QByteArray(data, n));
    }
    default: throw EErro(QStringLiteral("Registro corrompido no pacote."));
    }
}

void Row::Builder::addVarint(quint64 v)
{
    char buf[10];
    int n = 0;
    do {
        unsigned char byte = v & 0x7f;
        v >>= 7;
        if (v)
            byte |= 0x80;
        buf[n++] = char(byte);
    } while (v);
    m_data.append(buf, n);
}

void Row::Builder::addLength(unsigned char longTag, qsizetype size)
{
    m_data.append(char(longTag));
    addVarint(quint64(size));
}

void Row::Builder::addInt(qint64 i)
{
    m_data.append(char(TagInt));
    addVarint((quint64(i) << 1) ^ quint64(i >> 63));
}

void Row::Builder::addFloat(double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    char buf[9];
    buf[0] = char(TagFloat);
    for (int i = 0; i < 8; ++i)
        buf[1 + i] = char((bits >> (8 * i)) & 0xff);
    m_data.append(buf, 9);
}

void Row::Builder::addDateMsecs(qint64 msecs)
{
    const auto bits = quint64(msecs);
    char buf[9];
    buf[0] = char(TagDate);
    for (int i = 0; i < 8; ++i)
        buf[1 + i] = char((bits >> (8 * i)) & 0xff);
    m_data.append(buf, 9);
}

void Row::Builder::addDate(const QDateTime &dt)
{
    if (!dt.isValid()) {
        addNull();
        return;
    }
    addDateMsecs(QDateTime(dt.date(), dt.time(), Qt::UTC).toMSecsSinceEpoch());
}

void Row::Builder::addTextUtf8(const char *data, qsizetype size)
{
    if (size < 0x80)
        m_data.append(char(TagShortText | size));
    else
        addLength(TagText, size);
    m_data.append(data, size);
}

bool Row::Builder::addShortAscii(QStringView s)
{
    if (s.size() >= 0x80)
        return false;
    const qsizetype at = m_data.size();
    m_data.resize(at + 1 + s.size());
    char *d = m_data.data() + at;
    *d++ = char(TagShortText | s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0x80) {
            m_data.resize(at);
            return false;
        }
        d[i] = char(c);
    }
    return true;
}

void Row::Builder::addText(QStringView s)
{
    if (s.isEmpty()) {
        m_data.append(char(TagShortText));
        return;
    }
    // ASCII, most texts, is its own UTF-8: written straight into the buffer.
    if (addShortAscii(s))
        return;
    const QByteArray utf8 = s.toUtf8();
    addTextUtf8(utf8.constData(), utf8.size());
}

void Row::Builder::addBlob(const QByteArray &bytes)
{
    addLength(TagBlob, bytes.size());
    m_data.append(bytes);
}

void Row::Builder::addValue(const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::Null: addNull(); break;
    case Value::Kind::Bool: addBool(v.toBool()); break;
    case Value::Kind::Int: addInt(v.toInt()); break;
    case Value::Kind::Float: addFloat(v.toDouble()); break;
    case Value::Kind::Text: addText(v.toString()); break;
    case Value::Kind::Date: addDate(v.toDateTime()); break;
    case Value::Kind::Bytes: addBlob(v.toBytes()); break;
    default:
        throw EErro(QStringLiteral("Um valor do tipo %1 não cabe num registro.").arg(Value::kindName(v.kind())));
    }
}

} // namespace cns
