#pragma once

#include "Value.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <utility>

namespace cns {

// The JSON form of wire values, exact in both directions:
//   null, true/false, numbers, texts, arrays;
//   {"date": "YYYY-MM-DDTHH:MM:SS[.zzz]"}, {"bytes": "<base64>"};
//   a data packet {"fields": [{"name", "type", "size"}...], "rows": [[...], ...]};
//   a change set {"fields": [...], "changes": [{"op": "insert"|"update"|"delete", "old": [...], "new": [...]}]}.
// Packet rows are read straight into packed rows, checked against their columns' types.
// Anything else (bad syntax, an unknown field type, a row of the wrong width, a value of the wrong
// kind, nesting deeper than 64) raises EErro naming what and where.
class JsonCodec
{
public:
    // Deepest nesting of arrays and objects either way; a value inside more is refused.
    static constexpr int maxDepth = 64;

    static QByteArray encode(const Value &v);
    static void encode(const Value &v, QByteArray &out);
    static Value decode(QByteArrayView json);
    // A top-level object of any members (the call envelopes), each member a wire value.
    static QList<std::pair<QString, Value>> decodeObject(QByteArrayView json);

    // Pieces shared with the envelope writer.
    static void writeString(QStringView s, QByteArray &out);
    static void writeUtf8String(const char *data, qsizetype size, QByteArray &out);
};

} // namespace cns
