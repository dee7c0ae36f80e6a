#include "TfrmRelatorioCons.h"

#include "Consiste.h"
#include "Corvane.h"
#include "FocusEvents.h"
#include "HandlerGuard.h"
#include "MaskEdit.h"
#include "ModuleConnection.h"
#include "Pesqlista.h"
#include "ReportQuery.h"
#include "Showavi.h"
#include "TBtnPesquisa.h"
#include "TNetConnection.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using cns::FieldType;
using cns::SqlDialect;
using cns::Value;
using namespace cns::ui;

namespace Cli_cns72204 {
bool boPrimVez = false;
TfrmRelatorioCons *frmRelatorioCons = nullptr;
} // namespace Cli_cns72204

namespace {

template<typename T> T *named(T *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

// Whether TC.CDCLIENTE is among the picked clients, in each dialect's words. The generic text runs
// on SQLite and PostgreSQL alike (no INSTR or STRPOS in both) and, with the underscores around the
// code, tests whole keys only.
const QString kClientMemberGeneric = QStringLiteral(
    "(:P_TCDCLIENTE = 'T' OR LENGTH(REPLACE(:P_CDCLIENTE, '_' || TC.CDCLIENTE || '_', '')) < LENGTH(:P_CDCLIENTE))");
const QString kClientMemberOracle = QStringLiteral("(:P_TCDCLIENTE = 'T' OR INSTR(:P_CDCLIENTE, TC.CDCLIENTE) > 0)");
const QString kClientMemberMssql = QStringLiteral("(:P_TCDCLIENTE = 'T' OR CHARINDEX(TC.CDCLIENTE, :P_CDCLIENTE) > 0)");
const QString kClientMemberInterBase
    = QStringLiteral("(:P_TCDCLIENTE = 'T' OR INSTR(P_CDCLIENTE.PARAM, TC.CDCLIENTE) > 0)");

// A type query over TIPOCONSCLI joined as join says, with the client membership test in every dialect.
void setClientTypeSql(TADOIBQuery &q, const QString &join)
{
    const QString select = QStringLiteral("SELECT DISTINCT TC.CDTIPOCONS, TC.NMTIPOCONSCLI FROM TIPOCONSCLI TC %1%2 "
                                          "WHERE %3 AND %4 ORDER BY TC.CDTIPOCONS");
    const QString branch = join.contains(QStringLiteral("TIPOCONSFILI")) ? QStringLiteral("TF.CDFILIAL = :P_CDFILIAL")
                                                                         : QStringLiteral("CF.CDFILIAL = :P_CDFILIAL");
    q.setSQL(SqlDialect::Text::Generic, select.arg(join, QString(), branch, kClientMemberGeneric));
    q.setSQL(SqlDialect::Text::Oracle, select.arg(join, QString(), branch, kClientMemberOracle));
    q.setSQL(SqlDialect::Text::MSSQL, select.arg(join, QString(), branch, kClientMemberMssql));
    q.setSQL(SqlDialect::Text::InterBase,
             select.arg(join, QStringLiteral(" JOIN PARAM(:P_CDCLIENTE) P_CDCLIENTE ON 1 = 1"), branch,
                        kClientMemberInterBase));
}

void addTypeFields(TADOIBQuery &q, const QString &nameField)
{
    q.AddField(QStringLiteral("CDTIPOCONS"), FieldType::String, 2, QStringLiteral("Código"));
    q.AddField(nameField, FieldType::String, 40, QStringLiteral("Nome"));
}

} // namespace

TfrmRelatorioCons::TfrmRelatorioCons(QWidget *parent)
    : TfrmDadosGerRel(parent), cdsConsumidorFilial(QStringLiteral("cdsConsumidorFilial")),
      qryFilial(QStringLiteral("qryFilial")), qryCliente(QStringLiteral("qryCliente")),
      qryTipoConsCliFili(QStringLiteral("qryTipoConsCliFili")), qryTipoConsCli(QStringLiteral("qryTipoConsCli")),
      qryTipoConsFili(QStringLiteral("qryTipoConsFili")), qryTipoCons(QStringLiteral("qryTipoCons"))
{
    setObjectName(QStringLiteral("frmRelatorioCons"));
    setWindowTitle(QStringLiteral("Consumidor"));
    setScreenCode(QStringLiteral("Cns72204"));
    setReportCode(QStringLiteral("Cns722"), QStringLiteral("consumidores-filial-tipo"));
    msgPadrao.load(u"Cliente|Cliente\n"
                   u"Consumidor|Consumidor\n"
                   u"ClieDeve|Cliente deve ser informado.\n"
                   u"ConsDeve|Consumidor deve ser informado.\n"
                   u"Filial_Dev|Filial deve ser informada.\n"
                   u"Filial_NCad|Filial não cadastrada.\n"
                   u"TpConsDeve|Tipo de Consumidor deve ser informado.\n"
                   u"TipoCons|Tipos de Consumidor");

    body()->addWidget(buildBranch());
    auto *filters = new QHBoxLayout;
    filters->addWidget(grbCliente = buildFilter(QStringLiteral("grbCliente"), QStringLiteral("Cliente"), rbtTodosClie,
                                                rbtListaClie, btfCliente, QStringLiteral("btfCliente")));
    filters->addWidget(grbConsumidor
                       = buildFilter(QStringLiteral("grbConsumidor"), QStringLiteral("Consumidor"), rbtTodosCons,
                                     rbtListaCons, btfConsumidor, QStringLiteral("btfConsumidor")));
    filters->addWidget(grbTipoCons = buildFilter(QStringLiteral("grbTipoCons"), QStringLiteral("Tipos de Consumidor"),
                                                 rbtTpTodos, rbtTpLista, btpTpCons, QStringLiteral("btpTpCons")));
    body()->addLayout(filters);
    body()->addStretch();
    rbtTodosClie->setObjectName(QStringLiteral("rbtTodosClie"));
    rbtListaClie->setObjectName(QStringLiteral("rbtListaClie"));
    rbtTodosCons->setObjectName(QStringLiteral("rbtTodosCons"));
    rbtListaCons->setObjectName(QStringLiteral("rbtListaCons"));
    rbtTpTodos->setObjectName(QStringLiteral("rbtTpTodos"));
    rbtTpLista->setObjectName(QStringLiteral("rbtTpLista"));

    connect(rbtTodosClie, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtTodosClieClick(); }));
    connect(rbtListaClie, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtListaClieClick(); }));
    connect(btfCliente, &QPushButton::clicked, this, HandlerGuard::guarded([this] { btfClienteClick(); }));
    connect(rbtTodosCons, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtTodosConsClick(); }));
    connect(rbtListaCons, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtListaConsClick(); }));
    connect(btfConsumidor, &QPushButton::clicked, this, HandlerGuard::guarded([this] { btfConsumidorClick(); }));
    connect(rbtTpTodos, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtTpTodosClick(); }));
    connect(rbtTpLista, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtTpListaClick(); }));
    connect(btpTpCons, &QPushButton::clicked, this, HandlerGuard::guarded([this] { btpTpConsClick(); }));
    // rbtListaClieKeyDown, rbtListaConsKeyDown: F9 opens the list.
    rbtListaClie->installEventFilter(this);
    rbtListaCons->installEventFilter(this);
    FocusEvents::instance().onExit(grbFilial, [this] { vdFilial(); });

    defineQueries();
    resize(680, 260);
    created();
}

