#include "JsonReader.h"

#include "EErro.h"
#include "JsonInput.h"
#include "JsonReadHandler.h"

#include <rapidjson/error/error.h>
#include <rapidjson/reader.h>

namespace cns {

namespace {

// Iterative: no recursion on nesting. Stop when done: RapidJSON takes '\0' for the end, and a body
// may hold one after its value; what follows the value is checked here instead.
constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag
                            | rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseStopWhenDoneFlag;

bool isBlank(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

unsigned hex4(const char *p)
{
    unsigned v = 0;
    for (int i = 0; i < 4; ++i)
        v = v * 16 + unsigned(isDigit(p[i]) ? p[i] - '0' : (p[i] | 0x20) - 'a' + 10);
    return v;
}

} // namespace

Value JsonReader::value(QByteArrayView json)
{
    JsonInput input(json.data(), json.data(), json.data() + json.size());
    JsonReadHandler handler(input, JsonReadHandler::Top::Value);
    run(input, handler);
    refuseTrailing(input, QStringLiteral("conteúdo após o fim do valor"));
    return handler.takeValue();
}

QList<std::pair<QString, Value>> JsonReader::members(QByteArrayView json)
{
    JsonInput input(json.data(), json.data(), json.data() + json.size());
    JsonReadHandler handler(input, JsonReadHandler::Top::Members);
    run(input, handler);
    refuseTrailing(input, QStringLiteral("conteúdo após o fim do objeto"));
    return handler.takeMembers();
}

JsonComposite JsonReader::readBody(const JsonInput &whole, JsonComposite composite, int depth)
{
    JsonInput input(whole.text(), whole.text() + *composite.deferredFrom(), whole.end());
    JsonReadHandler handler(input, std::move(composite), depth);
    run(input, handler);
    return handler.takeComposite();
}

void JsonReader::run(JsonInput &input, JsonReadHandler &handler)
{
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<kFlags>(input, handler);
    if (!result.IsError())
        return;
    if (result.Code() != rapidjson::kParseErrorTermination)
        refuse(result.Offset(), syntaxError(result.Code(), input, result.Offset()));
    const JsonRefusal &r = handler.refusal();
    refuse(r.inTextBefore ? loneSurrogateEscape(input.text(), result.Offset()) : result.Offset(), r.what);
}

void JsonReader::refuseTrailing(const JsonInput &input, const QString &what)
{
    const char *p = input.text() + input.Tell();
    while (p < input.end() && isBlank(*p))
        ++p;
    if (p == input.end())
        return;
    const size_t at = size_t(p - input.text());
    refuse(at, leadingZeroAt(input, at) ? QStringLiteral("número com zero à esquerda") : what);
}

void JsonReader::refuse(size_t at, const QString &what)
{
    throw EErro(QStringLiteral("JSON inválido na posição %1: %2.").arg(qulonglong(at)).arg(what));
}

QString JsonReader::syntaxError(int code, const JsonInput &input, size_t at)
{
    const bool atEnd = input.text() + at >= input.end();
    switch (code) {
    case rapidjson::kParseErrorDocumentEmpty:
        return atEnd ? QStringLiteral("texto vazio") : QStringLiteral("valor inesperado");
    case rapidjson::kParseErrorStringUnicodeEscapeInvalidHex: return QStringLiteral("escape \\u com dígito inválido");
    case rapidjson::kParseErrorStringUnicodeSurrogateInvalid: return QStringLiteral("par substituto inválido");
    case rapidjson::kParseErrorStringEscapeInvalid:
        return input.text()[at] == '\\' ? QStringLiteral("escape desconhecido")
                                        : QStringLiteral("caractere de controle dentro de um texto");
    case rapidjson::kParseErrorStringMissQuotationMark:
        // Before the end, the reader stopped at a NUL byte inside the text.
        return atEnd ? QStringLiteral("texto sem aspas de fechamento")
                     : QStringLiteral("caractere de controle dentro de um texto");
    case rapidjson::kParseErrorStringInvalidEncoding: return QStringLiteral("texto que não é UTF-8 válido");
    case rapidjson::kParseErrorNumberTooBig: return QStringLiteral("número fora do intervalo");
    case rapidjson::kParseErrorNumberMissFraction:
    case rapidjson::kParseErrorNumberMissExponent: return QStringLiteral("número mal formado");
    default: break;
    }
    if (atEnd)
        return QStringLiteral("fim inesperado");
    switch (code) {
    case rapidjson::kParseErrorObjectMissName: return QStringLiteral("esperado o nome de um membro entre aspas");
    case rapidjson::kParseErrorObjectMissColon: return QStringLiteral("esperado ':'");
    case rapidjson::kParseErrorObjectMissCommaOrCurlyBracket:
        return leadingZeroAt(input, at) ? QStringLiteral("número com zero à esquerda") : QStringLiteral("esperado ',' ou '}'");
    case rapidjson::kParseErrorArrayMissCommaOrSquareBracket:
        return leadingZeroAt(input, at) ? QStringLiteral("número com zero à esquerda") : QStringLiteral("esperado ',' ou ']'");
    case rapidjson::kParseErrorValueInvalid:
        // "[1,]" and "{"a":}" stop at the bracket.
        if (input.text()[at] == ']' || input.text()[at] == '}')
            return QStringLiteral("esperado um valor antes de '%1'").arg(QLatin1Char(input.text()[at]));
        return QStringLiteral("valor inesperado");
    default: return QStringLiteral("valor inesperado");
    }
}

// RapidJSON ends a number after a leading 0, so "01" stops at its "1": the only way a digit right
// after a 0 is where the reading stopped.
bool JsonReader::leadingZeroAt(const JsonInput &input, size_t at)
{
    const char *p = input.text() + at;
    return at > 0 && p < input.end() && isDigit(*p) && p[-1] == '0';
}

// The escape of the lone low surrogate in the text that ends (after its closing quote) at textEnd.
// Every quote inside a text follows an odd run of backslashes, so the first one back that does not
// opens it. High surrogates were paired by RapidJSON, so the first low one not after a high one is it.
size_t JsonReader::loneSurrogateEscape(const char *text, size_t textEnd)
{
    size_t open = textEnd - 1;
    for (;;) {
        --open;
        if (text[open] != '"')
            continue;
        size_t slashes = 0;
        while (slashes < open && text[open - 1 - slashes] == '\\')
            ++slashes;
        if (slashes % 2 == 0)
            break;
    }
    for (size_t i = open + 1; i + 1 < textEnd; ++i) {
        if (text[i] != '\\')
            continue;
        if (text[++i] != 'u')
            continue;
        const unsigned unit = hex4(text + i + 1);
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return i - 1;
        i += unit >= 0xD800 && unit <= 0xDBFF ? 4 + 6 : 4;
    }
    return textEnd;
}

} // namespace cns
