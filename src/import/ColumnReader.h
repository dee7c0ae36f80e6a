#pragma once

#include "ImportColumns.h"
#include "ImportLayout.h"
#include "Value.h"

#include <array>
#include <optional>

namespace cns::import {

// Takes a layout's columns out of one line of an import file into the value array, converted by
// their data type. Null in the array is an entry that no layout column has written.
class ColumnReader
{
public:
    using Values = std::array<cns::Value, ImportColumns::kCount>;

    explicit ColumnReader(const ImportLayout &layout) : m_layout(layout) {}

    // Raises EErro naming the file, the line and the column when a value does not convert.
    // clientAsWritten (when given) receives the client field before its separators were removed.
    void read(const QString &line, Values &values, const QString &fileName, qint64 lineNumber,
              QString *clientAsWritten = nullptr) const;

    // The raw value a column takes from the line, before conversion (field is the delimited
    // field the column reads, or the whole line for fixed positions).
    static QString rawValue(const ImportLayout::Column &column, QStringView fixedLine);
    // Implied decimals: a comma before the last `decimals` digits of a number written without one.
    static QString withDecimals(const QString &value, int decimals);
    // The year of a date written with two digits: the latest year ending in them that is not after
    // currentYear (in 2026: 90 is 1990, 26 is 2026, 27 is 1927, 05 is 2005). Import files give birth
    // dates, which are never in the future.
    static int fourDigitYear(int twoDigits, int currentYear);
    // A value column's amount as NumberFormat::format("###0.00") writes it, without reading the
    // pattern again for every value of every line.
    static QString amountText(double d);
    // The converted value; nullopt with *why set when it does not convert.
    static std::optional<cns::Value> convert(const ImportLayout::Column &column, const QString &value, QString *why);

private:
    QString columnLabel(const ImportLayout::Column &column, int field) const;

    const ImportLayout &m_layout;
};

} // namespace cns::import