QGroupBox *TfrmRelatorioCons::buildBranch()
{
    grbFilial = named(new QGroupBox(QStringLiteral("Filial"), this), QStringLiteral("grbFilial"));
    auto *row = new QHBoxLayout(grbFilial);
    medFilial = named(new MaskEdit(grbFilial), QStringLiteral("medFilial"));
    medFilial->setEditMask(QStringLiteral(">aaaa;0; "));
    btpPesqFilial = named(new TBtnPesquisa(grbFilial), QStringLiteral("btpPesqFilial"));
    btpPesqFilial->Source = &qryFilial;
    btpPesqFilial->Title = QStringLiteral("Filial");
    btpPesqFilial->EmptyText = QStringLiteral("Não há filial cadastrada.");
    btpPesqFilial->BeforePesq = [this](bool &cancel) {
        btpPesqFilialBeforePesq(cancel);
    };
    btpPesqFilial->AfterPesq = [this] {
        btpPesqFilialAfterPesq();
    };
    edtFilial = named(new QLineEdit(grbFilial), QStringLiteral("edtFilial"));
    edtFilial->setEnabled(false);
    row->addWidget(medFilial);
    row->addWidget(btpPesqFilial);
    row->addWidget(edtFilial, 1);
    return grbFilial;
}

QGroupBox *TfrmRelatorioCons::buildFilter(const QString &name, const QString &title, QRadioButton *&all,
                                          QRadioButton *&list, QPushButton *&button, const QString &buttonName)
{
    auto *group = named(new QGroupBox(title, this), name);
    auto *grid = new QGridLayout(group);
    all = new QRadioButton(QStringLiteral("Todos"), group);
    list = new QRadioButton(QStringLiteral("Lista"), group);
    button = named(new QPushButton(QStringLiteral("..."), group), buttonName);
    all->setChecked(true);
    button->setEnabled(false);
    grid->addWidget(all, 0, 0);
    grid->addWidget(list, 1, 0);
    grid->addWidget(button, 1, 1);
    // Focusing the group puts the operator on its choice.
    group->setFocusProxy(all);
    return group;
}

