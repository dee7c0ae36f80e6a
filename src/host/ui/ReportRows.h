#pragma once

#include "ReportDefinition.h"

#include <QStringList>
#include <QVariant>

#include <functional>

class QSqlRecord;

namespace cns::ui {

class ReportQuery;

// A report's rows as lines: the shown text of each column, with a header line where a group starts
// and its count (and totals) where it ends, and the count of all rows at the end. Painting, page
// counting and CSV walk the same lines, so that they always agree.
class ReportRows
{
public:
    enum class Kind { GroupHeader, Row, GroupFooter, Total };
    struct Line
    {
        Kind kind;
        QStringList cells; // Row: one per column; footers: the totals under their columns
        QString text; // headers and footers: the line's own text
    };

    explicit ReportRows(const ReportDefinition &definition) : m_def(definition) { }

    // Runs the query and hands every line over; returns the number of rows.
    qint64 walk(const ReportQuery &query, const std::function<void(const Line &)> &line) const;

    // A value as a column shows it.
    static QString shown(const ReportDefinition::Column &column, const QVariant &value);

private:
    const ReportDefinition &m_def;
};

} // namespace cns::ui
