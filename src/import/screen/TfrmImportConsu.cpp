#include "TfrmImportConsu.h"

#include "Consiste.h"
#include "Corvane.h"
#include "DBGrid.h"
#include "EAbort.h"
#include "FocusEvents.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "ImportMessages.h"
#include "MaskEdit.h"
#include "Showavi.h"
#include "TBtnPesquisa.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QToolBar>

using namespace cns::ui;
using namespace cns::import;

namespace Cli_cns72202 {
TfrmImportConsu *frmImportConsu = nullptr;
bool boActivate = false;
QString stCliente;
} // namespace Cli_cns72202

namespace {

QLineEdit *readOnlyEdit(const char *name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
}

QLabel *label(const char *name, const char *text, QWidget *parent)
{
    auto *l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

TfrmImportConsu::TfrmImportConsu(QWidget *parent)
    : TfrmRotiGeral(parent), netImportConsu(QStringLiteral("Cns72200.rdmImportConsu")),
      engine(netImportConsu, ImportMessages::table())
{
    setObjectName(QStringLiteral("frmImportConsu"));
    setWindowTitle(QStringLiteral("Importação de Consumidor"));
    setScreenCode(QStringLiteral("Cns72202"));
    msgPadrao.load(ImportMessages::lines());
    engine.busyOwner = this;
    engine.setReference(quintptr(this));
    Cli_cns72202::boActivate = false;

    actCarregar = new QAction(QStringLiteral("Carregar"), this);
    actCarregar->setObjectName(QStringLiteral("actCarregar"));
    actCarregar->setToolTip(QStringLiteral("Carregar dados"));
    actGeraLog = new QAction(QStringLiteral("Gerar Log"), this);
    actGeraLog->setObjectName(QStringLiteral("actGeraLog"));
    actGeraLog->setToolTip(QStringLiteral("Gerar log"));
    toolBar()->insertAction(actConfirma, actCarregar);
    toolBar()->insertAction(actConfirma, actGeraLog);
    toolBar()->widgetForAction(actCarregar)->setObjectName(QStringLiteral("btfCarregar"));
    toolBar()->widgetForAction(actGeraLog)->setObjectName(QStringLiteral("btfGeraLog"));
    connect(actCarregar, &QAction::triggered, this, HandlerGuard::guarded([this] { btfCarregarClick(); }));
    connect(actGeraLog, &QAction::triggered, this, HandlerGuard::guarded([this] { btfGeraLogClick(); }));
    actCarregar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    actGeraLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    // The operation menu stays hidden; its commands are the actions, so they follow the buttons.
    mnuOperacao = new QMenu(QStringLiteral("&Operação"), this);
    mnuOperacao->setObjectName(QStringLiteral("mnuOperacao"));
    actCarregar->setText(QStringLiteral("&Carregar Dados"));
    actGeraLog->setText(QStringLiteral("&Gerar Log"));
    mnuOperacao->addActions({actCarregar, actGeraLog, actConfirma});
    addActions({actCarregar, actGeraLog});

    buildFilter();
    buildGrids();
    buildBottom();
    connectEvents();
    for (QAction *a : {actCarregar, actGeraLog, actConfirma})
        a->setEnabled(false);
    resize(980, 640);
    created();
}

TfrmImportConsu::~TfrmImportConsu() = default;

void TfrmImportConsu::buildFilter()
{
    panFiltro = new QWidget(this);
    panFiltro->setObjectName(QStringLiteral("panFiltro"));
    auto *grid = new QGridLayout(panFiltro);
    grpCliente = new QGroupBox(QStringLiteral("Cliente"), panFiltro);
    grpCliente->setObjectName(QStringLiteral("grpCliente"));
    auto *g = new QGridLayout(grpCliente);
    rdbClienteInf = new QRadioButton(QStringLiteral("Cliente informado pelo usuário"), grpCliente);
    rdbClienteInf->setObjectName(QStringLiteral("rdbClienteInf"));
    rdbClienteInf->setChecked(true);
    rdbClienteTxt = new QRadioButton(QStringLiteral("Cliente importado via arquivo texto"), grpCliente);
    rdbClienteTxt->setObjectName(QStringLiteral("rdbClienteTxt"));
    medCdCliente = new MaskEdit(grpCliente);
    medCdCliente->setObjectName(QStringLiteral("medCdCliente"));
    medCdCliente->setMaxLength(21);
    btpCliente = new TBtnPesquisa(grpCliente);
    btpCliente->setObjectName(QStringLiteral("btpCliente"));
    btpCliente->Source = &engine.qryCliente;
    btpCliente->Title = QStringLiteral("Cliente");
    btpCliente->EmptyText = msgPadrao.Msg(u"NaoHaCliente");
    btpCliente->Fields = {QStringLiteral("NRINSJURCLIE"), QStringLiteral("NMFANTCLIE")};
    edtNmCliente = readOnlyEdit("edtNmCliente", grpCliente);
    g->addWidget(rdbClienteInf, 0, 0, 1, 3);
    g->addWidget(rdbClienteTxt, 1, 0, 1, 3);
    g->addWidget(medCdCliente, 2, 0);
    g->addWidget(btpCliente, 2, 1);
    g->addWidget(edtNmCliente, 2, 2);
    grid->addWidget(grpCliente, 0, 0, 1, 4);

    grid->addWidget(label("lblLayout", "Layout", panFiltro), 1, 0);
    edtCdLayout = new QLineEdit(panFiltro);
    edtCdLayout->setObjectName(QStringLiteral("edtCdLayout"));
    edtCdLayout->setMaxLength(10);
    btpLayout = new TBtnPesquisa(panFiltro);
    btpLayout->setObjectName(QStringLiteral("btpLayout"));
    btpLayout->Source = &engine.cdsLayout;
    btpLayout->Title = QStringLiteral("Layout");
    btpLayout->EmptyText = msgPadrao.Msg(u"NaoHaLayout");
    btpLayout->Fields = {QStringLiteral("CDLAYOUTIMP"), QStringLiteral("NMLAYOUTIMP"), QStringLiteral("CDFILIAL")};
    edtNmLayout = readOnlyEdit("edtNmLayout", panFiltro);
    auto *row = new QHBoxLayout;
    row->addWidget(edtCdLayout);
    row->addWidget(btpLayout);
    row->addWidget(edtNmLayout, 1);
    grid->addLayout(row, 1, 1);
    grid->addWidget(label("lblFilialLayout", "Filial Layout", panFiltro), 1, 2);
    dbeFilialLayout = readOnlyEdit("dbeFilialLayout", panFiltro);
    grid->addWidget(dbeFilialLayout, 1, 3);
    body()->addWidget(panFiltro);
}

void TfrmImportConsu::buildGrids()
{
    auto *split = new QSplitter(Qt::Vertical, this);
    dbgTabela = new DBGrid(split);
    dbgTabela->setObjectName(QStringLiteral("dbgTabela"));
    dtsArquivo.setDataSet(&engine.cdsArquivo);
    dbgTabela->setDataSource(&dtsArquivo);
    GridColumn file(QStringLiteral("NMARQLAYIMP"), 700, QStringLiteral("Arquivo"));
    file.ellipsis = true;
    dbgTabela->setColumns({file});
    dbgDados = new DBGrid(split);
    dbgDados->setObjectName(QStringLiteral("dbgDados"));
    dbgDados->setReadOnly(true);
    dtsConsumidor.setDataSet(&engine.cdsConsumidor);
    dbgDados->setDataSource(&dtsConsumidor);
    split->setStretchFactor(1, 4);
    body()->addWidget(split, 1);

    panAnimacao = new QWidget(this);
    panAnimacao->setObjectName(QStringLiteral("panAnimacao"));
    auto *anim = new QHBoxLayout(panAnimacao);
    anmImport = label("anmImport", "⇉", panAnimacao);
    anmVerifcDados = label("anmVerifcDados", "⌕", panAnimacao);
    lblArquivo = label("lblArquivo", "Aguarde. Carregando arquivo de consumidores.", panAnimacao);
    lblVerific = label("lblVerific", "Importando dados dos consumidores...", panAnimacao);
    lblGeraLog = label("lblGeraLog", "Gerando consistências do arquivo carregado", panAnimacao);
    pgbImport = new QProgressBar(panAnimacao);
    pgbImport->setObjectName(QStringLiteral("pgbImport"));
    for (QWidget *w : std::initializer_list<QWidget *>{anmImport, anmVerifcDados, lblArquivo, lblVerific, lblGeraLog, pgbImport})
        anim->addWidget(w);
    panAnimacao->hide();
    body()->addWidget(panAnimacao);
}

void TfrmImportConsu::buildBottom()
{
    auto *bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("panRodape"));
    auto *row = new QHBoxLayout(bottom);
    edtNrReg = readOnlyEdit("edtNrReg", bottom);
    edtRegImp = readOnlyEdit("edtRegImp", bottom);
    edtFiliProc = readOnlyEdit("edtFiliProc", bottom);
    row->addWidget(label("lblNrReg", "Reg. Carregados", bottom));
    row->addWidget(edtNrReg);
    row->addWidget(label("lblRegImp", "Reg. Imp", bottom));
    row->addWidget(edtRegImp);
    row->addWidget(label("lblFiliProc", "Filial de Processamento", bottom));
    row->addWidget(edtFiliProc, 1);
    body()->addWidget(bottom);
}

void TfrmImportConsu::connectEvents()
{
    FocusEvents &focus = FocusEvents::instance();
    focus.onEnter(medCdCliente, [this] { medCdCliente->setEditMask(Consiste::PictPess(u"I")); });
    focus.onExit(medCdCliente, [this] { medCdClienteExit(); });
    focus.onExit(grpCliente, [this] { grpClienteExit(); });
    focus.onExit(edtCdLayout, [this] { validateLayout(false); });
    focus.onEnter(panFiltro, [this] { panFiltroEnter(); });
    focus.onExit(panFiltro, [this] { panFiltroExit(); });
    connect(medCdCliente, &QLineEdit::textChanged, this, [this] { edtNmCliente->clear(); });
    connect(edtCdLayout, &QLineEdit::textEdited, this, HandlerGuard::guarded([this] { edtCdLayoutChange(); }));
    connect(rdbClienteInf, &QRadioButton::clicked, this, HandlerGuard::guarded([this] {
                resetLoad();
                medCdCliente->setEnabled(true);
                btpCliente->setEnabled(true);
            }));
    connect(rdbClienteTxt, &QRadioButton::clicked, this, [this] {
        medCdCliente->setEnabled(false);
        btpCliente->setEnabled(false);
    });
    btpCliente->BeforePesq = [this](bool &) {
        const bool perBranch = engine.branchFilter != u"T";
        engine.qryCliente.Close();
        engine.qryCliente.ParamByName(u"P_NRINSJURCLIE") = cns::Value(QString());
        engine.qryCliente.ParamByName(u"P_TNRINSJURCLIE") = cns::Value(QStringLiteral("T"));
        engine.qryCliente.ParamByName(u"P_CDFILIAL") = cns::Value(perBranch ? engine.branchFilter : QString());
        engine.qryCliente.ParamByName(u"P_TCDFILIAL") = cns::Value(perBranch ? QString() : QStringLiteral("T"));
        engine.qryCliente.Open();
    };
    btpCliente->AfterPesq = [this] {
        medCdCliente->setText(engine.qryCliente.FieldByName(u"NRINSJURCLIE").AsString());
        edtNmCliente->setText(engine.qryCliente.FieldByName(u"NMFANTCLIE").AsString());
    };
    btpLayout->BeforePesq = [this](bool &) { engine.getLayoutImp(QString(), QStringLiteral("T")); };
    btpLayout->AfterPesq = [this] {
        edtCdLayout->setText(engine.layoutField(u"CDLAYOUTIMP"));
        edtCdLayoutChange();
        edtNmLayout->setText(engine.layoutField(u"NMLAYOUTIMP"));
        dbeFilialLayout->setText(engine.layoutField(u"CDFILIAL"));
    };
    engine.cdsArquivo.BeforeInsert = [](cns::DataSet &) { throw cns::EAbort(); };
    engine.cdsArquivo.AfterEdit = [this](cns::DataSet &) { fileRowEdited(); };
    dbgTabela->OnEditButtonClick = [this](const QString &field) { dbgTabelaEditButtonClick(field); };
}

void TfrmImportConsu::FormCreate()
{
    {
        const Showavi::Scope busy(this, 0);
        netImportConsu.Open();
    }
    edtFiliProc->setText(Corvane::FiliProc() + u'-' + Corvane::NomeFiliProc());
}

void TfrmImportConsu::FormActivate()
{
    if (Cli_cns72202::boActivate)
        return;
    medCdCliente->setText(engine.getDefCliente());
    if (Consiste::EmptyString(medCdCliente->text()))
        medCdCliente->setText(Cli_cns72202::stCliente);
    medCdCliente->setFocus();
    Cli_cns72202::boActivate = true;
}

void TfrmImportConsu::FormClose()
{
    while (netImportConsu.Connected())
        netImportConsu.Close();
}

bool TfrmImportConsu::screenClientMode() const
{
    return rdbClienteInf->isChecked();
}

void TfrmImportConsu::Habilita(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{rdbClienteInf, rdbClienteTxt, medCdCliente, edtCdLayout, btpCliente, btpLayout})
        w->setEnabled(on);
}