void TfrmRelatorioCons::defineQueries()
{
    qryFilial.setSQL(
        QStringLiteral("SELECT NMFILIAL, CDFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T' "
                       "ORDER BY CDFILIAL"));
    qryFilial.AddField(QStringLiteral("NMFILIAL"), FieldType::String, 30, QStringLiteral("Nome"));
    qryFilial.AddField(QStringLiteral("CDFILIAL"), FieldType::String, 4, QStringLiteral("Código"));

    qryCliente.setSQL(
        QStringLiteral("SELECT CF.CDCLIENTE, C.NRINSJURCLIE, C.NMRAZSOCCLIE, C.NMFANTCLIE, C.IDTPIJURCLIE "
                       "FROM CLIENFILIAL CF JOIN CLIENTE C ON C.CDCLIENTE = CF.CDCLIENTE "
                       "WHERE CF.CDFILIAL = :P_CDFILIAL ORDER BY C.NRINSJURCLIE"));
    qryCliente.AddField(QStringLiteral("CDCLIENTE"), FieldType::String, 21).Visible = false;
    qryCliente.AddField(QStringLiteral("NRINSJURCLIE"), FieldType::String, 20, QStringLiteral("Inscrição"));
    qryCliente.AddField(QStringLiteral("NMRAZSOCCLIE"), FieldType::String, 50, QStringLiteral("Razão Social"));
    qryCliente.AddField(QStringLiteral("NMFANTCLIE"), FieldType::String, 50, QStringLiteral("Nome"));
    qryCliente.AddField(QStringLiteral("IDTPIJURCLIE"), FieldType::String, 1).Visible = false;

    setClientTypeSql(qryTipoConsCliFili, QStringLiteral("JOIN TIPOCONSFILI TF ON TF.CDTIPOCONS = TC.CDTIPOCONS"));
    addTypeFields(qryTipoConsCliFili, QStringLiteral("NMTIPOCONSCLI"));
    setClientTypeSql(qryTipoConsCli, QStringLiteral("JOIN CLIENFILIAL CF ON CF.CDCLIENTE = TC.CDCLIENTE"));
    addTypeFields(qryTipoConsCli, QStringLiteral("NMTIPOCONSCLI"));
    qryTipoConsFili.setSQL(
        QStringLiteral("SELECT TC.CDTIPOCONS, TC.NMTIPOCONS FROM TIPOCONS TC JOIN TIPOCONSFILI TF "
                       "ON TF.CDTIPOCONS = TC.CDTIPOCONS WHERE TF.CDFILIAL = :P_CDFILIAL ORDER BY TC.CDTIPOCONS"));
    addTypeFields(qryTipoConsFili, QStringLiteral("NMTIPOCONS"));
    qryTipoCons.setSQL(QStringLiteral("SELECT CDTIPOCONS, NMTIPOCONS FROM TIPOCONS ORDER BY CDTIPOCONS"));
    addTypeFields(qryTipoCons, QStringLiteral("NMTIPOCONS"));
}

void TfrmRelatorioCons::FormCreate()
{
    TfrmDadosGerRel::FormCreate();
    Cli_cns72204::boPrimVez = true;
}

