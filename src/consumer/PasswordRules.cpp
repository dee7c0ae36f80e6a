#include "PasswordRules.h"

#include "Consiste.h"

#include <QCryptographicHash>

namespace {

// 0x80-0x9F of Windows-1252; the five unassigned bytes stand for their Latin-1 control characters.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> byteOf(char16_t c)
{
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return char(0x80 + i);
    }
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    return std::nullopt;
}

bool onlyDigits(const QString &s)
{
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

PasswordRules::Refusal PasswordRules::check(const QString &password, const QString &confirmation, bool anyCharacters)
{
    if (Consiste::EmptyString(password))
        return Refusal::PasswordEmpty;
    if (Consiste::EmptyString(confirmation))
        return Refusal::ConfirmationEmpty;
    if (!anyCharacters && !onlyDigits(password))
        return Refusal::NotDigits;
    if (password != confirmation)
        return Refusal::Differs;
    return Refusal::None;
}

QString PasswordRules::messageKey(Refusal refusal)
{
    switch (refusal) {
    case Refusal::PasswordEmpty:
    case Refusal::ConfirmationEmpty:
        return QStringLiteral("CAMPOS_VAZIOS");
    case Refusal::NotDigits:
        return QStringLiteral("CARC_ESP");
    case Refusal::Differs:
        return QStringLiteral("Senha_Inv");
    case Refusal::None:
        break;
    }
    return {};
}

std::optional<QByteArray> PasswordRules::windows1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const std::optional<char> b = byteOf(c.unicode());
        if (!b)
            return std::nullopt;
        bytes.append(*b);
    }
    return bytes;
}

QString PasswordRules::md5(const QString &text)
{
    const std::optional<QByteArray> bytes = windows1252(text);
    if (!bytes)
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(*bytes, QCryptographicHash::Md5).toHex());
}

QString PasswordRules::siteDigest(const QString &password)
{
    return md5(QStringLiteral("vrelk") + password + QStringLiteral("4196"));
}