void TfrmImportConsu::resetLoad()
{
    engine.reset();
    for (QAction *a : {actConfirma, actGeraLog, actCarregar})
        a->setEnabled(false);
}

void TfrmImportConsu::validateClient(bool demanded)
{
    try {
        edtNmCliente->setText(engine.Vd_CdCliente(medCdCliente->unmaskedText(), demanded));
    } catch (...) {
        if (engine.qryCliente.Active() && engine.qryCliente.IsEmpty())
            medCdCliente->setEditMask(Consiste::PictPess(u"I"));
        medCdCliente->setFocus();
        throw;
    }
}

void TfrmImportConsu::validateLayout(bool demanded)
{
    try {
        const QString code = engine.Vd_Layout(edtCdLayout->text(), demanded);
        if (code.isEmpty())
            return;
        if (code != edtCdLayout->text())
            edtCdLayout->setText(code);
        edtNmLayout->setText(engine.layoutField(u"NMLAYOUTIMP"));
        dbeFilialLayout->setText(engine.layoutField(u"CDFILIAL"));
    } catch (...) {
        edtCdLayout->setFocus();
        throw;
    }
}

void TfrmImportConsu::medCdClienteExit()
{
    QString tipo;
    const QString digits = Consiste::Ajusta_Inscricao(medCdCliente->text(), &tipo);
    medCdCliente->setMaskAndText(Consiste::PictPess(tipo), digits);
    if (screenClientMode())
        validateClient(false);
}

