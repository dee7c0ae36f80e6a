#include "JsonCodec.h"

#include "ChangeSet.h"
#include "EErro.h"
#include "Packet.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace cns {

namespace {

constexpr int kMaxDepth = 64;

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
    if (depth > kMaxDepth)
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

// ---------------------------------------------------------------- reading

class Reader
{
public:
    Reader(const char *begin, const char *end) : m_begin(begin), m_p(begin), m_end(end) {}

    Value document()
    {
        Value v = value(0);
        ws();
        if (m_p != m_end)
            fail(QStringLiteral("conteúdo após o fim do valor"));
        return v;
    }

    QList<std::pair<QString, Value>> members()
    {
        QList<std::pair<QString, Value>> out;
        expect('{');
        if (peek() != '}') {
            for (;;) {
                QString key = stringValue();
                expect(':');
                out.append({std::move(key), value(1)});
                if (!more('}'))
                    break;
            }
        } else {
            ++m_p;
        }
        ws();
        if (m_p != m_end)
            fail(QStringLiteral("conteúdo após o fim do objeto"));
        return out;
    }

private:
    [[noreturn]] void fail(const QString &what) const
    {
        throw EErro(QStringLiteral("JSON inválido na posição %1: %2.").arg(m_p - m_begin).arg(what));
    }

    // After an element of an array or an object: true when another follows, false at its end.
    bool more(char close)
    {
        const char sep = peek();
        ++m_p;
        if (sep == close)
            return false;
        if (sep != ',')
            fail(QStringLiteral("esperado ',' ou '%1'").arg(QLatin1Char(close)));
        return true;
    }

    void ws()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }

    char peek()
    {
        ws();
        if (m_p >= m_end)
            fail(QStringLiteral("fim inesperado"));
        return *m_p;
    }

    void expect(char c)
    {
        if (peek() != c)
            fail(QStringLiteral("esperado '%1'").arg(QLatin1Char(c)));
        ++m_p;
    }

    bool literal(const char *word, qsizetype n)
    {
        if (m_end - m_p >= n && std::memcmp(m_p, word, size_t(n)) == 0) {
            m_p += n;
            return true;
        }
        return false;
    }

    Value value(int depth)
    {
        if (depth > kMaxDepth)
            fail(QStringLiteral("aninhamento maior que %1 níveis").arg(kMaxDepth));
        const char c = peek();
        switch (c) {
        case 'n':
            if (literal("null", 4))
                return {};
            break;
        case 't':
            if (literal("true", 4))
                return Value(true);
            break;
        case 'f':
            if (literal("false", 5))
                return Value(false);
            break;
        case '"': {
            QByteArray s;
            string(s);
            return Value(QString::fromUtf8(s));
        }
        case '[': {
            ++m_p;
            QList<Value> items;
            if (peek() == ']') {
                ++m_p;
                return Value(std::move(items));
            }
            for (;;) {
                items.append(value(depth + 1));
                if (!more(']'))
                    break;
            }
            return Value(std::move(items));
        }
        case '{': return object(depth);
        default:
            if (c == '-' || (c >= '0' && c <= '9'))
                return number();
            break;
        }
        fail(QStringLiteral("valor inesperado"));
    }

    Value number()
    {
        const char *start = m_p;
        bool isFloat = false;
        if (m_p < m_end && *m_p == '-')
            ++m_p;
        if (m_p >= m_end || !(*m_p >= '0' && *m_p <= '9'))
            fail(QStringLiteral("número mal formado"));
        if (*m_p == '0' && m_p + 1 < m_end && m_p[1] >= '0' && m_p[1] <= '9')
            fail(QStringLiteral("número com zero à esquerda"));
        while (m_p < m_end && *m_p >= '0' && *m_p <= '9')
            ++m_p;
        if (m_p < m_end && *m_p == '.') {
            isFloat = true;
            ++m_p;
            if (m_p >= m_end || !(*m_p >= '0' && *m_p <= '9'))
                fail(QStringLiteral("número mal formado"));
            while (m_p < m_end && *m_p >= '0' && *m_p <= '9')
                ++m_p;
        }
        if (m_p < m_end && (*m_p == 'e' || *m_p == 'E')) {
            isFloat = true;
            ++m_p;
            if (m_p < m_end && (*m_p == '+' || *m_p == '-'))
                ++m_p;
            if (m_p >= m_end || !(*m_p >= '0' && *m_p <= '9'))
                fail(QStringLiteral("número mal formado"));
            while (m_p < m_end && *m_p >= '0' && *m_p <= '9')
                ++m_p;
        }
        if (!isFloat) {
            qint64 i = 0;
            const auto res = std::from_chars(start, m_p, i);
            if (res.ec == std::errc() && res.ptr == m_p)
                return Value(i);
        }
        double d = 0;
        const auto res = std::from_chars(start, m_p, d);
        if (res.ec != std::errc() || res.ptr != m_p)
            fail(QStringLiteral("número fora do intervalo"));
        return Value(d);
    }

