#include "ImportLogCsv.h"

#include "CsvText.h"
#include "DataSet.h"
#include "EErro.h"

#include <QSaveFile>
#include <QStringList>

namespace cns::import {

namespace ImportLogCsv {

QString text(const cns::DataSet &log)
{
    QStringList lines, header;
    for (int f = 0; f < log.FieldCount(); ++f)
        header.append(CsvText::field(log.Fields(f).displayLabel()));
    lines.append(header.join(u';'));
    for (int r = 0; r < log.rowCount(); ++r) {
        QStringList row;
        for (int f = 0; f < log.FieldCount(); ++f)
            row.append(CsvText::field(log.rowText(r, f, true)));
        lines.append(row.join(u';'));
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void save(const cns::DataSet &log, const QString &path)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw cns::EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, f.errorString()));
    f.write("\xEF\xBB\xBF");
    f.write(text(log).toUtf8());
    if (!f.commit())
        throw cns::EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, f.errorString()));
}

} // namespace ImportLogCsv

} // namespace cns::import