void TfrmImportConsu::grpClienteExit()
{
    if (screenClientMode())
        validateClient(true);
    edtCdLayout->setText(engine.getDefLayout());
    edtCdLayoutChange();
    edtCdLayout->setFocus();
}

void TfrmImportConsu::edtCdLayoutChange()
{
    edtNmLayout->clear();
    dbeFilialLayout->clear();
    resetLoad();
}

void TfrmImportConsu::panFiltroEnter()
{
    resetLoad();
    edtNrReg->clear();
    edtRegImp->clear();
}

void TfrmImportConsu::panFiltroExit()
{
    if (Consiste::EmptyString(edtCdLayout->text())) {
        edtCdLayout->setFocus();
        Consiste::MensErro(msgPadrao.Msg(u"LayoutDeve"));
    }
    validateLayout(true);
    engine.clientFromFile = !screenClientMode();
    const bool ready = !screenClientMode() || !Consiste::EmptyString(medCdCliente->text());
    if (ready) {
        actCarregar->setEnabled(true);
        enableResults();
    }
    engine.getTabLayoutImp();
}

void TfrmImportConsu::enableResults()
{
    const bool rows = engine.cdsConsumidor.Active() && !engine.cdsConsumidor.IsEmpty();
    actConfirma->setEnabled(rows && !engine.loadFailed());
    actGeraLog->setEnabled(rows);
}

