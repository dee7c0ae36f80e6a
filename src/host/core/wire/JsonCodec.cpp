#include "JsonCodec.h"

#include "ChangeSet.h"
#include "EErro.h"
#include "JsonReader.h"
#include "Packet.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace cns {

namespace {

// ---------------------------------------------------------------- writing

void appendInt(qint64 i, QByteArray &out)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, i);
    out.append(buf, res.ptr - buf);
}

void appendDouble(double d, QByteArray &out)
{
    if (!std::isfinite(d))
        throw EErro(QStringLiteral("Número não finito não pode ser enviado."));
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, d);
    out.append(buf, res.ptr - buf);
    // Keep floats recognisable as such where the reader has no column type to go by.
    if (std::memchr(buf, '.', size_t(res.ptr - buf)) == nullptr && std::memchr(buf, 'e', size_t(res.ptr - buf)) == nullptr)
        out.append(".0", 2);
}

void append2(int v, char *p)
{
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
}

void appendDate(const QDateTime &dt, QByteArray &out)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    if (d.year() < 1 || d.year() > 9999)
        throw EErro(QStringLiteral("Data fora do intervalo de 0001 a 9999."));
    char buf[40];
    std::memcpy(buf, "{\"date\":\"", 9);
    char *p = buf + 9;
    const int y = d.year();
    p[0] = char('0' + y / 1000);
    p[1] = char('0' + (y / 100) % 10);
    p[2] = char('0' + (y / 10) % 10);
    p[3] = char('0' + y % 10);
    p[4] = '-';
    append2(d.month(), p + 5);
    p[7] = '-';
    append2(d.day(), p + 8);
    p[10] = 'T';
    append2(t.hour(), p + 11);
    p[13] = ':';
    append2(t.minute(), p + 14);
    p[16] = ':';
    append2(t.second(), p + 17);
    p += 19;
    if (t.msec() != 0) {
        p[0] = '.';
        p[1] = char('0' + t.msec() / 100);
        p[2] = char('0' + (t.msec() / 10) % 10);
        p[3] = char('0' + t.msec() % 10);
        p += 4;
    }
    p[0] = '"';
    p[1] = '}';
    out.append(buf, p + 2 - buf);
}

void appendBytes(const QByteArray &bytes, QByteArray &out)
{
    out.append("{\"bytes\":\"", 10);
    out.append(bytes.toBase64());
    out.append("\"}", 2);
}

void writeFields(const QList<FieldDef> &fields, QByteArray &out)
{
    out.append("\"fields\":[", 10);
    for (int i = 0; i < fields.size(); ++i) {
        if (i)
            out.append(',');
        out.append("{\"name\":", 8);
        JsonCodec::writeString(fields.at(i).name, out);
        out.append(",\"type\":\"", 9);
        out.append(fieldTypeName(fields.at(i).type).toLatin1());
        out.append("\",\"size\":", 9);
        appendInt(fields.at(i).size, out);
        out.append('}');
    }
    out.append(']');
}

void writeRow(const Row &row, QByteArray &out)
{
    out.append('[');
    Row::Reader r(row);
    bool first = true;
    while (!r.atEnd()) {
        if (!first)
            out.append(',');
        first = false;
        const char *data = nullptr;
        qsizetype size = 0;
        if (r.nextText(&data, &size)) {
            JsonCodec::writeUtf8String(data, size, out);
            continue;
        }
        const Value v = r.next();
        switch (v.kind()) {
        case Value::Kind::Null: out.append("null", 4); break;
        case Value::Kind::Bool: v.toBool() ? out.append("true", 4) : out.append("false", 5); break;
        case Value::Kind::Int: appendInt(v.toInt(), out); break;
        case Value::Kind::Float: appendDouble(v.toDouble(), out); break;
        case Value::Kind::Date: appendDate(v.toDateTime(), out); break;
        case Value::Kind::Bytes: appendBytes(v.toBytes(), out); break;
        default: throw EErro(QStringLiteral("Registro corrompido no pacote."));
        }
    }
    out.append(']');
}

