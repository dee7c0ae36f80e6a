#pragma once

#include "Value.h"

#include <QByteArrayView>

namespace cns {

// The scalars JSON has no form for, each an object of one member holding a text:
// {"date": "YYYY-MM-DD[THH:MM:SS[.zzz]]"} and {"bytes": "<base64>"}.
class JsonTaggedValue
{
public:
    static bool isTag(QByteArrayView key) { return key == "date" || key == "bytes"; }
    // The value of tag's text; refuses (JsonRefusal) a date that does not exist or bad base64.
    static Value read(QByteArrayView tag, QByteArrayView text);

private:
    static bool parseDate(QByteArrayView s, QDateTime *out);
};

} // namespace cns
