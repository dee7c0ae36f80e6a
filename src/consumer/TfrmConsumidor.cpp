#include "TfrmConsumidor.h"

#include "Consiste.h"
#include "ConsumerGridCell.h"
#include "ConsumerMessages.h"
#include "ConsumerPacket.h"
#include "ConsumerRecord.h"
#include "Corvane.h"
#include "Criptografa.h"
#include "DBComboBox.h"
#include "DBEdit.h"
#include "DBNumericEdit.h"
#include "DateSerial.h"
#include "EAbort.h"
#include "EditMask.h"
#include "EntryPoints.h"
#include "FingerprintTab.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "MaskEdit.h"
#include "ModuleConnection.h"
#include "PasswordRules.h"
#include "ScopedFlag.h"
#include "Showavi.h"
#include "TBtnPesquisa.h"
#include "TfrmHistCons.h"
#include "TfrmVinculaCons.h"
#include "Tmsgaler.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScopeGuard>
#include <QSet>
#include <QTabWidget>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>

using namespace cns::ui;
using cns::DataSetState;
using cns::Value;

namespace Cli_cns72200 {
bool boIdCriado = false;
bool boPesquisa = false;
TfrmConsumidor *frmConsumidor = nullptr;
} // namespace Cli_cns72200

namespace {

const QString kCpfMask = QStringLiteral("999.999.999-99;1; ");
const QString kDateMask = QStringLiteral("99/99/9999;1;_");

bool isEditing(DataSetState s)
{
    return s == DataSetState::Edit || s == DataSetState::Insert;
}

} // namespace

TfrmConsumidor::TfrmConsumidor(QWidget *parent)
    : TfrmPadraoGrid(parent), cdsConsumidor(QStringLiteral("cdsConsumidor")), cdsConsTemp(QStringLiteral("cdsConsTemp")),
      cdsCliente(QStringLiteral("cdsCliente")), cdsClientePesq(QStringLiteral("cdsClientePesq")),
      cdsParaVend(QStringLiteral("cdsParaVend")), cdsFilial(QStringLiteral("cdsFilial")),
      cdsConsFilial(QStringLiteral("cdsConsFilial")), cdsEndeCons(QStringLiteral("cdsEndeCons")),
      cdsConsuVinculados(QStringLiteral("cdsConsuVinculados")), cdsPesqConsVinculo(QStringLiteral("cdsPesqConsVinculo")),
      ruleContext(cdsConsumidor, cdsCliente, cdsConsFilial, lookups, msgPadrao), rules(ruleContext),
      addressRules(ruleContext, cdsEndeCons), branchRules(ruleContext)
{
    setObjectName(QStringLiteral("frmConsumidor"));
    setWindowTitle(QStringLiteral("Consumidor"));
    setScreenCode(QStringLiteral("Cns72200"));
    setModal(false);
    msgPadrao.load(ConsumerMessages::table());

    definePackets();
    dtsConsumidor.setDataSet(&cdsConsumidor);
    dtsFilial.setDataSet(&cdsFilial);
    dtsConsFilial.setDataSet(&cdsConsFilial);
    dtsEndeCons.setDataSet(&cdsEndeCons);

    ruleContext.net = [this]() -> TNetConnection & { return netConsumidor; };
    ruleContext.clientFieldText = [this] { return medCdCliente->text(); };
    ruleContext.cpfDigits = [this] { return medCPF->unmaskedText(); };
    ruleContext.focus = [this](const QString &tab, const QString &name) { focusField(tab, name); };
    ruleContext.busyForm = this;

    buildClientPanel();
    buildToolBar();
    buildFormulario();
    buildDados();
    buildEndereco();
    buildOutrEnde();
    buildSaldo();
    buildFilial();
    buildDigital();
    buildMenu();
    wireLookups();
    wireFieldHandlers();
    wireDetailGrids();
    m_built = true;
    dtsPadrao.setDataSet(&cdsConsumidor);

    dbgPadrao->setColumns({GridColumn(QStringLiteral("CDCONSUMIDOR"), 170), GridColumn(QStringLiteral("NMCONSUMIDOR"), 320),
                           [] {
                               GridColumn c(QStringLiteral("IDSITCONSUMI"), 80);
                               c.pickList = {QStringLiteral("Ativo"), QStringLiteral("Inativo")};
                               return c;
                           }(),
                           GridColumn(QStringLiteral("CDIDCONSUMID"), 170)});
    dbgPadrao->OnDrawColumnCell = [this](const DBGrid::Cell &cell) { dbgPadraoDrawColumnCell(cell); };
    connect(pgcPadrao, &QTabWidget::currentChanged, this, [this] { HandlerGuard::run([this] { pgcPadraoChange(); }); });
    resize(980, 640);
    created();
}

