#include "JsonTaggedValue.h"

#include "JsonRefusal.h"

namespace cns {

Value JsonTaggedValue::read(QByteArrayView tag, QByteArrayView text)
{
    if (tag == "date") {
        QDateTime dt;
        if (!parseDate(text, &dt))
            throw JsonRefusal{QStringLiteral("data inválida \"%1\"").arg(QString::fromUtf8(text))};
        return Value(dt);
    }
    auto decoded = QByteArray::fromBase64Encoding(text.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw JsonRefusal{QStringLiteral("base64 inválido")};
    return Value::bytes(std::move(*decoded));
}

bool JsonTaggedValue::parseDate(QByteArrayView s, QDateTime *out)
{
    auto digits = [&](qsizetype at, int n, int *v) {
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

} // namespace cns
