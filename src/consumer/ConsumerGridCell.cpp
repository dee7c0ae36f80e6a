#include "ConsumerGridCell.h"

#include "DataSet.h"
#include "TMessages.h"

#include <QApplication>

using namespace cns::ui;

namespace ConsumerGridCell {

void draw(const DBGrid::Cell &cell, bool inactive, const TMessages &messages)
{
    const QPalette &pal = QApplication::palette();
    QColor background = pal.color(QPalette::ToolTipBase);
    QColor text = inactive ? QColor(Qt::red) : QColor(Qt::black);
    if (cell.selected) {
        background = pal.color(QPalette::Highlight);
        text = pal.color(QPalette::HighlightedText);
    }
    DBGrid::Cell shown = cell;
    if (cell.field == u"IDSITCONSUMI")
        shown.text = messages.Msg(inactive ? u"Inativo" : u"Ativo");
    DBGrid::drawCell(shown, background, text);
}

QString addressCodeText(const cns::DataSet &rows, int row, const QString &codeField, const QString &nameField, bool showCode)
{
    const QString code = rows.rowValue(row, rows.fieldIndex(codeField)).toString();
    if (showCode || code.trimmed().isEmpty())
        return code.trimmed();
    return rows.rowValue(row, rows.fieldIndex(nameField)).toString();
}

} // namespace ConsumerGridCell