TfrmConsumidor::~TfrmConsumidor()
{
    ModuleConnection::setConsumerScreenConnection(nullptr);
}

void TfrmConsumidor::definePackets()
{
    const ConsumerPacket::Context context{&msgPadrao, [this] { return clientHasCheckDigit(); }, [this] { return clientCode(); },
                                          [] { return Corvane::ModuFili() ? Corvane::FiliProc() : QString(); }};
    for (cns::DataSet *ds : {&cdsConsumidor, &cdsConsTemp})
        ConsumerPacket::define(*ds, context);
    cdsCliente.setFieldDefs(ConsumerRecord::clientFieldDefs());
    cdsCliente.FieldByName(u"NRINSJURCLIE").DisplayLabel = QStringLiteral("Nr. Inscrição");
    cdsCliente.FieldByName(u"NMFANTCLIE").DisplayLabel = QStringLiteral("Nome");
    cdsCliente.FieldByName(u"NMRAZSOCCLIE").DisplayLabel = QStringLiteral("Razão Social");
    cdsCliente.FieldByName(u"NRINSJURCLIE").OnGetText = [](const cns::Field &f, bool) {
        const QString tipo = f.dataSet().FieldByName(u"IDTPIJURCLIE").AsString();
        return EditMask(Consiste::PictPess(tipo)).format(f.AsString());
    };
    cdsClientePesq.setFieldDefs(ConsumerRecord::clientFieldDefs());
    for (const cns::FieldDef &def : cdsCliente.fieldDefs()) {
        const QString &name = def.name;
        cns::Field &from = cdsCliente.FieldByName(name);
        cns::Field &to = cdsClientePesq.FieldByName(name);
        to.DisplayLabel = from.DisplayLabel;
        to.OnGetText = from.OnGetText;
        to.Visible = name == u"NRINSJURCLIE" || name == u"NMFANTCLIE" || name == u"NMRAZSOCCLIE";
    }
    cdsParaVend.setFieldDefs(ConsumerRecord::salesParameterFieldDefs());
    defineDetailPackets();
    for (cns::DataSet *ds : {&cdsConsuVinculados, &cdsPesqConsVinculo}) {
        ds->AddField(QStringLiteral("CDCONSUMIDOR"), cns::FieldType::String, 21, QStringLiteral("Código"));
        ds->AddField(QStringLiteral("NMCONSUMIDOR"), cns::FieldType::String, 50, QStringLiteral("Nome"));
    }

    cdsConsumidor.FieldByName(u"CDCONSUMIDOR").Tag = 1;
    cdsConsumidor.BeforePost = [this](cns::DataSet &) { cdsConsumidorBeforePost(); };
    cdsConsumidor.AfterPost = [this](cns::DataSet &) { cdsConsumidorAfterPost(); };
    cdsConsumidor.BeforeDelete = [this](cns::DataSet &) { cdsConsumidorBeforeDelete(); };
    cdsConsumidor.AfterDelete = [this](cns::DataSet &) { cdsConsumidorAfterDelete(); };
    cdsConsumidor.AfterCancel = [this](cns::DataSet &) { cdsConsumidorAfterCancel(); };
    cdsConsumidor.AfterScroll = [this](cns::DataSet &) {
        if (!m_loadingChunks)
            cdsConsumidorAfterScroll();
    };
    cdsConsumidor.FieldByName(u"CDCONSVINCULO").OnChange = [this](cns::Field &) {
        cdsConsumidor.FieldByName(u"NMCONSVINCULO").Clear();
    };
}

// ---------------------------------------------------------------------------------------------------
// Server calls

Value TfrmConsumidor::call(const QString &method, const QList<Value> &args, int busyKind)
{
    const Showavi::Scope busy(this, busyKind);
    return netConsumidor.Call(method, args);
}

Value TfrmConsumidor::callList(const QString &method, const QList<Value> &args, int minElements, int busyKind)
{
    return Consiste::CheckResultServ(call(method, args, busyKind), true, minElements);
}

bool TfrmConsumidor::clientHasCheckDigit() const
{
    return rules.badge().clientHasCheckDigit();
}

QString TfrmConsumidor::clientCode() const
{
    return ruleContext.clientCode();
}

QString TfrmConsumidor::consumerCode() const
{
    return cdsConsumidor.Active() ? cdsConsumidor.FieldByName(u"CDCONSUMIDOR").AsString() : QString();
}

// ---------------------------------------------------------------------------------------------------
// Creation and closing

void TfrmConsumidor::FormCreate()
{
    ModuleConnection::setConsumerScreenConnection(&netConsumidor);
    m_workingBranch = Corvane::ModuFili() ? Corvane::FiliProc() : QStringLiteral("T");
    ruleContext.workingBranch = m_workingBranch;
    ruleContext.processingBranch = Corvane::FiliProc();
    {
        const Showavi::Scope busy(this, 0);
        netConsumidor.Open();
        cdsParaVend.setData(callList(QStringLiteral("getParaVend"), {}, 1).at(0).packetPtr());
        dbeDataNasc->clear();
        loadClients();
    }
    digital->StartLeitorIdBio();
    pgcPadrao->setCurrentWidget(tshPadrao);
    cboDigital->setCurrentIndex(0);
    panClienteEnter();
    dtsPadraoStateChange();
}

