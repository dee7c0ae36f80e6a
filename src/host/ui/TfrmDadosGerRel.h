#pragma once

#include "ReportCatalog.h"
#include "TfrmBase.h"

#include <memory>

class QComboBox;
class QLabel;
class QPagedPaintDevice;

namespace cns::ui {

class ReportQuery;
struct ReportHeading;

// The report parameter screen: the choice of report (cbbReportNames) among the definitions of the
// screen's report code (lblCodRel), and the buttons preview, print, save as (PDF or CSV) and edit
// report. Before a report's query runs, the screen is asked for its parameters
// (rpddPadraoBeforeGetQueryParams, with the query's parameter list); the report engine does the rest.
class TfrmDadosGerRel : public TfrmBase
{
    Q_OBJECT

public:
    explicit TfrmDadosGerRel(QWidget *parent = nullptr);

    QComboBox *cbbReportNames;
    QLabel *lblCodRel;
    QAction *actPreview, *actPrint, *actSalvarComo, *actReportEdit;

    // The report code whose definitions the screen offers ("Cns722"), and the report chosen at first.
    void setReportCode(const QString &code, const QString &firstReport = {});
    QString reportCode() const;
    // The chosen report's name (its file), empty when none.
    QString currentReport() const;
    // Fills the report choice again from the definitions; shows Arq_Rel_Err when there is none.
    void reloadReports();

    virtual void sbtPreviewClick();
    virtual void sbtPrintClick();
    virtual void sbtSalvarComoClick();
    virtual void sbtReportEditClick();
    // The screen sets the parameters of the report's query (ExistParam, ParamByName).
    virtual void rpddPadraoBeforeGetQueryParams(ReportQuery &params);

protected:
    void FormActivate() override;

private:
    struct Run;
    // The chosen definition and its query with the screen's parameters.
    std::unique_ptr<Run> prepare();
    ReportHeading heading() const;
    void paintWithProgress(Run &run, QPagedPaintDevice &device);

    std::unique_ptr<ReportCatalog> m_catalog;
    QString m_firstReport;
    bool m_listed = false;
};

} // namespace cns::ui
