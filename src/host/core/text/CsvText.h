#pragma once

#include <QString>

// CSV as Brazilian spreadsheets read it: ';' between fields.
namespace CsvText {

// A field, between double quotes (doubled inside) when it holds ';', a quote or a line break.
QString field(const QString &s);

} // namespace CsvText