void TfrmConsumidor::loadClients()
{
    const bool perBranch = m_workingBranch != u"T";
    const QList<Value> args = perBranch
                                  ? QList<Value>{Value(m_workingBranch), Value(QString()), Value(QString()), Value(QStringLiteral("T"))}
                                  : QList<Value>{Value(QString()), Value(QStringLiteral("T")), Value(QString()), Value(QStringLiteral("T"))};
    cdsCliente.setData(callList(QStringLiteral("getCliente"), args, 1).at(0).packetPtr());
}

void TfrmConsumidor::FormClose()
{
    for (int i = 0; i < 3 && netConsumidor.Connected(); ++i)
        netConsumidor.Close();
    ModuleConnection::setConsumerScreenConnection(nullptr);
    Cli_cns72200::boIdCriado = false;
    Cli_cns72200::boPesquisa = false;
}

// ---------------------------------------------------------------------------------------------------
// Choosing a client

void TfrmConsumidor::filtraCliente(const QString &nrInscricao, const QString &filial, const QString &cdCliente)
{
    cdsCliente.setFiltered(false);
    const QString number = nrInscricao == u"T" ? nrInscricao : Consiste::Ajusta_Inscricao(nrInscricao);
    // A predicate over the three values: the operator's text never becomes filter syntax.
    cdsCliente.setOnFilterRecord([number, filial, cdCliente](const cns::DataSet &ds) {
        return (number == u"T" || ds.FieldByName(u"NRINSJURCLIE").AsString() == number)
               && (filial == u"T" || ds.FieldByName(u"CDFILIAL").AsString() == filial)
               && (cdCliente == u"T" || ds.FieldByName(u"CDCLIENTE").AsString() == cdCliente);
    });
    cdsCliente.setFiltered(true);
    cdsCliente.First();
}

void TfrmConsumidor::medCdClienteEnter()
{
    Cli_cns72200::boPesquisa = false;
}

void TfrmConsumidor::medCdClienteChange()
{
    edtNmCliente->clear();
    for (QAction *a : {btnAtuFiliCons, btnConsultaCracha, btnAssocia, btnCadAutCons})
        a->setEnabled(false);
    m_chosenClient.clear();
}

void TfrmConsumidor::btpClienteBeforePesq(bool &)
{
    Cli_cns72200::boPesquisa = false;
    {
        const Showavi::Scope busy(this, 0);
        filtraCliente(QStringLiteral("T"), m_workingBranch, QStringLiteral("T"));
        // One line per client, though the packet holds one row per client and branch.
        QSet<QString> seen;
        cns::Packet distinct(cdsCliente.fieldDefs());
        for (cdsCliente.First(); !cdsCliente.Eof(); cdsCliente.Next()) {
            if (seen.contains(cdsCliente.FieldByName(u"CDCLIENTE").AsString()))
                continue;
            seen.insert(cdsCliente.FieldByName(u"CDCLIENTE").AsString());
            QList<Value> row;
            for (int i = 0; i < cdsCliente.FieldCount(); ++i)
                row.append(cdsCliente.Fields(i).AsValue());
            distinct.addRow(row);
        }
        cdsClientePesq.setData(distinct);
    }
    m_chosenClient.clear();
}

void TfrmConsumidor::btpClienteAfterPesq()
{
    Cli_cns72200::boPesquisa = true;
    const QString number = cdsClientePesq.FieldByName(u"NRINSJURCLIE").AsString();
    const QString code = cdsClientePesq.FieldByName(u"CDCLIENTE").AsString();
    QString tipo;
    Consiste::Ajusta_Inscricao(number, &tipo);
    medCdCliente->setMaskAndText(Consiste::PictPess(tipo), number);
    edtNmCliente->setText(cdsClientePesq.FieldByName(u"NMFANTCLIE").AsString());
    filtraCliente(medCdCliente->text(), m_workingBranch, code);
    m_chosenClient = code;
    // The lookup button takes no focus: without this the focus could stay outside the panel, and
    // leaving the panel is what loads the client's consumers.
    medCdCliente->setFocus();
}

void TfrmConsumidor::medCdClienteExit()
{
    filtraCliente(medCdCliente->text(), m_workingBranch, m_chosenClient.isEmpty() ? QStringLiteral("T") : m_chosenClient);
    Vd_Cliente(false);
    for (QAction *a : {btnConsultaCracha, btnAssocia, btnCadAutCons, btnAtuFiliCons})
        a->setEnabled(!medCdCliente->unmaskedText().trimmed().isEmpty());
}

