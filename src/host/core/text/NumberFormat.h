#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace cns {

// Numbers as the screens show and read them: the pt_BR locale (decimal comma, dot between thousands)
// whatever the machine's locale, and the display formats of the fields ("#,##0.00", "###0.00", "0").
namespace NumberFormat {

const QLocale &locale(); // pt_BR

// A display pattern: sections "positive;negative;zero", '0' a digit always shown, '#' a digit shown
// when significant, '.' the place of the decimal separator, ',' in the integer part groups thousands,
// anything else (or text between quotes) written as it stands.
QString format(const QString &pattern, double value);

// Plain text of a number for editing: no grouping, as many decimals as it has (up to 15 digits).
QString plain(double value);

// Reads "1.234,56", "1234,56", "-12", and, when there is no comma, "12.5" (a lone dot that cannot
// be a thousands separator is taken as the decimal point). Blanks around are ignored.
std::optional<double> parse(QStringView text);

} // namespace NumberFormat

} // namespace cns