void writeValue(const Value &v, QByteArray &out, int depth)
{
    if (depth > JsonCodec::maxDepth)
        throw EErro(QStringLiteral("Valor aninhado demais para ser enviado."));
    switch (v.kind()) {
    case Value::Kind::Null: out.append("null", 4); return;
    case Value::Kind::Bool: v.toBool() ? out.append("true", 4) : out.append("false", 5); return;
    case Value::Kind::Int: appendInt(v.toInt(), out); return;
    case Value::Kind::Float: appendDouble(v.toDouble(), out); return;
    case Value::Kind::Text: JsonCodec::writeString(v.toString(), out); return;
    case Value::Kind::Date: appendDate(v.toDateTime(), out); return;
    case Value::Kind::Bytes: appendBytes(v.toBytes(), out); return;
    case Value::Kind::Array: {
        out.append('[');
        bool first = true;
        for (const Value &item : v.toArray()) {
            if (!first)
                out.append(',');
            first = false;
            writeValue(item, out, depth + 1);
        }
        out.append(']');
        return;
    }
    case Value::Kind::Packet: {
        const Packet &p = v.toPacket();
        out.append('{');
        writeFields(p.fields(), out);
        out.append(",\"rows\":[", 9);
        bool first = true;
        for (const Row &row : p.rows()) {
            if (!first)
                out.append(',');
            first = false;
            writeRow(row, out);
        }
        out.append("]}", 2);
        return;
    }
    case Value::Kind::ChangeSet: {
        const ChangeSet &cs = v.toChangeSet();
        out.append('{');
        writeFields(cs.fields(), out);
        out.append(",\"changes\":[", 12);
        bool first = true;
        for (const ChangeSet::Change &c : cs.changes()) {
            if (!first)
                out.append(',');
            first = false;
            out.append("{\"op\":\"", 7);
            out.append(ChangeSet::opName(c.op).toLatin1());
            out.append('"');
            if (c.op != ChangeSet::Op::Insert) {
                out.append(",\"old\":", 7);
                writeRow(c.oldRow, out);
            }
            if (c.op != ChangeSet::Op::Delete) {
                out.append(",\"new\":", 7);
                writeRow(c.newRow, out);
            }
            out.append('}');
        }
        out.append("]}", 2);
        return;
    }
    case Value::Kind::Error:
        throw EErro(QStringLiteral("Um valor de erro não é enviado como dado."));
    }
}

} // namespace

void JsonCodec::writeUtf8String(const char *data, qsizetype size, QByteArray &out)
{
    static const char hex[] = "0123456789abcdef";
    out.append('"');
    const char *run = data;
    const char *end = data + size;
    for (const char *p = data; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"': out.append("\\\"", 2); break;
        case '\\': out.append("\\\\", 2); break;
        case '\n': out.append("\\n", 2); break;
        case '\r': out.append("\\r", 2); break;
        case '\t': out.append("\\t", 2); break;
        default: {
            const char esc[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            out.append(esc, 6);
        }
        }
    }
    out.append(run, end - run);
    out.append('"');
}

void JsonCodec::writeString(QStringView s, QByteArray &out)
{
    const QByteArray utf8 = s.toUtf8();
    writeUtf8String(utf8.constData(), utf8.size(), out);
}

void JsonCodec::encode(const Value &v, QByteArray &out)
{
    writeValue(v, out, 0);
}

QByteArray JsonCodec::encode(const Value &v)
{
    QByteArray out;
    encode(v, out);
    return out;
}

QList<std::pair<QString, Value>> JsonCodec::decodeObject(QByteArrayView json)
{
    return JsonReader::members(json);
}

Value JsonCodec::decode(QByteArrayView json)
{
    return JsonReader::value(json);
}

} // namespace cns