void TfrmConsumidor::Vd_Cliente(bool required)
{
    if (Consiste::EmptyString(medCdCliente->unmaskedText())) {
        // No registration number matches an empty field: leaving it empty is refused as an unknown
        // client would be, and the screen never stays on the consumers of a client no longer shown.
        medCdCliente->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(required ? u"Cli_Inf" : u"Cli_NCad"));
    }
    filtraCliente(medCdCliente->text(), m_workingBranch,
                  cdsCliente.IsEmpty() ? QStringLiteral("T") : cdsCliente.FieldByName(u"CDCLIENTE").AsString());
    if (cdsCliente.IsEmpty()) {
        medCdCliente->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Cli_NCad"));
    }
    const QString number = cdsCliente.FieldByName(u"NRINSJURCLIE").AsString();
    QString tipo;
    Consiste::Ajusta_Inscricao(number, &tipo);
    medCdCliente->setMaskAndText(Consiste::PictPess(tipo), number);
    edtNmCliente->setText(cdsCliente.FieldByName(u"NMFANTCLIE").AsString());
}

void TfrmConsumidor::panClienteEnter()
{
    cdsConsumidor.Close();
    medCdCliente->setMaskAndText(Consiste::PictPess(u"I"), medCdCliente->unmaskedText());
    pgcPadrao->setCurrentWidget(tshPadrao);
    for (QWidget *tab : {tshFormulario, tshDados, tshEndereco, tshSaldo, tshFilial, tshDigital, tshOutrEnde})
        setTab(tab, false);
    menusFollowTabs();
    lblConsumidor->hide();
}

void TfrmConsumidor::panClienteExit()
{
    const QString text = medCdCliente->unmaskedText();
    QString tipo;
    Consiste::Ajusta_Inscricao(text, &tipo);
    medCdCliente->setMaskAndText(Consiste::PictPess(tipo), text);
    if (clientCode().isEmpty() || cdsCliente.IsEmpty())
        return; // no client chosen: nothing to load
    loadConsumers();
    const bool rows = !cdsConsumidor.IsEmpty();
    if (!rows)
        pgcPadrao->setCurrentWidget(tshPadrao);
    for (QWidget *tab : {tshFormulario, tshDados, tshEndereco, tshSaldo, tshFilial, tshOutrEnde})
        setTab(tab, rows);
    setTab(tshDigital, true);
    menusFollowTabs();
    pgcPadraoChange();
    showConsumerLabel();
}

// Counting, then one call or the chunks behind the name filter.
void TfrmConsumidor::loadConsumers()
{
    const QString client = clientCode();
    const Value count = call(QStringLiteral("getCountConsumidor"), {Value(client)});
    if (count.isError())
        Consiste::CheckResultServ(count, true, 0);
    m_total = int(count.toInt());
    m_many = m_total > kManyConsumers;
    if (!m_many) {
        const Value reply = callList(QStringLiteral("getPrincipal"), {Value(client), Value(m_workingBranch)}, 2);
        cdsConsumidor.setData(reply.at(0).packetPtr());
        cdsFilial.setData(reply.at(1).packetPtr());
        return;
    }
    loadInChunks();
}

void TfrmConsumidor::loadInChunks()
{
    if (cdsConsumidor.Active() && cdsConsumidor.State() == DataSetState::Browse)
        cdsConsumidor.EmptyDataSet();
    if (!cdsConsumidor.Active())
        cdsConsumidor.Open();
    QString answer;
    if (!cns::HostDialogs::current().inputBox(QApplication::applicationDisplayName(), msgPadrao.Msg(u"FILTRO_AUX"), &answer)
        || answer.trimmed().isEmpty()) {
        msgPadrao.ShowMsg(u"INF_NAO", cns::MsgType::Information, cns::mbOK);
        throw cns::EAbort();
    }
    m_filter = answer;
    const Showavi::Scope busy(this, 0);
    qint64 start = 1, end = kManyConsumers;
    {
        const ScopedFlag loading(m_loadingChunks);
        cdsConsumidor.DisableControls();
        const auto enable = qScopeGuard([this] { cdsConsumidor.EnableControls(); });
        while (start <= m_total) {
            const Value reply = Consiste::CheckResultServ(
                netConsumidor.Call(QStringLiteral("getPrincipalMuitoReg"), {Value(clientCode()), Value(m_workingBranch),
                                                                            Value(QString::number(start)), Value(QString::number(end)),
                                                                            Value(m_filter)}),
                true, 2);
            cdsConsTemp.setData(reply.at(0).packetPtr());
            cdsConsumidor.AppendData(cdsConsTemp.Data());
            cdsConsumidor.MergeChangeLog();
            cdsConsTemp.EmptyDataSet();
            cdsFilial.setData(reply.at(1).packetPtr());
            start = end + 1;
            end *= 2;
        }
        cdsConsumidor.First();
    }
    cdsConsumidorAfterScroll();
}

