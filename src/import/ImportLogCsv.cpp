#include "ImportLogCsv.h"

#include "CsvText.h"
#include "DataSet.h"
#include "EErro.h"

#include <QSaveFile>
#include <QStringList>

namespace cns::import {

namespace ImportLogCsv {

namespace {

// Line by line, so that a log of millions of findings never stands in memory a second time as text.
template<typename Sink>
void writeLines(const cns::DataSet &log, Sink &&sink)
{
    QStringList fields;
    for (int f = 0; f < log.FieldCount(); ++f)
        fields.append(CsvText::field(log.Fields(f).displayLabel()));
    sink(fields.join(u';') + QStringLiteral("\r\n"));
    for (int r = 0; r < log.rowCount(); ++r) {
        fields.clear();
        for (int f = 0; f < log.FieldCount(); ++f)
            fields.append(CsvText::field(log.rowText(r, f, true)));
        sink(fields.join(u';') + QStringLiteral("\r\n"));
    }
}

} // namespace

QString text(const cns::DataSet &log)
{
    QString out;
    writeLines(log, [&out](const QString &line) { out += line; });
    return out;
}

void save(const cns::DataSet &log, const QString &path)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw cns::EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, f.errorString()));
    f.write("\xEF\xBB\xBF");
    writeLines(log, [&f](const QString &line) { f.write(line.toUtf8()); });
    if (!f.commit())
        throw cns::EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, f.errorString()));
}

} // namespace ImportLogCsv

} // namespace cns::import
