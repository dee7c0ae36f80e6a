#include "NumberFormat.h"

#include <QRegularExpression>
#include <cmath>
#include <charconv>

namespace cns::NumberFormat {

const QLocale &locale()
{
    static const QLocale ptBR(QLocale::Portuguese, QLocale::Brazil);
    return ptBR;
}

namespace {

struct Section
{
    QString prefix, suffix;
    int minInt = 0, minDec = 0, maxDec = 0;
    bool grouping = false;
    bool hasDigits = false;
};

Section parseSection(const QString &s)
{
    Section sec;
    bool inDigits = false, afterDigits = false, afterPoint = false;
    bool quoted = false;
    QChar quote;
    for (const QChar c : s) {
        if (quoted) {
            if (c == quote)
                quoted = false;
            else
                (afterDigits || inDigits ? sec.suffix : sec.prefix).append(c);
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quoted = true;
            quote = c;
            if (inDigits) {
                inDigits = false;
                afterDigits = true;
            }
            continue;
        }
        const bool digitChar = c == u'0' || c == u'#' || c == u'.' || c == u',';
        if (digitChar && !afterDigits) {
            inDigits = true;
            sec.hasDigits = true;
            if (c == u'.') {
                afterPoint = true;
            } else if (c == u',') {
                if (!afterPoint)
                    sec.grouping = true;
            } else if (afterPoint) {
                ++sec.maxDec;
                if (c == u'0')
                    sec.minDec = sec.maxDec;
            } else if (c == u'0') {
                ++sec.minInt;
            }
            continue;
        }
        if (inDigits) {
            inDigits = false;
            afterDigits = true;
        }
        (afterDigits ? sec.suffix : sec.prefix).append(c);
    }
    return sec;
}

QStringList splitSections(const QString &pattern)
{
    QStringList out;
    QString cur;
    bool quoted = false;
    QChar quote;
    for (const QChar c : pattern) {
        if (quoted) {
            if (c == quote)
                quoted = false;
        } else if (c == u'"' || c == u'\'') {
            quoted = true;
            quote = c;
        } else if (c == u';') {
            out.append(cur);
            cur.clear();
            continue;
        }
        cur.append(c);
    }
    out.append(cur);
    return out;
}

QString digitsOf(const Section &sec, double absValue)
{
    // Round half away from zero to the shown decimals.
    const double scale = std::pow(10.0, sec.maxDec);
    const double rounded = std::round(absValue * scale) / scale;
    QString fixed = QString::number(rounded, 'f', sec.maxDec);
    QString intPart = fixed, decPart;
    const qsizetype dot = fixed.indexOf(u'.');
    if (dot >= 0) {
        intPart = fixed.left(dot);
        decPart = fixed.mid(dot + 1);
    }
    while (decPart.size() > sec.minDec && decPart.endsWith(u'0'))
        decPart.chop(1);
    if (intPart == u"0" && sec.minInt == 0)
        intPart.clear();
    while (intPart.size() < sec.minInt)
        intPart.prepend(u'0');
    if (sec.grouping && intPart.size() > 3) {
        const QString sep = locale().groupSeparator();
        for (qsizetype i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, sep);
    }
    QString out = intPart;
    if (!decPart.isEmpty())
        out += locale().decimalPoint() + decPart;
    return out;
}

} // namespace

QString format(const QString &pattern, double value)
{
    if (pattern.isEmpty())
        return plain(value);
    const QStringList sections = splitSections(pattern);
    Section pos = parseSection(sections.at(0));
    if (!pos.hasDigits)
        return pos.prefix + pos.suffix;
    QString body = digitsOf(pos, std::fabs(value));
    const bool isZero = body.isEmpty() || body.count(u'0') + body.count(locale().groupSeparator())
                                                  + body.count(locale().decimalPoint())
                                              == body.size();
    if (isZero && sections.size() >= 3) {
        const Section zero = parseSection(sections.at(2));
        if (zero.hasDigits)
            return zero.prefix + digitsOf(zero, 0.0) + zero.suffix;
        return zero.prefix + zero.suffix;
    }
    if (value < 0 && !isZero) {
        if (sections.size() >= 2 && !sections.at(1).isEmpty()) {
            const Section neg = parseSection(sections.at(1));
            if (neg.hasDigits)
                return neg.prefix + digitsOf(neg, std::fabs(value)) + neg.suffix;
            return neg.prefix + neg.suffix;
        }
        return u'-' + pos.prefix + body + pos.suffix;
    }
    return pos.prefix + body + pos.suffix;
}

QString plain(double value)
{
    // A whole number of up to 15 digits is written as it is, as the general form writes it; an
    // import asks this for every number of every line.
    if (std::fabs(value) < 1e15 && std::trunc(value) == value)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15).replace(u'.', locale().decimalPoint());
}

namespace {

// The common case, read without regular expressions: a sign, digits and at most one comma.
std::optional<double> parsePlain(QStringView s)
{
    if (s.isEmpty() || s.size() > 30)
        return std::nullopt;
    char buf[32];
    qsizetype n = 0, digits = 0;
    bool comma = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c >= u'0' && c <= u'9') {
            buf[n++] = char(c);
            ++digits;
        } else if (c == u',' && !comma) {
            comma = true;
            buf[n++] = '.';
        } else if ((c == u'-' || c == u'+') && i == 0) {
            buf[n++] = char(c);
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    // from_chars reads the C form whatever the process's locale ("+" it does not take).
    const char *begin = buf[0] == '+' ? buf + 1 : buf;
    double d = 0;
    if (std::from_chars(begin, buf + n, d).ec != std::errc())
        return std::nullopt;
    return d;
}

} // namespace

std::optional<double> parse(QStringView text)
{
    if (const std::optional<double> plain = parsePlain(text.trimmed()))
        return plain;
    QString s = text.trimmed().toString();
    if (s.isEmpty())
        return std::nullopt;
    static const QRegularExpression grouped(QStringLiteral("^[-+]?\\d{1,3}(\\.\\d{3})+(,\\d*)?$"));
    static const QRegularExpression commaDecimal(QStringLiteral("^[-+]?\\d*(,\\d*)?([eE][-+]?\\d+)?$"));
    static const QRegularExpression dotDecimal(QStringLiteral("^[-+]?\\d*(\\.\\d*)?([eE][-+]?\\d+)?$"));
    if (grouped.match(s).hasMatch()) {
        s.remove(u'.');
        s.replace(u',', u'.');
    } else if (commaDecimal.match(s).hasMatch()) {
        s.replace(u',', u'.');
    } else if (!dotDecimal.match(s).hasMatch()) {
        return std::nullopt;
    }
    if (s == u"." || s == u"-" || s == u"+" || s == u"-." || s == u"+.")
        return std::nullopt;
    bool ok = false;
    const double d = s.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

} // namespace cns::NumberFormat
