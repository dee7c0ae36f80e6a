#pragma once

#include "DataSource.h"
#include "TfrmBase.h"

namespace cns::ui {
class DBGrid;
}

// The import log of an import screen ("Log de Importação"): its findings in a grid, exported to
// CSV or previewed and printed.
class TfrmLogImp : public cns::ui::TfrmBase
{
    Q_OBJECT

public:
    TfrmLogImp(cns::DataSet &log, QWidget *parent = nullptr);

    cns::ui::DBGrid *dbgLog;
    QAction *actExportar;
    QAction *actImprimir;

    void sbtExportarClick();
    void sbtImprimirClick();

private:
    cns::DataSet &m_log;
    cns::DataSource dtsLogImp;
};
