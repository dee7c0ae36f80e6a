#pragma once

#include "TfrmBase.h"

class QComboBox;
class QLabel;

namespace cns::ui {

// The report parameter screen: the choice of report (cbbReportNames) and the buttons preview,
// print, save as and edit report; the report code in lblCodRel. The report engine runs the chosen
// report and asks the screen for its query parameters (rpddPadraoBeforeGetQueryParams).
class TfrmDadosGerRel : public TfrmBase
{
    Q_OBJECT

public:
    explicit TfrmDadosGerRel(QWidget *parent = nullptr);

    QComboBox *cbbReportNames;
    QLabel *lblCodRel;
    QAction *actPreview, *actPrint, *actSalvarComo, *actReportEdit;

    virtual void sbtPreviewClick() {}
    virtual void sbtPrintClick() {}
    virtual void sbtSalvarComoClick() {}
    virtual void sbtReportEditClick() {}
};

} // namespace cns::ui