    static void appendUtf8(quint32 cp, QByteArray &out)
    {
        if (cp < 0x80) {
            out.append(char(cp));
        } else if (cp < 0x800) {
            out.append(char(0xC0 | (cp >> 6)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.append(char(0xE0 | (cp >> 12)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else {
            out.append(char(0xF0 | (cp >> 18)));
            out.append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        }
    }

    quint32 hex4()
    {
        if (m_end - m_p < 4)
            fail(QStringLiteral("escape \\u incompleto"));
        quint32 v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *m_p++;
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= quint32(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= quint32(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= quint32(c - 'A' + 10);
            else
                fail(QStringLiteral("escape \\u com dígito inválido"));
        }
        return v;
    }

    // Length of a valid UTF-8 sequence starting at p, 0 when invalid.
    int utf8Sequence(const unsigned char *p) const
    {
        const auto left = m_end - reinterpret_cast<const char *>(p);
        const unsigned char c = p[0];
        auto cont = [&](int i) { return i < left && (p[i] & 0xC0) == 0x80; };
        if (c >= 0xC2 && c <= 0xDF)
            return cont(1) ? 2 : 0;
        if (c >= 0xE0 && c <= 0xEF) {
            if (!cont(1) || !cont(2))
                return 0;
            if (c == 0xE0 && p[1] < 0xA0)
                return 0;
            if (c == 0xED && p[1] >= 0xA0)
                return 0; // surrogates
            return 3;
        }
        if (c >= 0xF0 && c <= 0xF4) {
            if (!cont(1) || !cont(2) || !cont(3))
                return 0;
            if (c == 0xF0 && p[1] < 0x90)
                return 0;
            if (c == 0xF4 && p[1] >= 0x90)
                return 0;
            return 4;
        }
        return 0;
    }

    // Reads a JSON string (the cursor on its opening quote) as UTF-8 into out.
    void string(QByteArray &out)
    {
        expect('"');
        out.clear();
        for (;;) {
            const char *run = m_p;
            while (m_p < m_end) {
                const auto c = static_cast<unsigned char>(*m_p);
                if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
                    break;
                ++m_p;
            }
            out.append(run, m_p - run);
            if (m_p >= m_end)
                fail(QStringLiteral("texto sem aspas de fechamento"));
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                ++m_p;
                return;
            }
            if (c < 0x20)
                fail(QStringLiteral("caractere de controle dentro de um texto"));
            if (c >= 0x80) {
                const int n = utf8Sequence(reinterpret_cast<const unsigned char *>(m_p));
                if (n == 0)
                    fail(QStringLiteral("texto que não é UTF-8 válido"));
                out.append(m_p, n);
                m_p += n;
                continue;
            }
            ++m_p; // backslash
            if (m_p >= m_end)
                fail(QStringLiteral("escape incompleto"));
            const char e = *m_p++;
            switch (e) {
            case '"': out.append('"'); break;
            case '\\': out.append('\\'); break;
            case '/': out.append('/'); break;
            case 'b': out.append('\b'); break;
            case 'f': out.append('\f'); break;
            case 'n': out.append('\n'); break;
            case 'r': out.append('\r'); break;
            case 't': out.append('\t'); break;
            case 'u': {
                quint32 cp = hex4();
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (!(m_end - m_p >= 2 && m_p[0] == '\\' && m_p[1] == 'u'))
                        fail(QStringLiteral("par substituto incompleto"));
                    m_p += 2;
                    const quint32 low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        fail(QStringLiteral("par substituto inválido"));
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    fail(QStringLiteral("par substituto inválido"));
                }
                appendUtf8(cp, out);
                break;
            }
            default: fail(QStringLiteral("escape desconhecido"));
            }
        }
    }

    QString stringValue()
    {
        QByteArray s;
        string(s);
        return QString::fromUtf8(s);
    }

    void skip(int depth)
    {
        if (depth > kMaxDepth)
            fail(QStringLiteral("aninhamento maior que %1 níveis").arg(kMaxDepth));
        const char c = peek();
        if (c == '"') {
            QByteArray s;
            string(s);
        } else if (c == '[' || c == '{') {
            const char close = c == '[' ? ']' : '}';
            ++m_p;
            if (peek() == close) {
                ++m_p;
                return;
            }
            for (;;) {
                if (c == '{') {
                    QByteArray key;
                    string(key);
                    expect(':');
                }
                skip(depth + 1);
                if (!more(close))
                    return;
            }
        } else {
            value(depth);
        }
    }

    static bool parseDate(const QByteArray &s, QDateTime *out)
    {
        auto digits = [&](int at, int n, int *v) {
            if (at + n > s.size())
                return false;
            int r = 0;
            for (int i = 0; i < n; ++i) {
                const char c = s.at(at + i);
                if (c < '0' || c > '9')
                    return false;
                r = r * 10 + (c - '0');
            }
            *v = r;
            return true;
        };
        int y, mo, d, h = 0, mi = 0, se = 0, ms = 0;
        if (!digits(0, 4, &y) || s.size() < 10 || s.at(4) != '-' || !digits(5, 2, &mo) || s.at(7) != '-'
            || !digits(8, 2, &d))
            return false;
        if (s.size() > 10) {
            if (s.size() < 19 || s.at(10) != 'T' || !digits(11, 2, &h) || s.at(13) != ':' || !digits(14, 2, &mi)
                || s.at(16) != ':' || !digits(17, 2, &se))
                return false;
            if (s.size() > 19) {
                if (s.size() != 23 || s.at(19) != '.' || !digits(20, 3, &ms))
                    return false;
            }
        }
        const QDate date(y, mo, d);
        const QTime time(h, mi, se, ms);
        if (!date.isValid() || !time.isValid())
            return false;
        *out = QDateTime(date, time, Qt::UTC);
        return true;
    }

    // The body of {"date": ...} or {"bytes": ...} after its key; returns the value and eats the '}'.
    Value taggedScalar(const QByteArray &key)
    {
        if (peek() != '"')
            fail(QStringLiteral("\"%1\" deve ser um texto").arg(QString::fromUtf8(key)));
        QByteArray s;
        string(s);
        expect('}');
        if (key == "date") {
            QDateTime dt;
            if (!parseDate(s, &dt))
                fail(QStringLiteral("data inválida \"%1\"").arg(QString::fromUtf8(s)));
            return Value(dt);
        }
        auto decoded = QByteArray::fromBase64Encoding(s, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            fail(QStringLiteral("base64 inválido"));
        return Value::bytes(std::move(*decoded));
    }

    QList<FieldDef> fieldDefs()
    {
        QList<FieldDef> fields;
        expect('[');
        if (peek() == ']') {
            ++m_p;
            return fields;
        }
        for (;;) {
            expect('{');
            FieldDef f;
            bool hasName = false, hasType = false;
            if (peek() != '}') {
                for (;;) {
                    QByteArray key;
                    string(key);
                    expect(':');
                    if (key == "name") {
                        if (peek() != '"')
                            fail(QStringLiteral("nome de campo deve ser texto"));
                        f.name = stringValue();
                        hasName = true;
                    } else if (key == "type") {
                        if (peek() != '"')
                            fail(QStringLiteral("tipo de campo deve ser texto"));
                        const QString t = stringValue();
                        const auto type = fieldTypeFromName(t);
                        if (!type)
                            throw EErro(QStringLiteral("Pacote com tipo de campo desconhecido \"%1\"%2.")
                                            .arg(t, hasName ? QStringLiteral(" no campo ") + f.name : QString()));
                        f.type = *type;
                        hasType = true;
                    } else if (key == "size") {
                        const Value size = number();
                        if (size.kind() != Value::Kind::Int || size.toInt() < 0 || size.toInt() > 1 << 30)
                            fail(QStringLiteral("tamanho de campo inválido"));
                        f.size = int(size.toInt());
                    } else {
                        skip(2);
                    }
                    if (!more('}'))
                        break;
                }
            } else {
                ++m_p;
            }
            if (!hasName || !hasType)
                fail(QStringLiteral("campo sem nome ou sem tipo"));
            fields.append(f);
            if (!more(']'))
                break;
        }
        checkFieldDefs(fields, QStringLiteral("Pacote"));
        return fields;
    }

    [[noreturn]] void failCell(const FieldDef &f, qsizetype row, const char *what)
    {
        throw EErro(QStringLiteral("Pacote inválido: linha %1, campo %2 (%3): %4.")
                        .arg(row)
                        .arg(f.name, fieldTypeName(f.type), QString::fromUtf8(what)));
    }

    void cell(const FieldDef &f, qsizetype rowNo, Row::Builder &b, QByteArray &scratch)
    {
        const char c = peek();
        if (c == 'n') {
            if (!literal("null", 4))
                fail(QStringLiteral("valor inesperado"));
            b.addNull();
            return;
        }
        switch (f.type) {
        case FieldType::String:
        case FieldType::FixedChar:
            if (c != '"')
                failCell(f, rowNo, "esperado um texto");
            string(scratch);
            b.addTextUtf8(scratch.constData(), scratch.size());
            return;
        case FieldType::Float:
        case FieldType::Integer: {
            if (!(c == '-' || (c >= '0' && c <= '9')))
                failCell(f, rowNo, "esperado um número");
            const Value n = number();
            if (f.type == FieldType::Float)
                b.addFloat(n.toDouble());
            else if (n.kind() == Value::Kind::Int)
                b.addInt(n.toInt());
            else
                failCell(f, rowNo, "esperado um número inteiro");
            return;
        }
        case FieldType::Boolean:
            if (literal("true", 4))
                b.addBool(true);
            else if (literal("false", 5))
                b.addBool(false);
            else
                failCell(f, rowNo, "esperado true ou false");
            return;
        case FieldType::DateTime:
        case FieldType::Blob: {
            if (c != '{')
                failCell(f, rowNo, f.type == FieldType::DateTime ? "esperado {\"date\": ...}" : "esperado {\"bytes\": ...}");
            ++m_p;
            QByteArray key;
            if (peek() != '"')
                failCell(f, rowNo, "objeto vazio");
            string(key);
            expect(':');
            const bool wantDate = f.type == FieldType::DateTime;
            if (key != (wantDate ? QByteArrayView("date") : QByteArrayView("bytes")))
                failCell(f, rowNo, wantDate ? "esperado {\"date\": ...}" : "esperado {\"bytes\": ...}");
            const Value v = taggedScalar(key);
            if (wantDate)
                b.addDate(v.toDateTime());
            else
                b.addBlob(v.toBytes());
            return;
        }
        }
    }

    Row row(const QList<FieldDef> &fields, qsizetype rowNo, QByteArray &scratch)
    {
        expect('[');
        Row::Builder b(qsizetype(fields.size()) * 4);
        int col = 0;
        if (peek() == ']') {
            ++m_p;
        } else {
            for (;;) {
                if (col >= fields.size())
                    throw EErro(QStringLiteral("Pacote inválido: linha %1 tem mais valores que os %2 campos.")
                                    .arg(rowNo)
                                    .arg(fields.size()));
                cell(fields.at(col), rowNo, b, scratch);
                ++col;
                if (!more(']'))
                    break;
            }
        }
        if (col != fields.size())
            throw EErro(QStringLiteral("Pacote inválido: linha %1 tem %2 valores para %3 campos.")
                            .arg(rowNo)
                            .arg(col)
                            .arg(fields.size()));
        return b.take();
    }

    template<typename F>
    void arrayOf(F &&each)
    {
        expect('[');
        if (peek() == ']') {
            ++m_p;
            return;
        }
        qsizetype n = 1;
        for (;;) {
            each(n++);
            if (!more(']'))
                return;
        }
    }

    void rows(const QList<FieldDef> &fields, Packet &packet)
    {
        QByteArray scratch;
        arrayOf([&](qsizetype n) { packet.appendRow(row(fields, n, scratch)); });
    }

    void changes(const QList<FieldDef> &fields, ChangeSet &cs)
    {
        QByteArray scratch;
        arrayOf([&](qsizetype n) {
            expect('{');
            ChangeSet::Change c;
            QByteArray op;
            bool hasOld = false, hasNew = false;
            for (;;) {
                QByteArray key;
                string(key);
                expect(':');
                if (key == "op") {
                    string(op);
                } else if (key == "old") {
                    c.oldRow = row(fields, n, scratch);
                    hasOld = true;
                } else if (key == "new") {
                    c.newRow = row(fields, n, scratch);
                    hasNew = true;
                } else {
                    fail(QStringLiteral("chave desconhecida \"%1\" numa alteração").arg(QString::fromUtf8(key)));
                }
                if (!more('}'))
                    break;
            }
            if (op == "insert" && hasNew && !hasOld)
                c.op = ChangeSet::Op::Insert;
            else if (op == "update" && hasNew && hasOld)
                c.op = ChangeSet::Op::Update;
            else if (op == "delete" && hasOld && !hasNew)
                c.op = ChangeSet::Op::Delete;
            else
                throw EErro(QStringLiteral("Alteração %1 inválida: operação \"%2\" com %3.")
                                .arg(n)
                                .arg(QString::fromUtf8(op),
                                     hasOld && hasNew ? QStringLiteral("\"old\" e \"new\"")
                                     : hasOld         ? QStringLiteral("só \"old\"")
                                     : hasNew         ? QStringLiteral("só \"new\"")
                                                      : QStringLiteral("nenhum registro")));
            cs.add(std::move(c));
        });
    }

    Value object(int depth)
    {
        expect('{');
        if (peek() == '}')
            fail(QStringLiteral("objeto vazio não é um valor"));
        QByteArray key;
        string(key);
        expect(':');
        if (key == "date" || key == "bytes")
            return taggedScalar(key);

        // A packet or a change set. Its rows need the field list; should it come after them, the rows
        // are skipped first and read again once the fields are known.
        QList<FieldDef> fields;
        bool hasFields = false;
        const char *rowsAt = nullptr;
        QByteArray rowsKey;
        for (;;) {
            if (key == "fields") {
                if (hasFields)
                    fail(QStringLiteral("\"fields\" repetido"));
                fields = fieldDefs();
                hasFields = true;
            } else if (key == "rows" || key == "changes") {
                if (rowsAt)
                    fail(QStringLiteral("\"rows\" ou \"changes\" repetido"));
                rowsKey = key;
                rowsAt = m_p;
                skip(depth + 1);
            } else {
                fail(QStringLiteral("objeto com chave desconhecida \"%1\"").arg(QString::fromUtf8(key)));
            }
            if (!more('}'))
                break;
            string(key);
            expect(':');
        }
        if (!hasFields || !rowsAt)
            fail(QStringLiteral("pacote sem \"fields\" ou sem \"rows\"/\"changes\""));
        const char *after = m_p;
        m_p = rowsAt;
        Value result;
        if (rowsKey == "rows") {
            Packet packet(fields);
            rows(fields, packet);
            result = Value(std::move(packet));
        } else {
            ChangeSet cs(fields);
            changes(fields, cs);
            result = Value(std::move(cs));
        }
        m_p = after;
        return result;
    }

    const char *m_begin;
    const char *m_p;
    const char *m_end;
};

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
    Reader r(json.data(), json.data() + json.size());
    return r.members();
}

Value JsonCodec::decode(QByteArrayView json)
{
    Reader r(json.data(), json.data() + json.size());
    return r.document();
}

} // namespace cns
