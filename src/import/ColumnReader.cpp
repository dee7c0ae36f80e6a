#include "ColumnReader.h"

#include "Consiste.h"
#include "EErro.h"
#include "ImportError.h"
#include "ImportText.h"
#include "NumberFormat.h"

#include <QDate>
#include <cmath>
#include <cstdio>

namespace cns::import {

namespace {

std::optional<double> number(const QString &value, QString *why)
{
    const std::optional<double> d = cns::NumberFormat::parse(value);
    if (!d || !std::isfinite(*d)) {
        *why = QStringLiteral("o valor \"%1\" não é um número.").arg(value);
        return std::nullopt;
    }
    return d;
}

// The digits of text[from, to) as a number; -1 when there are none or another character.
int digits(QStringView text, qsizetype from, qsizetype to)
{
    if (from >= to)
        return -1;
    int n = 0;
    for (qsizetype i = from; i < to; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// "ddmmyyyy", "ddmmyy", "dd/mm/yyyy" or "dd/mm/yy" (day and month may have one digit when slashes
// are written); a two-digit year as fourDigitYear reads it.
std::optional<QDate> date(const QString &value, QString *why)
{
    const QStringView text = QStringView(value).trimmed();
    int d = -1, m = -1, y = -1;
    qsizetype yearDigits = 0;
    const qsizetype first = text.indexOf(u'/');
    if (first < 0) {
        if (text.size() >= 8 || text.size() == 6) { // what follows the eighth character is not read
            yearDigits = text.size() == 6 ? 2 : 4;
            d = digits(text, 0, 2);
            m = digits(text, 2, 4);
            y = digits(text, 4, 4 + yearDigits);
        }
    } else {
        const qsizetype second = text.indexOf(u'/', first + 1);
        yearDigits = second > 0 ? text.size() - second - 1 : 0;
        if (second > 0 && first <= 2 && second - first - 1 <= 2 && (yearDigits == 4 || yearDigits == 2)) {
            d = digits(text, 0, first);
            m = digits(text, first + 1, second);
            y = digits(text, second + 1, text.size());
        }
    }
    if (y >= 0 && yearDigits == 2)
        y = ColumnReader::fourDigitYear(y, QDate::currentDate().year());
    const QDate dt(y, m, d);
    if (d >= 0 && m >= 0 && y >= 0 && dt.isValid())
        return dt;
    *why = QStringLiteral("o valor \"%1\" não é uma data (dia, mês e ano: ddmmaaaa, ddmmaa, dd/mm/aaaa ou dd/mm/aa).").arg(value);
    return std::nullopt;
}

} // namespace

QString ColumnReader::rawValue(const ImportLayout::Column &column, QStringView fixedLine)
{
    const qsizetype start = qMax(1, column.position) - 1;
    if (start >= fixedLine.size() || column.size <= 0)
        return {};
    return ImportText::trimmed(fixedLine.mid(start, column.size));
}

int ColumnReader::fourDigitYear(int twoDigits, int currentYear)
{
    const int year = currentYear - currentYear % 100 + twoDigits;
    return year > currentYear ? year - 100 : year;
}

QString ColumnReader::withDecimals(const QString &value, int decimals)
{
    if (decimals <= 0 || value.isEmpty() || value.contains(u','))
        return value;
    // A value shorter than its decimals is filled with zeros ("5" with two decimals is 0,05, not
    // 0,5), after its sign.
    const qsizetype sign = value.startsWith(u'-') || value.startsWith(u'+') ? 1 : 0;
    QString digits = value.mid(sign);
    if (digits.size() <= decimals)
        digits = QString(decimals - digits.size() + 1, u'0') + digits;
    const qsizetype at = digits.size() - decimals;
    return value.left(sign) + digits.left(at) + u',' + digits.mid(at);
}

QString ColumnReader::amountText(double d)
{
    // Rounded half away from zero to the two decimals shown; a value that rounds to zero has no sign.
    const double rounded = std::round(std::fabs(d) * 100.0) / 100.0;
    char text[400]; // the widest finite double takes some 310 characters with two decimals
    const int size = std::snprintf(text, sizeof text, "%s%.2f", d < 0 && rounded != 0 ? "-" : "", rounded);
    for (int i = size - 1; i >= 0; --i) {
        if (text[i] == '.') { // the C locale's point: the only one in the text
            text[i] = ',';
            break;
        }
    }
    return QString::fromLatin1(text, size);
}

std::optional<cns::Value> ColumnReader::convert(const ImportLayout::Column &column, const QString &value, QString *why)
{
    const bool blank = value.isEmpty();
    if (column.valueColumn) {
        if (blank)
            return cns::Value(QString());
        const auto d = number(value, why);
        if (!d)
            return std::nullopt;
        return cns::Value(amountText(*d));
    }
    if (column.type == u'D') {
        if (blank)
            return cns::Value(0);
        const auto d = date(value, why);
        if (!d)
            return std::nullopt;
        return cns::Value::date(*d);
    }
    if (column.type == u'N') {
        if (blank)
            return cns::Value(0);
        const auto d = number(value, why);
        if (!d)
            return std::nullopt;
        return cns::Value(*d);
    }
    if (blank)
        return cns::Value(QString());
    if (column.left.isEmpty() && column.right.isEmpty())
        return cns::Value(value);
    return cns::Value(column.left + value + column.right);
}

QString ColumnReader::columnLabel(const ImportLayout::Column &column, int field) const
{
    if (!column.constant.isEmpty())
        return QStringLiteral("%1 (valor fixo)").arg(column.name);
    if (m_layout.delimited)
        return QStringLiteral("%1 (campo %2)").arg(column.name).arg(field);
    return QStringLiteral("%1 (posição %2)").arg(column.name).arg(column.position);
}

void ColumnReader::read(const QString &line, Values &values, const QString &fileName, qint64 lineNumber,
                        QString *clientAsWritten) const
{
    // Delimited lines: the fields in order; a column reads the field at the cursor and, when it
    // uses it up, moves the cursor on. A line with fewer fields than the layout needs gives empty
    // texts to the columns after its last field.
    QList<QStringView> fields;
    if (m_layout.delimited)
        fields = QStringView(line).split(m_layout.delimiter);
    int cursor = 0;
    for (const ImportLayout::Column &c : m_layout.columns) {
        const int fieldNumber = cursor + 1;
        QString value;
        if (!c.constant.isEmpty()) {
            value = c.constant;
        } else if (m_layout.delimited) {
            if (cursor < fields.size())
                value = fields.at(cursor).toString();
            if (c.usesUpField)
                ++cursor;
        } else {
            value = rawValue(c, line);
        }
        if (Consiste::EmptyString(value))
            value.clear();
        const QString asWritten = value;
        if (c.type == u'N')
            value = withDecimals(value, c.decimals);
        if (c.name == u"CDCLIENTE") {
            if (clientAsWritten)
                *clientAsWritten = value;
            if (!value.isEmpty())
                value = ImportText::RemoveCaracteres(value);
        }
        QString why;
        std::optional<cns::Value> v = convert(c, value, &why);
        if (!v) {
            // The value as the file writes it, not as the decimals rule changed it.
            if (value != asWritten)
                why.replace(u'"' + value + u'"', u'"' + asWritten + u'"');
            throw cns::EErro(ImportError::columnText(fileName, lineNumber, columnLabel(c, fieldNumber), why));
        }
        values[size_t(c.index)] = std::move(*v);
    }
}

} // namespace cns::import