void TfrmImportConsu::fileRowEdited()
{
    engine.boCarregou = false;
    engine.cdsConsumidor.Close();
    actConfirma->setEnabled(false);
    actGeraLog->setEnabled(false);
}

void TfrmImportConsu::dbgTabelaEditButtonClick(const QString &field)
{
    if (field != u"NMARQLAYIMP")
        return;
    const QString current = engine.cdsArquivo.FieldByName(u"NMARQLAYIMP").AsString();
    const QString chosen = cns::HostDialogs::current().openFileName(QStringLiteral("Abrir Arquivo"), QFileInfo(current).absolutePath(),
                                                                    QStringLiteral("Arquivos de Texto(*.txt)|*.txt"));
    if (chosen.isEmpty())
        return;
    engine.cdsArquivo.Edit();
    engine.cdsArquivo.FieldByName(u"NMARQLAYIMP").setAsString(chosen);
    engine.cdsArquivo.Post();
}

void TfrmImportConsu::repaintNow()
{
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_repaint.restart();
}

void TfrmImportConsu::showPanel(Panel panel)
{
    panAnimacao->setVisible(panel != Panel::Hidden);
    anmImport->setVisible(panel == Panel::Loading);
    lblArquivo->setVisible(panel == Panel::Loading);
    pgbImport->setVisible(panel == Panel::Loading);
    anmVerifcDados->setVisible(panel == Panel::Checking || panel == Panel::Importing);
    lblGeraLog->setVisible(panel == Panel::Checking);
    lblVerific->setVisible(panel == Panel::Importing);
    // The rows grid does not follow the rows while the screen works on them.
    if (panel == Panel::Hidden)
        engine.cdsConsumidor.EnableControls();
    else if (!engine.cdsConsumidor.ControlsDisabled())
        engine.cdsConsumidor.DisableControls();
    repaintNow();
}