void TfrmConsumidor::sbtVerificarClick()
{
    if (pgcPadrao->currentWidget() == tshFilial || pgcPadrao->currentWidget() == tshOutrEnde) {
        loadDetails();
        return;
    }
    if (!clientCode().isEmpty())
        loadConsumers();
}

// ---------------------------------------------------------------------------------------------------
// Tabs, states and record actions

void TfrmConsumidor::setTab(QWidget *tab, bool enabled)
{
    pgcPadrao->setTabEnabled(pgcPadrao->indexOf(tab), enabled);
}

bool TfrmConsumidor::tabEnabled(QWidget *tab) const
{
    return pgcPadrao->isTabEnabled(pgcPadrao->indexOf(tab));
}

void TfrmConsumidor::setFormTabs(bool enabled)
{
    for (QWidget *tab : {tshFormulario, tshDados, tshEndereco, tshSaldo})
        setTab(tab, enabled);
}

void TfrmConsumidor::menusFollowTabs()
{
    const QList<QPair<QAction *, QWidget *>> pairs = {{mnuPadrao, tshPadrao},     {mnuFormulario, tshFormulario},
                                                      {mnuDados, tshDados},       {mnuEndereco, tshEndereco},
                                                      {mnuSaldo, tshSaldo},       {mnuFilial, tshFilial}};
    for (const auto &[action, tab] : pairs) {
        action->setEnabled(tabEnabled(tab));
        action->setChecked(pgcPadrao->currentWidget() == tab);
    }
}

void TfrmConsumidor::showConsumerLabel()
{
    const bool rows = cdsConsumidor.Active() && !cdsConsumidor.IsEmpty();
    lblConsumidor->setVisible(rows);
    if (!rows)
        return;
    lblConsumidor->setText(cdsConsumidor.FieldByName(u"CDCONSUMIDOR").AsString() + QStringLiteral(" - ")
                           + cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString() + QStringLiteral(" - ")
                           + cdsConsumidor.FieldByName(u"CDIDCONSUMID").AsString());
}

void TfrmConsumidor::pgcPadraoChange()
{
    QWidget *tab = pgcPadrao->currentWidget();
    if (tab == tshFilial) {
        if (cdsConsumidor.Active())
            loadDetail(cdsConsFilial, QStringLiteral("getConsFilial"));
        dtsPadrao.setDataSet(&cdsConsFilial);
    } else if (tab == tshOutrEnde) {
        if (cdsConsumidor.Active())
            loadDetail(cdsEndeCons, QStringLiteral("getEndeCons"));
        dtsPadrao.setDataSet(&cdsEndeCons);
    } else {
        dtsPadrao.setDataSet(&cdsConsumidor);
    }
    menusFollowTabs();
    dtsPadraoStateChange();
}

void TfrmConsumidor::dtsPadraoStateChange()
{
    TfrmPadraoGrid::dtsPadraoStateChange();
    if (!m_built)
        return; // the base screen runs this while the controls are still being built
    const DataSetState consumerState = cdsConsumidor.State();
    const bool consumerEditing = isEditing(consumerState);
    const bool rows = cdsConsumidor.Active() && !cdsConsumidor.IsEmpty();
    dbeCdCons->setEnabled(consumerState == DataSetState::Insert);
    if (auto *label = findChild<QLabel *>(QStringLiteral("lblCdCons")))
        label->setEnabled(consumerState == DataSetState::Insert);
    panCliente->setEnabled(!consumerEditing);

    const cns::DataSet *on = dtsPadrao.dataSet();
    if (on == &cdsConsumidor) {
        if (!rows && !consumerEditing) {
            setTab(tshPadrao, true);
            pgcPadrao->setCurrentWidget(tshPadrao);
            setFormTabs(false);
        } else if (consumerEditing) {
            setTab(tshFormulario, true);
            setTab(tshPadrao, false);
            for (QWidget *tab : {tshDados, tshEndereco, tshSaldo})
                setTab(tab, true);
            setTab(tshFilial, false);
            setTab(tshOutrEnde, false);
        } else {
            setTab(tshPadrao, true);
            setFormTabs(true);
        }
        if (!consumerEditing) {
            setTab(tshFilial, rows);
            setTab(tshOutrEnde, rows);
        }
        // No client, no consumer to include.
        actIncluir->setEnabled(cdsConsumidor.Active() && !consumerEditing);
        // A consumer being included has no history yet.
        btnHistCons->setEnabled(rows && consumerState != DataSetState::Insert);
    } else {
        detailStateChange(on);
    }
    menusFollowTabs();
}

