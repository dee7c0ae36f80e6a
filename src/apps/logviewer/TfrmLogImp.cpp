#include "TfrmLogImp.h"

#include "DBGrid.h"
#include "GridPrinter.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "ImportLogCsv.h"

#include <QAction>
#include <QVBoxLayout>

using namespace cns::ui;
using namespace cns::import;

TfrmLogImp::TfrmLogImp(cns::DataSet &log, QWidget *parent) : TfrmBase(parent), m_log(log)
{
    setObjectName(QStringLiteral("frmLogImp"));
    setWindowTitle(QStringLiteral("Log de Importação"));
    setScreenCode(QStringLiteral("Cns72500"));
    actExportar = addToolAction(QStringLiteral("sbtExportar"), QStringLiteral("Exportar"), QStringLiteral("Exportar para CSV"));
    actImprimir = addToolAction(QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"));
    dbgLog = new DBGrid(this);
    dbgLog->setObjectName(QStringLiteral("dbgLog"));
    dbgLog->setReadOnly(true);
    dtsLogImp.setDataSet(&m_log);
    dbgLog->setDataSource(&dtsLogImp);
    dbgLog->setColumns({{QStringLiteral("CDCLIENTE"), 150},
                        {QStringLiteral("NMCONSUMIDOR"), 220},
                        {QStringLiteral("CDCONSUMIDOR"), 150},
                        {QStringLiteral("DSLOGIMP"), 420},
                        {QStringLiteral("CDIDCONSUMID"), 130},
                        {QStringLiteral("CDEXCONSUMID"), 110},
                        {QStringLiteral("CDTIPOCONS"), 70},
                        {QStringLiteral("CDCCUSCLIE"), 90},
                        {QStringLiteral("NRCPFRESPCON"), 110}});
    body()->addWidget(dbgLog, 1);
    const bool rows = m_log.Active() && !m_log.IsEmpty();
    actExportar->setEnabled(rows);
    actImprimir->setEnabled(rows);
    connect(actExportar, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtExportarClick(); }));
    connect(actImprimir, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtImprimirClick(); }));
    resize(1100, 500);
    created();
}

void TfrmLogImp::sbtExportarClick()
{
    QString path = cns::HostDialogs::current().saveFileName(QStringLiteral("Exportar log"), QString(),
                                                           QStringLiteral("Arquivos CSV(*.csv)|*.csv"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    ImportLogCsv::save(m_log, path);
}

void TfrmLogImp::sbtImprimirClick()
{
    GridPrinter::preview(*dbgLog, windowTitle());
}
