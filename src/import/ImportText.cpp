#include "ImportText.h"

namespace cns::import {

namespace ImportText {

namespace {

// 0x80-0x9F of Windows-1252; the five unassigned bytes stay as their Latin-1 control characters.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// True when the bytes are well-formed UTF-8 holding at least one multi-byte sequence.
bool isMultiByteUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto *end = p + bytes.size();
    bool multi = false;
    while (p < end) {
        const unsigned char c = *p;
        int follow = 0;
        if (c < 0x80) {
            ++p;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF)
            follow = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            follow = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            follow = 3;
        else
            return false;
        if (end - p <= follow)
            return false;
        for (int i = 1; i <= follow; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        // Overlong three- and four-byte forms, surrogates and code points above U+10FFFF.
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F) || (c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F))
            return false;
        p += follow + 1;
        multi = true;
    }
    return multi;
}

} // namespace

QString RemoveCaracteres(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'.' || c == u'/' || c == u'-') {
            // The character that takes the deleted place is passed over unexamined.
            if (i + 1 < s.size())
                out.append(s.at(++i));
            continue;
        }
        out.append(c);
    }
    return out;
}

QString decodeLine(const QByteArray &bytes)
{
    if (isMultiByteUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *d++ = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

QString trimmed(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b).toString();
}

} // namespace ImportText

} // namespace cns::import