void TfrmRelatorioCons::FormActivate()
{
    TfrmDadosGerRel::FormActivate();
    if (Cli_cns72204::boPrimVez) {
        Cli_cns72204::boPrimVez = false;
        medFilial->setText(Corvane::FiliProc());
        edtFilial->setText(Corvane::NomeFiliProc());
    }
    const bool editable = !Corvane::ModuFili();
    medFilial->setEnabled(editable);
    btpPesqFilial->setEnabled(editable);
    if (editable)
        medFilial->setFocus();
    else
        grbCliente->setFocus();
}

bool TfrmRelatorioCons::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F9) {
        if (watched == rbtListaClie) {
            HandlerGuard::run([this] { btfClienteClick(); });
            return true;
        }
        if (watched == rbtListaCons) {
            HandlerGuard::run([this] { btfConsumidorClick(); });
            return true;
        }
    }
    return TfrmDadosGerRel::eventFilter(watched, event);
}

QString TfrmRelatorioCons::branch() const
{
    return medFilial->text().trimmed();
}

void TfrmRelatorioCons::vdFilial()
{
    const auto fail = [this](QStringView key) {
        if (medFilial->isEnabled())
            medFilial->setFocus();
        Consiste::MensErro(msgPadrao.Msg(key));
    };
    if (Consiste::EmptyString(branch()))
        fail(u"Filial_Dev");
    qryFilial.Close();
    qryFilial.ParamByName(u"P_CDFILIAL") = Value(branch());
    qryFilial.ParamByName(u"P_TCDFILIAL") = Value(QString());
    qryFilial.Open();
    if (qryFilial.IsEmpty())
        fail(u"Filial_NCad");
    medFilial->setText(qryFilial.FieldByName(u"CDFILIAL").AsString());
    edtFilial->setText(qryFilial.FieldByName(u"NMFILIAL").AsString());
}

void TfrmRelatorioCons::btpPesqFilialBeforePesq(bool &)
{
    qryFilial.Close();
    qryFilial.ParamByName(u"P_CDFILIAL") = Value(QString());
    qryFilial.ParamByName(u"P_TCDFILIAL") = Value(QStringLiteral("T"));
    qryFilial.Open();
}

void TfrmRelatorioCons::btpPesqFilialAfterPesq()
{
    medFilial->setText(qryFilial.FieldByName(u"CDFILIAL").AsString());
    edtFilial->setText(qryFilial.FieldByName(u"NMFILIAL").AsString());
}

void TfrmRelatorioCons::rbtTodosClieClick()
{
    stListaCliente.clear();
    btfCliente->setEnabled(false);
}

void TfrmRelatorioCons::rbtListaClieClick()
{
    btfCliente->setEnabled(true);
}

void TfrmRelatorioCons::rbtTodosConsClick()
{
    stListaConsumidor.clear();
    btfConsumidor->setEnabled(false);
}

void TfrmRelatorioCons::rbtListaConsClick()
{
    btfConsumidor->setEnabled(true);
}

void TfrmRelatorioCons::rbtTpTodosClick()
{
    stListaTipoCons.clear();
    btpTpCons->setEnabled(false);
}

void TfrmRelatorioCons::rbtTpListaClick()
{
    btpTpCons->setEnabled(true);
}

void TfrmRelatorioCons::btfClienteClick()
{
    vdFilial();
    qryCliente.Close();
    qryCliente.ParamByName(u"P_CDFILIAL") = Value(branch());
    qryCliente.Open();
    Pesqlista::PesquisaLista(qryCliente, QStringLiteral("CDCLIENTE"), msgPadrao.Msg(u"Cliente"), stListaCliente);
}

void TfrmRelatorioCons::btfConsumidorClick()
{
    vdFilial();
    const bool clients = rbtListaClie->isChecked(), types = rbtTpLista->isChecked();
    const QList<Value> args
        = {Value(clients ? stListaCliente : QString()), Value(clients ? QString() : QStringLiteral("T")),
           Value(types ? stListaTipoCons : QString()), Value(types ? QString() : QStringLiteral("T")), Value(branch())};
    {
        const Showavi::Scope busy(this, 6);
        const Value reply = Consiste::CheckResultServ(
            ModuleConnection::consumer().Call(QStringLiteral("getConsumidorFilial"), args), true, 1);
        cdsConsumidorFilial.setData(reply.at(0).packetPtr());
    }
    cdsConsumidorFilial.FieldByName(u"CDCONSUMIDOR").DisplayLabel = QStringLiteral("Código");
    cdsConsumidorFilial.FieldByName(u"NMCONSUMIDOR").DisplayLabel = QStringLiteral("Nome");
    cdsConsumidorFilial.FieldByName(u"CODIGO").Visible = false;
    cdsConsumidorFilial.FieldByName(u"IDMARCADO").Visible = false;
    Pesqlista::PesquisaLista(cdsConsumidorFilial, QStringLiteral("CODIGO"), msgPadrao.Msg(u"Consumidor"),
                             stListaConsumidor);
}

