#include "TfrmDadosGerRel.h"

#include "Consiste.h"
#include "Corvane.h"
#include "EErro.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "ReportCsv.h"
#include "ReportEditDialog.h"
#include "ReportQuery.h"
#include "ReportRenderer.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QVBoxLayout>

namespace cns::ui {

namespace {

// The pages as they are painted; the operator may stop a long report.
class ProgressWindow
{
public:
    explicit ProgressWindow(QWidget *parent)
        : m_dlg(QStringLiteral("Gerando o relatório..."), QStringLiteral("Cancelar"), 0, 1, parent)
    {
        m_dlg.setObjectName(QStringLiteral("dlgProgresso"));
        m_dlg.setWindowModality(Qt::WindowModal);
        m_dlg.setMinimumDuration(500);
    }

    ReportRenderer::Progress callback()
    {
        return [this](int page, int pages) {
            m_dlg.setMaximum(pages);
            m_dlg.setLabelText(QStringLiteral("Gerando a página %1 de %2...").arg(page).arg(pages));
            m_dlg.setValue(page - 1);
            return !m_dlg.wasCanceled();
        };
    }

private:
    QProgressDialog m_dlg;
};

} // namespace

struct TfrmDadosGerRel::Run
{
    ReportDefinition definition;
    ReportQuery query;
};

TfrmDadosGerRel::TfrmDadosGerRel(QWidget *parent) : TfrmBase(parent)
{
    msgPadrao = ReportCatalog::messages();
    actPreview = addToolAction(QStringLiteral("sbtPreview"), QStringLiteral("Visualizar"));
    actPrint = addToolAction(QStringLiteral("sbtPrint"), QStringLiteral("Imprimir"));
    actSalvarComo = addToolAction(QStringLiteral("sbtSalvarComo"), QStringLiteral("Salvar como"));
    actReportEdit = addToolAction(QStringLiteral("sbtReportEdit"), QStringLiteral("Editar relatório"));
    connect(actPreview, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtPreviewClick(); }));
    connect(actPrint, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtPrintClick(); }));
    connect(actSalvarComo, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtSalvarComoClick(); }));
    connect(actReportEdit, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtReportEditClick(); }));
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Relatório:"), this));
    cbbReportNames = new QComboBox(this);
    cbbReportNames->setObjectName(QStringLiteral("cbbReportNames"));
    row->addWidget(cbbReportNames, 1);
    lblCodRel = new QLabel(this);
    lblCodRel->setObjectName(QStringLiteral("lblCodRel"));
    row->addWidget(lblCodRel);
    body()->addLayout(row);
}

void TfrmDadosGerRel::setReportCode(const QString &code, const QString &firstReport)
{
    lblCodRel->setText(code);
    m_firstReport = firstReport;
    m_catalog = std::make_unique<ReportCatalog>(code);
    m_listed = false;
}

QString TfrmDadosGerRel::reportCode() const
{
    return lblCodRel->text();
}

QString TfrmDadosGerRel::currentReport() const
{
    return cbbReportNames->currentData().toString();
}

void TfrmDadosGerRel::FormActivate()
{
    // Listed on the first activation rather than on creation, so that a missing folder is told
    // over the screen that needs it.
    if (!m_listed && m_catalog) {
        m_listed = true;
        HandlerGuard::run([this] { reloadReports(); });
    }
}

void TfrmDadosGerRel::reloadReports()
{
    const QString chosen = cbbReportNames->count() == 0 ? m_firstReport : currentReport();
    cbbReportNames->clear();
    if (!m_catalog)
        throw EErro(QStringLiteral("A tela não tem código de relatório."));
    for (const ReportCatalog::Entry &e : m_catalog->entries())
        cbbReportNames->addItem(e.title, e.name);
    const int again = cbbReportNames->findData(chosen);
    if (again >= 0)
        cbbReportNames->setCurrentIndex(again);
}

void TfrmDadosGerRel::rpddPadraoBeforeGetQueryParams(ReportQuery &) { }

std::unique_ptr<TfrmDadosGerRel::Run> TfrmDadosGerRel::prepare()
{
    if (!m_catalog)
        throw EErro(QStringLiteral("A tela não tem código de relatório."));
    if (cbbReportNames->count() == 0)
        reloadReports(); // raises Arq_Rel_Err when the code has no report
    ReportDefinition def = m_catalog->load(currentReport());
    ReportQuery query(def, {});
    auto run = std::make_unique<Run>(Run {std::move(def), std::move(query)});
    rpddPadraoBeforeGetQueryParams(run->query);
    return run;
}

ReportHeading TfrmDadosGerRel::heading() const
{
    const Corvane::Context &c = Corvane::context();
    const QString name = c.NomeOperador().isEmpty() ? c.Operador() : c.NomeOperador();
    return {reportCode(), c.FiliProc() + QStringLiteral(" - ") + c.NomeFiliProc(), name, QDateTime::currentDateTime()};
}

void TfrmDadosGerRel::paintWithProgress(Run &run, QPagedPaintDevice &device)
{
    ProgressWindow progress(this);
    ReportRenderer(run.definition, run.query, heading()).paint(device, progress.callback());
}

void TfrmDadosGerRel::sbtPreviewClick()
{
    std::unique_ptr<Run> run = prepare();
    QPrinter printer(QPrinter::HighResolution);
    ReportRenderer(run->definition, run->query, {}).setUpPage(printer);
    QPrintPreviewDialog dlg(&printer, this);
    dlg.setObjectName(QStringLiteral("dlgPreview"));
    dlg.setWindowTitle(run->definition.title);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
            [this, &run](QPrinter *p) { HandlerGuard::run([&] { paintWithProgress(*run, *p); }); });
    dlg.exec();
}

void TfrmDadosGerRel::sbtPrintClick()
{
    std::unique_ptr<Run> run = prepare();
    QPrinter printer(QPrinter::HighResolution);
    ReportRenderer(run->definition, run->query, {}).setUpPage(printer);
    printer.setDocName(run->definition.title);
    QPrintDialog dlg(&printer, this);
    dlg.setObjectName(QStringLiteral("dlgPrint"));
    if (dlg.exec() != QDialog::Accepted)
        return;
    paintWithProgress(*run, printer);
}

void TfrmDadosGerRel::sbtSalvarComoClick()
{
    std::unique_ptr<Run> run = prepare();
    QString path = cns::HostDialogs::current().saveFileName(QStringLiteral("Salvar como"),
                                                            run->definition.name + QStringLiteral(".pdf"),
                                                            QStringLiteral("PDF (*.pdf);;CSV (*.csv)"));
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv") {
        ReportCsv::write(run->definition, run->query, path);
        return;
    }
    if (suffix != u"pdf")
        path += QStringLiteral(".pdf");
    ProgressWindow progress(this);
    ReportRenderer(run->definition, run->query, heading()).writePdf(path, progress.callback());
}

void TfrmDadosGerRel::sbtReportEditClick()
{
    if (!m_catalog)
        throw EErro(QStringLiteral("A tela não tem código de relatório."));
    if (cbbReportNames->count() == 0)
        reloadReports();
    ReportEditDialog dlg(m_catalog->load(currentReport()), this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_catalog->save(dlg.definition());
    reloadReports();
}

} // namespace cns::ui