void TfrmConsumidor::sbtIncluirClick()
{
    TfrmPadraoGrid::sbtIncluirClick();
    if (onDetailTab())
        return;
    setTab(tshFormulario, true);
    dbeDataNasc->clear();
    pgcPadrao->setCurrentWidget(tshFormulario);
    dbeCdCons->setFocus();
    for (QWidget *tab : {tshDados, tshEndereco, tshSaldo})
        setTab(tab, true);
    setTab(tshPadrao, false);
    menusFollowTabs();
}

void TfrmConsumidor::sbtAlterarClick()
{
    TfrmPadraoGrid::sbtAlterarClick();
    if (onDetailTab())
        return;
    pgcPadrao->setCurrentWidget(tshFormulario);
    dbeNmCons->setFocus();
}

void TfrmConsumidor::sbtCancelarClick()
{
    TfrmPadraoGrid::sbtCancelarClick();
    if (onDetailTab())
        return;
    setTab(tshPadrao, true);
    setFormTabs(cdsConsumidor.Active() && !cdsConsumidor.IsEmpty());
    menusFollowTabs();
    digital->showCapturePanels();
}

void TfrmConsumidor::sbtConfirmarClick()
{
    rules.Vd_DtNasc(dbeDataNasc->text());
    if (cdsConsFilial.State() == DataSetState::Insert)
        rules.badge().Vd_CodBarra(false);
    TfrmPadraoGrid::sbtConfirmarClick();
}

void TfrmConsumidor::focusField(const QString &tab, const QString &name)
{
    showField(tab, name);
    // A check that fails while the operator changes tabs runs inside that change (leaving the field
    // is what checks it): the tab bar then shows the field's tab but the page shown is still the one
    // he clicked. Once the change is over the pages follow the tab bar again.
    QTimer::singleShot(0, this, [this, tab, name] {
        auto *page = findChild<QWidget *>(tab);
        auto *pages = pgcPadrao->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly);
        if (page && pages && pgcPadrao->currentIndex() == pgcPadrao->indexOf(page))
            pages->setCurrentWidget(page);
        showField(tab, name);
    });
}

void TfrmConsumidor::showField(const QString &tab, const QString &name)
{
    if (auto *page = findChild<QWidget *>(tab))
        pgcPadrao->setCurrentWidget(page);
    // On the detail tabs a field is a cell of the tab's grid.
    if (DBGrid *grid = tab == u"tshFilial" ? dbgConsFilial : tab == u"tshOutrEnde" ? dbgEndeCons : nullptr) {
        grid->selectField(name);
        grid->setFocus();
        return;
    }
    QWidget *control = m_controlOfField.value(name);
    if (!control)
        control = findChild<QWidget *>(name);
    if (control)
        control->setFocus();
}

// ---------------------------------------------------------------------------------------------------
// Grid drawing

void TfrmConsumidor::dbgPadraoDrawColumnCell(const DBGrid::Cell &cell)
{
    const int row = cell.index.row();
    const bool inactive = cdsConsumidor.rowValue(row, cdsConsumidor.fieldIndex(u"IDSITCONSUMI")).toString() == u"2";
    DBGrid::Cell stored = cell;
    // The badge column shows the whole stored badge, check digit included.
    if (cell.field != u"IDSITCONSUMI")
        stored.text = cdsConsumidor.rowValue(row, cdsConsumidor.fieldIndex(cell.field)).toString();
    ConsumerGridCell::draw(stored, inactive, msgPadrao);
}

// ---------------------------------------------------------------------------------------------------
// Saving, deleting and scrolling

void TfrmConsumidor::cdsConsumidorBeforePost()
{
    bool verifSaldo = cbbVerifSaldoCons->isChecked();
    rules.beforePost(verifSaldo);
    const QSignalBlocker quiet(cbbVerifSaldoCons);
    cbbVerifSaldoCons->setChecked(verifSaldo);
}

// A blank value and a zero travel alike in the change set: the server is told which were blank.
QList<bool> TfrmConsumidor::emptyValueFlags() const
{
    QList<bool> flags;
    for (const QString &name : ConsumerRecord::valueFlagFields()) {
        const cns::Field &f = cdsConsumidor.FieldByName(name);
        flags.append(f.IsNull() || f.AsString().trimmed().isEmpty());
    }
    return flags;
}

void TfrmConsumidor::send(const QList<bool> &emptyFlags)
{
    if (cdsConsumidor.ChangeCount() == 0)
        return;
    try {
        QList<Value> args{Value(cdsConsumidor.Delta())};
        for (bool empty : emptyFlags)
            args.append(Value(empty ? -1 : 0));
        Consiste::CheckResultServ(call(QStringLiteral("SetConsumidor"), args, 1), true, 0);
        if (cdsConsumidor.LogChanges())
            cdsConsumidor.MergeChangeLog();
    } catch (...) {
        // The grid never shows a consumer the server did not accept.
        cdsConsumidor.CancelUpdates();
        if (cdsConsumidor.LogChanges())
            cdsConsumidor.MergeChangeLog();
        throw;
    }
}

