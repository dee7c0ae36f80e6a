#include "AutoChangeValues.h"

#include "Consiste.h"
#include "NumberFormat.h"

namespace AutoChangeValues {

namespace {

// Strict reading: digits, an optional sign and at most one comma. A point is not a decimal mark
// here, so that "12.5" typed under a comma locale is refused rather than read as 125 or 12,5.
std::optional<double> strictNumber(const QString &text)
{
    bool ok = false;
    const double v = cns::NumberFormat::locale().toDouble(text.trimmed(), &ok);
    if (!ok || text.contains(u'.'))
        return std::nullopt;
    return v;
}

} // namespace

QChar decimalMark()
{
    return QLatin1Char(',');
}

bool refusesKey(const QString &text, QChar key)
{
    return key == decimalMark() && text.contains(decimalMark());
}

std::optional<QString> leftText(const QString &text)
{
    if (Consiste::EmptyString(text))
        return text;
    const std::optional<double> v = strictNumber(text);
    if (!v)
        return std::nullopt;
    return cns::NumberFormat::format(QStringLiteral("0.00"), *v);
}

QString normalised(const QString &text)
{
    if (Consiste::EmptyString(text))
        return text;
    const qsizetype p = text.indexOf(decimalMark());
    if (p < 0)
        return text + decimalMark() + QStringLiteral("00");
    const QString decimals = text.mid(p + 1, 2);
    return text.left(p) + decimalMark() + (decimals.isEmpty() ? QStringLiteral("00") : decimals);
}

std::optional<cns::Value> limitValue(const QString &text)
{
    if (Consiste::EmptyString(text))
        return cns::Value();
    const std::optional<double> v = strictNumber(normalised(text));
    if (!v)
        return std::nullopt;
    return cns::Value(*v);
}

bool isSingle(const QString &selection)
{
    return selection.count(u'_') == 2;
}

QString singleKey(const QString &selection)
{
    return QString(selection).remove(u'_');
}

} // namespace AutoChangeValues
