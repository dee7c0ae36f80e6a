#pragma once

#include "JsonComposite.h"
#include "Value.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <utility>

namespace cns {

class JsonInput;
class JsonReadHandler;

// Reads JSON texts (RFC 8259) into wire values with RapidJSON's event reader: iterative, so deep
// nesting costs no stack, and with the numbers handed over as their digits, so integers stay exact.
// A text it refuses raises EErro "JSON inválido na posição N: <what>." with N counted in bytes.
class JsonReader
{
public:
    static Value value(QByteArrayView json);
    static QList<std::pair<QString, Value>> members(QByteArrayView json);
    // A composite whose rows or changes came before its fields, with them read now that the fields
    // are known; depth is the nesting of the composite's members.
    static JsonComposite readBody(const JsonInput &whole, JsonComposite composite, int depth);

private:
    static void run(JsonInput &input, JsonReadHandler &handler);
    static void refuseTrailing(const JsonInput &input, const QString &what);
    [[noreturn]] static void refuse(size_t at, const QString &what);
    static QString syntaxError(int code, const JsonInput &input, size_t at);
    static bool leadingZeroAt(const JsonInput &input, size_t at);
    static size_t loneSurrogateEscape(const char *text, size_t textEnd);
};

} // namespace cns