void TfrmConsumidor::refreshCaches()
{
    Corvane::AtualizaLocalCache({QStringLiteral("CONSUMIFILIAL")});
    Corvane::AtualizaLocalCache({QStringLiteral("CONSUMIDOR")});
}

void TfrmConsumidor::cdsConsumidorAfterPost()
{
    send(emptyValueFlags());
    refreshCaches();
    cdsConsumidorAfterScroll();
}

void TfrmConsumidor::cdsConsumidorBeforeDelete()
{
    cdsConsuVinculados.setData(
        callList(QStringLiteral("getConsuVinculados"), {Value(clientCode()), Value(consumerCode())}, 1).at(0).packetPtr());
    if (cdsConsuVinculados.IsEmpty())
        return;
    QString list;
    for (cdsConsuVinculados.First(); !cdsConsuVinculados.Eof(); cdsConsuVinculados.Next())
        list += QStringLiteral("- ") + cdsConsuVinculados.FieldByName(u"NMCONSUMIDOR").AsString() + QStringLiteral(" (")
                + cdsConsuVinculados.FieldByName(u"CDCONSUMIDOR").AsString() + QStringLiteral(")\r");
    Tmsgaler::MsgAlert(msgPadrao.Msg(u"NEXC_CONSVINC", {QStringLiteral("\r") + list}), cns::MsgType::Warning, cns::mbOK,
                       msgPadrao.Msg(u"OK"));
    throw cns::EAbort();
}

void TfrmConsumidor::cdsConsumidorAfterDelete()
{
    send(QList<bool>(ConsumerRecord::valueFlagFields().size(), false));
    refreshCaches();
    pgcPadraoChange();
}

void TfrmConsumidor::cdsConsumidorAfterCancel()
{
    cdsConsumidorAfterScroll();
    dtsPadraoStateChange();
}

// One detail packet of the current consumer (his branch links or further addresses) from method;
// none without a consumer.
void TfrmConsumidor::loadDetail(cns::DataSet &rows, const QString &method)
{
    const QString consumer = consumerCode();
    if (consumer.isEmpty()) {
        rows.setData(cns::Packet(rows.fieldDefs()));
        return;
    }
    rows.setData(callList(method, {Value(clientCode()), Value(consumer)}, 1, 6).at(0).packetPtr());
}

void TfrmConsumidor::loadDetails()
{
    loadDetail(cdsConsFilial, QStringLiteral("getConsFilial"));
    loadDetail(cdsEndeCons, QStringLiteral("getEndeCons"));
}

void TfrmConsumidor::cdsConsumidorAfterScroll()
{
    if (!cdsConsumidor.Active())
        return;
    medCPF->setMaskAndText(kCpfMask, cdsConsumidor.FieldByName(u"NRCPFRESPCON").AsString());
    const cns::Field &birth = cdsConsumidor.FieldByName(u"DTNASCCONS");
    dbeDataNasc->setMaskAndText(kDateMask, birth.IsNull() ? QString() : birth.AsDateTime().date().toString(QStringLiteral("ddMMyyyy")));
    cbbVerifSaldoCons->setEnabled(cdsConsumidor.State() != DataSetState::Insert);
    {
        const QSignalBlocker quiet(cbbVerifSaldoCons);
        cbbVerifSaldoCons->setChecked(cdsConsumidor.FieldByName(u"IDVERSALDCON").AsString() == u"S");
    }
    applyBalanceEnabling();
    // Anonymising is done once: an anonymised consumer has nothing left to anonymise.
    btnAnonimizaCons->setEnabled(cdsConsumidor.FieldByName(u"IDANONIMIZADO").AsString() != u"S");
    loadDetails();
    showConsumerLabel();
}

void TfrmConsumidor::applyBalanceEnabling()
{
    const bool on = cbbVerifSaldoCons->isChecked() && cbbVerifSaldoCons->isEnabled();
    for (QGroupBox *group : {grbConsDeb, grbConsCred}) {
        group->setEnabled(on);
        for (QWidget *child : group->findChildren<QWidget *>())
            child->setEnabled(on);
    }
    for (DBNumericEdit *e : debitEdits + creditEdits) {
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, on ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
        e->setPalette(pal);
    }
}

void TfrmConsumidor::cbbVerifSaldoConsClick()
{
    if (cdsConsumidor.Active() && cdsConsumidor.State() == DataSetState::Browse && !cdsConsumidor.IsEmpty())
        cdsConsumidor.Edit();
    applyBalanceEnabling();
}

// ---------------------------------------------------------------------------------------------------
// Openings of the other screens

