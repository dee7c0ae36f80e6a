#pragma once

#include <QString>

class QTextDocument;

namespace cns::ui {

class DBGrid;

// A grid's rows as the operator prints or saves them: a table of its columns' titles and shown
// texts, previewed and printed (or saved as PDF) through the print preview, or written as CSV.
namespace GridPrinter {

void fillDocument(DBGrid &grid, const QString &title, QTextDocument *doc);
void preview(DBGrid &grid, const QString &title);
// CSV with a header line of the column titles, ';' between fields (what Brazilian spreadsheets
// expect), fields quoted where needed, UTF-8 with a byte order mark. Raises EErro when it cannot write.
void saveCsv(DBGrid &grid, const QString &path);
QString csvText(DBGrid &grid);

} // namespace GridPrinter

} // namespace cns::ui
