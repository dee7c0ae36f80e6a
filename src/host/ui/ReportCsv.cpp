#include "ReportCsv.h"

#include "CsvText.h"
#include "EErro.h"
#include "ReportDefinition.h"
#include "ReportRows.h"

#include <QSaveFile>

namespace cns::ui {

namespace ReportCsv {

namespace {

void writeLine(QSaveFile &f, const QStringList &fields)
{
    QStringList out;
    for (const QString &s : fields)
        out.append(CsvText::field(s));
    f.write(out.join(u';').toUtf8());
    f.write("\r\n");
}

} // namespace

qint64 write(const ReportDefinition &definition, const ReportQuery &query, const QString &path)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, f.errorString()));
    f.write("\xEF\xBB\xBF");
    const bool grouped = !definition.group.isEmpty();
    QStringList titles;
    if (grouped)
        titles.append(definition.group.title.isEmpty() ? definition.group.fields.join(u'/') : definition.group.title);
    for (const auto &c : definition.columns)
        titles.append(c.title);
    writeLine(f, titles);
    QString group;
    const qint64 rows = ReportRows(definition).walk(query, [&](const ReportRows::Line &line) {
        if (line.kind == ReportRows::Kind::GroupHeader) {
            // The header's values, without the title written before them.
            const QString prefix = definition.group.title + QStringLiteral(": ");
            group = line.text.startsWith(prefix) ? line.text.mid(prefix.size()) : line.text;
        } else if (line.kind == ReportRows::Kind::Row) {
            writeLine(f, grouped ? QStringList {group} + line.cells : line.cells);
        }
    });
    if (!f.commit())
        throw EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, f.errorString()));
    return rows;
}

} // namespace ReportCsv

} // namespace cns::ui
