#pragma once

#include <QString>

namespace cns::ui {

struct ReportDefinition;
class ReportQuery;

// A report as CSV for spreadsheets: a line of the column titles, then one line per row (the group
// a row belongs to in a first column, when the report groups), ';' between fields, UTF-8 with a
// byte order mark. Written as the rows come, so that no report is held whole.
namespace ReportCsv {

// Returns the rows written; raises EErro naming the file when it cannot be written.
qint64 write(const ReportDefinition &definition, const ReportQuery &query, const QString &path);

} // namespace ReportCsv

} // namespace cns::ui