void TfrmConsumidor::runClientPanelAgain()
{
    // Reloading keeps the list current after a screen that may have changed consumers.
    HandlerGuard::run([this] { panClienteExit(); });
}

void TfrmConsumidor::btfImpConsuClick()
{
    CriaImpConsumidor();
    runClientPanelAgain();
}

void TfrmConsumidor::sbtImprimirClick()
{
    CriaRelatConsumid();
}

void TfrmConsumidor::btnConsultaCrachaClick()
{
    CriaConsultaCracha(medCdCliente->text(), Corvane::FiliProc());
    runClientPanelAgain();
}

void TfrmConsumidor::btnAssociaClick()
{
    CriaAssocia(m_workingBranch, medCdCliente->text() + QStringLiteral(" - ") + edtNmCliente->text(), clientCode());
    runClientPanelAgain();
}

// ---------------------------------------------------------------------------------------------------
// Passwords: only their stored forms reach the record, and only once a password was accepted, so a
// cancelled dialog leaves the consumer as it was.

namespace {

bool hasCurrentConsumer(const cns::DataSet &ds)
{
    return ds.Active() && (ds.State() != DataSetState::Browse || !ds.IsEmpty());
}

void editIfBrowsing(cns::DataSet &ds)
{
    if (ds.State() == DataSetState::Browse)
        ds.Edit();
}

} // namespace

void TfrmConsumidor::btnAltSenhaClick()
{
    if (!hasCurrentConsumer(cdsConsumidor))
        return;
    const QString typed = ValidaSenha(cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString(), msgPadrao.Msg(u"SEN_CONS"),
                                      msgPadrao.Msg(u"CONS"), false);
    if (Consiste::EmptyString(typed))
        return;
    editIfBrowsing(cdsConsumidor);
    cdsConsumidor.FieldByName(u"CDSENHACONS").setText(typed);
}

void TfrmConsumidor::btnSenhaClick()
{
    if (!hasCurrentConsumer(cdsConsumidor))
        return;
    const QString typed = ValidaSenha(cdsConsumidor.FieldByName(u"NMLOGINCONS").AsString(), msgPadrao.Msg(u"SEN_SITE"),
                                      msgPadrao.Msg(u"CD_SITE"), true);
    if (Consiste::EmptyString(typed))
        return;
    editIfBrowsing(cdsConsumidor);
    cdsConsumidor.FieldByName(u"CDSENHASITE").setAsString(Criptografa::CriptoPlus(typed));
    cdsConsumidor.FieldByName(u"CDSENHACONSMD5").setAsString(PasswordRules::siteDigest(typed));
}

// ---------------------------------------------------------------------------------------------------
// Linking many consumers to the current one

void TfrmConsumidor::btnCadAutConsClick()
{
    QWidget *button = toolBar()->widgetForAction(btnCadAutCons);
    pmnCad->popup(button ? button->mapToGlobal(button->rect().bottomLeft()) : QCursor::pos());
}

void TfrmConsumidor::mnuVinculaConsClick()
{
    if (!hasCurrentConsumer(cdsConsumidor))
        return;
    auto *screen = new TfrmVinculaCons(netConsumidor, clientCode(), consumerCode(),
                                       cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString(), this);
    // Freed here rather than on close, so that whether it linked can still be asked.
    screen->setAttribute(Qt::WA_DeleteOnClose, false);
    Cli_cns72209::frmVinculaCons = screen;
    Cli_cns72209::boIdCriado = true;
    QPointer<TfrmVinculaCons> alive(screen);
    const auto release = qScopeGuard([&alive] {
        delete alive.data();
        Cli_cns72209::frmVinculaCons = nullptr;
        Cli_cns72209::boIdCriado = false;
    });
    screen->exec();
    const bool linked = alive && alive->linked();
    // The linked consumers show their new main consumer at once.
    if (linked)
        sbtVerificarClick();
}

// ---------------------------------------------------------------------------------------------------
// Anonymisation

void TfrmConsumidor::btnAnonimizaConsClick()
{
    if (!hasCurrentConsumer(cdsConsumidor))
        return;
    CriaAnonimizaCons({Value(clientCode()), Value(consumerCode()), Value(cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString())}, 2);
}

// ---------------------------------------------------------------------------------------------------
// History

void TfrmConsumidor::btnHistConsClick()
{
    if (!hasCurrentConsumer(cdsConsumidor))
        return;
    TfrmHistCons screen(netConsumidor, cdsConsumidor.FieldByName(u"CDCLIENTE").AsString(), consumerCode(),
                        cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString(), this);
    screen.setAttribute(Qt::WA_DeleteOnClose, false);
    Cli_cns72212::frmHistCons = &screen;
    const auto release = qScopeGuard([] { Cli_cns72212::frmHistCons = nullptr; });
    if (screen.loaded())
        screen.exec();
}
