#include "GridPrinter.h"

#include "CsvText.h"
#include "DBGrid.h"
#include "EErro.h"

#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

namespace cns::ui {

namespace GridPrinter {

void fillDocument(DBGrid &grid, const QString &title, QTextDocument *doc)
{
    DataSetModel &m = grid.dataModel();
    QString html = QStringLiteral("<h3>%1</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr>").arg(title.toHtmlEscaped());
    for (int c = 0; c < m.columnCount(); ++c)
        html += QStringLiteral("<th>%1</th>").arg(m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toHtmlEscaped());
    html += QStringLiteral("</tr>");
    for (int r = 0; r < m.rowCount(); ++r) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < m.columnCount(); ++c)
            html += QStringLiteral("<td>%1</td>").arg(m.data(m.index(r, c), Qt::DisplayRole).toString().toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    doc->setHtml(html + QStringLiteral("</table>"));
}

void preview(DBGrid &grid, const QString &title)
{
    QTextDocument doc;
    fillDocument(grid, title, &doc);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dlg(&printer, &grid);
    dlg.setWindowTitle(title);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg, [&doc](QPrinter *p) { doc.print(p); });
    dlg.exec();
}

QString csvText(DBGrid &grid)
{
    DataSetModel &m = grid.dataModel();
    QStringList lines;
    QStringList header;
    for (int c = 0; c < m.columnCount(); ++c)
        header.append(CsvText::field(m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
    lines.append(header.join(u';'));
    for (int r = 0; r < m.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m.columnCount(); ++c)
            row.append(CsvText::field(m.data(m.index(r, c), Qt::DisplayRole).toString()));
        lines.append(row.join(u';'));
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void saveCsv(DBGrid &grid, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw cns::EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, f.errorString()));
    f.write("\xEF\xBB\xBF");
    f.write(csvText(grid).toUtf8());
}

} // namespace GridPrinter

} // namespace cns::ui
