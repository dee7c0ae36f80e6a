#pragma once

#include "ReportDefinition.h"

#include <QDateTime>
#include <QString>

#include <functional>

class QPagedPaintDevice;

namespace cns::ui {

class ReportQuery;

// Who and when a report is printed for: the page header shows them.
struct ReportHeading
{
    QString code; // the report code ("Cns722")
    QString branch; // code and name of the processing branch
    QString operatorName;
    QDateTime printedAt;
};

// Paints a report on pages (a printer, the print preview, a PDF), page by page: a first walk over
// the rows counts the pages ("Página n de m"), a second paints them, so that what is held at any
// time is one row and one page, however long the report. Each page has the header (title, branch,
// operator, date and time, column titles) and the footer (report code, page n of m).
class ReportRenderer
{
public:
    // page: the page being painted (from 1); false stops the painting (EAbort).
    using Progress = std::function<bool(int page, int pages)>;

    ReportRenderer(const ReportDefinition &definition, const ReportQuery &query, ReportHeading heading);

    // Sets the device's page (A4, the definition's orientation) and paints; returns the pages.
    int paint(QPagedPaintDevice &device, const Progress &progress = {}) const;
    // A PDF file of the report; raises EErro naming the file when it cannot be written.
    int writePdf(const QString &path, const Progress &progress = {}) const;
    // The device's page set as the definition asks (A4, orientation, margins).
    void setUpPage(QPagedPaintDevice &device) const;

private:
    const ReportDefinition &m_def;
    const ReportQuery &m_query;
    ReportHeading m_heading;
};

} // namespace cns::ui
