#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

// What a PDF says, read back as a reader would (pdftotext, poppler-utils), page by page.
namespace ReportText {

inline QStringList pages(const QString &pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("pdftotext (poppler-utils) could not read %s: %s", qPrintable(pdf),
                 p.readAllStandardError().constData());
        return {};
    }
    QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
    if (!out.isEmpty() && out.last().trimmed().isEmpty())
        out.removeLast();
    return out;
}

inline QString text(const QString &pdf)
{
    return pages(pdf).join(u'\f');
}

} // namespace ReportText
