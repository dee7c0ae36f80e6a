#include "HttpRequestHead.h"

#include <QList>
#include <QStringDecoder>

namespace cns {

namespace {

constexpr qsizetype kMaxCallId = 100;
constexpr qsizetype kMaxOriginChars = 40; // an operator's code or a branch's, with room to spare

bool isTokenChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView s)
{
    if (s.isEmpty())
        return false;
    for (const char c : s) {
        if (!isTokenChar(c))
            return false;
    }
    return true;
}

bool allDigits(QByteArrayView s)
{
    if (s.isEmpty() || s.size() > 15)
        return false;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView s)
{
    while (!s.isEmpty() && (s.front() == ' ' || s.front() == '\t'))
        s = s.sliced(1);
    while (!s.isEmpty() && (s.back() == ' ' || s.back() == '\t'))
        s.chop(1);
    return s;
}

// The lines of the head, each without its CRLF (or a bare LF, which readers commonly take too).
// False when a CR stands anywhere but before a LF.
bool splitLines(QByteArrayView head, QList<QByteArrayView> *lines)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= head.size(); ++i) {
        if (i < head.size() && head[i] != '\n') {
            if (head[i] == '\r' && !(i + 1 < head.size() && head[i + 1] == '\n'))
                return false;
            continue;
        }
        QByteArrayView line = head.sliced(start, i - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines->append(line);
        start = i + 1;
    }
    return true;
}

bool refuse(int status, const QString &text, int *outStatus, QString *error)
{
    *outStatus = status;
    *error = text;
    return false;
}

bool parseRequestLine(QByteArrayView line, HttpRequestHead *out, int *status, QString *error)
{
    const qsizetype a = line.indexOf(' ');
    const qsizetype b = a < 0 ? -1 : line.indexOf(' ', a + 1);
    if (a <= 0 || b < 0 || b == a + 1 || line.indexOf(' ', b + 1) >= 0)
        return refuse(400, QStringLiteral("Requisição HTTP mal formada."), status, error);
    out->method = line.first(a).toByteArray();
    out->path = line.sliced(a + 1, b - a - 1).toByteArray();
    out->version = line.sliced(b + 1).toByteArray();
    if (!isToken(out->method))
        return refuse(400, QStringLiteral("Requisição HTTP mal formada."), status, error);
    if (out->version != "HTTP/1.1" && out->version != "HTTP/1.0")
        return refuse(out->version.startsWith("HTTP/") ? 505 : 400, QStringLiteral("Versão de HTTP não suportada: use HTTP/1.1 ou HTTP/1.0."),
                      status, error);
    out->keepAlive = out->version == "HTTP/1.1";
    return true;
}

// An origin header (X-Cns-Operador, X-Cns-Filial): percent-encoded UTF-8 as the host sends it, or
// plain text as a hand-made call may; printable, short.
bool parseOrigin(QByteArrayView name, QByteArrayView value, QString *out, int *status, QString *error)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(value.toByteArray());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    bool printable = !utf8.hasError() && text.size() <= kMaxOriginChars;
    for (const QChar c : text)
        printable = printable && c.isPrint();
    if (!printable)
        return refuse(400, QStringLiteral("%1 inválido: até %2 caracteres imprimíveis, em UTF-8 codificado com %.")
                               .arg(QString::fromLatin1(name))
                               .arg(kMaxOriginChars),
                      status, error);
    *out = text;
    return true;
}

bool parseField(QByteArrayView name, QByteArrayView value, bool *sawLength, HttpRequestHead *out, int *status, QString *error)
{
    const QByteArray lower = name.toByteArray().toLower();
    if (lower == "content-length") {
        if (*sawLength)
            return refuse(400, QStringLiteral("Content-Length repetido."), status, error);
        *sawLength = true;
        if (!allDigits(value))
            return refuse(400, QStringLiteral("Content-Length inválido."), status, error);
        out->length = value.toLongLong();
    } else if (lower == "transfer-encoding") {
        out->chunked = true;
    } else if (lower == "connection") {
        const QByteArray v = value.toByteArray().toLower();
        if (v.contains("close"))
            out->keepAlive = false;
        else if (v.contains("keep-alive"))
            out->keepAlive = true;
    } else if (lower == "authorization") {
        out->authorization = value.toByteArray();
    } else if (lower == "expect") {
        out->expectContinue = value.toByteArray().toLower() == "100-continue";
    } else if (lower == "x-cns-chamada") {
        if (value.isEmpty() || value.size() > kMaxCallId || !isToken(value))
            return refuse(400, QStringLiteral("X-Cns-Chamada inválido: até %1 letras, dígitos ou '-'.").arg(kMaxCallId), status, error);
        out->callId = value.toByteArray();
    } else if (lower == "x-cns-operador") {
        return parseOrigin("X-Cns-Operador", value, &out->origin.operador, status, error);
    } else if (lower == "x-cns-filial") {
        return parseOrigin("X-Cns-Filial", value, &out->origin.filial, status, error);
    }
    return true;
}

} // namespace

bool HttpRequestHead::parse(QByteArrayView head, HttpRequestHead *out, int *status, QString *error)
{
    *out = HttpRequestHead();
    QList<QByteArrayView> lines;
    if (!splitLines(head, &lines))
        return refuse(400, QStringLiteral("Requisição HTTP mal formada: CR fora do fim de linha."), status, error);
    if (!parseRequestLine(lines.value(0), out, status, error))
        return false;
    bool sawLength = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = lines.at(i);
        if (line.startsWith(' ') || line.startsWith('\t'))
            return refuse(400, QStringLiteral("Cabeçalho HTTP em linha dobrada não é aceito."), status, error);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.first(colon)))
            return refuse(400, QStringLiteral("Linha de cabeçalho HTTP mal formada."), status, error);
        if (!parseField(line.first(colon), trimmed(line.sliced(colon + 1)), &sawLength, out, status, error))
            return false;
    }
    if (out->chunked && sawLength)
        return refuse(400, QStringLiteral("Content-Length junto com Transfer-Encoding não é aceito."), status, error);
    return true;
}

} // namespace cns