void TfrmRelatorioCons::setClientPair(TADOIBQuery &q) const
{
    const bool list = rbtListaClie->isChecked();
    q.ParamByName(u"P_CDCLIENTE") = Value(list ? stListaCliente : QString());
    q.ParamByName(u"P_TCDCLIENTE") = Value(list ? QString() : QStringLiteral("T"));
}

void TfrmRelatorioCons::btpTpConsClick()
{
    vdFilial();
    // The narrowest set of types that is not empty.
    TADOIBQuery *offered = nullptr;
    for (TADOIBQuery *q : {&qryTipoConsCliFili, &qryTipoConsCli, &qryTipoConsFili, &qryTipoCons}) {
        q->Close();
        if (q != &qryTipoCons)
            q->ParamByName(u"P_CDFILIAL") = Value(branch());
        if (q == &qryTipoConsCliFili || q == &qryTipoConsCli)
            setClientPair(*q);
        q->Open();
        offered = q;
        if (!q->IsEmpty())
            break;
    }
    Pesqlista::PesquisaLista(*offered, QStringLiteral("CDTIPOCONS"), msgPadrao.Msg(u"TipoCons"), stListaTipoCons);
}

void TfrmRelatorioCons::checkClients()
{
    if (rbtListaClie->isChecked() && Consiste::EmptyString(stListaCliente)) {
        rbtListaClie->setFocus();
        Consiste::MensErro(msgPadrao.Msg(u"ClieDeve"));
    }
}

void TfrmRelatorioCons::checkConsumers()
{
    if (rbtListaCons->isChecked() && Consiste::EmptyString(stListaConsumidor)) {
        rbtListaCons->setFocus();
        Consiste::MensErro(msgPadrao.Msg(u"ConsDeve"));
    }
}

void TfrmRelatorioCons::checkTypes()
{
    if (rbtTpLista->isChecked() && Consiste::EmptyString(stListaTipoCons)) {
        rbtTpLista->setFocus();
        Consiste::MensErro(msgPadrao.Msg(u"TpConsDeve"));
    }
}

void TfrmRelatorioCons::sbtPreviewClick()
{
    vdFilial();
    checkClients();
    checkTypes();
    checkConsumers();
    TfrmDadosGerRel::sbtPreviewClick();
}

void TfrmRelatorioCons::sbtPrintClick()
{
    vdFilial();
    checkClients();
    checkTypes();
    checkConsumers();
    TfrmDadosGerRel::sbtPrintClick();
}

void TfrmRelatorioCons::sbtSalvarComoClick()
{
    vdFilial();
    checkClients();
    checkConsumers();
    checkTypes();
    TfrmDadosGerRel::sbtSalvarComoClick();
}

void TfrmRelatorioCons::rpddPadraoBeforeGetQueryParams(ReportQuery &params)
{
    const auto set = [&params](const char16_t *name, const QString &value) {
        if (params.ExistParam(name))
            params.ParamByName(name) = Value(value);
    };
    set(u"P_CDFILIAL", branch());
    const auto pair = [&set](const char16_t *list, const char16_t *all, bool picked, const QString &keys) {
        set(list, picked ? keys : QString());
        set(all, picked ? QString() : QStringLiteral("T"));
    };
    pair(u"P_CDCLIENTE", u"P_TCDCLIENTE", rbtListaClie->isChecked(), stListaCliente);
    pair(u"P_CDCONSUMIDOR", u"P_TCDCONSUMIDOR", rbtListaCons->isChecked(), stListaConsumidor);
    pair(u"P_CDTIPOCONS", u"P_TCDTIPOCONS", rbtTpLista->isChecked(), stListaTipoCons);
}