void TfrmImportConsu::fileStarted(const QString &text, qint64 sizeInBytes)
{
    lblArquivo->setText(text);
    m_progress = 0;
    pgbImport->setValue(0);
    // The bar counts in kilobytes: a file of several gigabytes still fits its integer range.
    pgbImport->setMaximum(int(qMax<qint64>(0, sizeInBytes) / 1024));
    repaintNow();
}

void TfrmImportConsu::advance(qint64 bytes)
{
    m_progress += bytes;
    if (m_repaint.isValid() && m_repaint.elapsed() < kRepaintMs)
        return;
    pgbImport->setValue(int(qMin<qint64>(m_progress / 1024, pgbImport->maximum())));
    repaintNow();
}

void TfrmImportConsu::btfCarregarClick()
{
    // The rows take the client the field names, checked now: the lookup may have moved the
    // client query since the field was left (given up, or with the focus elsewhere).
    if (screenClientMode())
        validateClient(true);
    Habilita(false);
    // The actions are blocked too: the screen repaints (and so takes input) between rows.
    const bool canLoad = actCarregar->isEnabled();
    for (QAction *a : {actCarregar, actGeraLog, actConfirma, actCancel})
        a->setEnabled(false);
    auto end = qScopeGuard([&] {
        actCarregar->setEnabled(canLoad);
        actCancel->setEnabled(true);
        enableResults();
        Habilita(true);
    });
    dbgDados->setFocus();
    // The counters say what this load read, also when it failed.
    auto counters = qScopeGuard([this] {
        edtNrReg->setText(QString::number(engine.loadedCount()));
        edtRegImp->setText(QString::number(engine.rowsToImport()));
    });
    try {
        engine.Carregar(*this);
    } catch (...) {
        focusMissingFile();
        throw;
    }
}

void TfrmImportConsu::validateChoice()
{
    if (screenClientMode())
        validateClient(true);
    validateLayout(true);
}

void TfrmImportConsu::btfGeraLogClick()
{
    Habilita(false);
    auto end = qScopeGuard([this] { Habilita(true); });
    validateChoice();
    if (msgPadrao.ShowMsg(u"Conf_Log", cns::MsgType::Confirmation, cns::mbYes | cns::mbNo) != cns::mrYes)
        return;
    Corvane::AtualizaLocalCache({QStringLiteral("CLIENFILIAL")});
    engine.ChamaGeraLog(*this, true);
    edtRegImp->setText(QString::number(engine.rowsToImport()));
}

void TfrmImportConsu::sbtConfirmaClick()
{
    Habilita(false);
    auto end = qScopeGuard([this] { Habilita(true); });
    validateChoice();
    try {
        engine.Confirmar(*this);
    } catch (...) {
        focusMissingFile();
        throw;
    }
    edtRegImp->setText(QString::number(engine.rowsToImport()));
}

void TfrmImportConsu::focusMissingFile()
{
    if (!engine.fileMissing())
        return;
    dbgTabela->setFocus();
    dbgTabela->selectField(QStringLiteral("NMARQLAYIMP"));
}
