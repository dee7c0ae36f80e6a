#include "TfrmCadAutCons.h"

#include "AutoChangeValues.h"
#include "Consiste.h"
#include "Corvane.h"
#include "EErro.h"
#include "FocusEvents.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "KeyFilter.h"
#include "Pesqlista.h"
#include "Showavi.h"
#include "TBtnPesquisa.h"
#include "TNetConnection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using cns::FieldType;
using cns::Value;
using cns::ui::HandlerGuard::guarded;
using cns::ui::TBtnPesquisa;

namespace Cli_cns72207 {
bool boIdCriado = false;
bool boPrimVez = false;
QString stCliente, stConsumidor, stCentro, stTipoCons;
TfrmCadAutCons *frmCadAutCons = nullptr;
} // namespace Cli_cns72207

using namespace Cli_cns72207;

namespace {

template<typename T>
T *named(T *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}
} // namespace

TfrmCadAutCons::TfrmCadAutCons(TNetConnection &net, std::function<void()> refresh, QWidget *parent)
    : TfrmRotiGeral(parent), cdsCentro(QStringLiteral("cdsCentro")), cdsTipoCons(QStringLiteral("cdsTipoCons")),
      cdsConsumidor(QStringLiteral("cdsConsumidor")), qryCliente(QStringLiteral("qryCliente")),
      qryCentroCusto(QStringLiteral("qryCentroCusto")), qryTipConsumid(QStringLiteral("qryTipConsumid")), m_net(net),
      m_refresh(std::move(refresh))
{
    setObjectName(QStringLiteral("frmCadAutCons"));
    setWindowTitle(QStringLiteral("Alteração Automática do Consumidor"));
    setScreenCode(QStringLiteral("Cns72207"));
    msgPadrao.load(u"CLIENTE|Cliente\n"
                   u"Cliente_vazio|Não há cliente cadastrado.\n"
                   u"Consumidor_vazio|Não há consumidor cadastrado.\n"
                   u"CONSUMIDOR|Consumidor\n"
                   u"Cad_Ok|Cadastro realizado com sucesso.\n"
                   u"Cad_nao_Ok|Cadastro realizado com problemas.\n"
                   u"Cliente_deve|Cliente deve ser informado.\n"
                   u"Consumidor_deve|Consumidor deve ser informado.\n"
                   u"Conf_Alt|Confirma alteração ?\n"
                   u"VERIFICADEVE|Verifica Saldo na Venda deve ser informado.\n"
                   u"N_CHECK|Nenhuma alteração foi realizada.\n"
                   u"Centro|Centro de Custo\n"
                   u"Centro_Vazio|Não há Centro de Custo cadastrado.\n"
                   u"Centro_Deve|Centro de Custo deve ser informado.\n"
                   u"Tipo|Tipo de Consumidor\n"
                   u"Tipo_Vazio|Não há Tipo de Consumidor cadastrado.\n"
                   u"Tipo_Deve|Tipo de Consumidor deve ser informado.\n"
                   u"TpVenda_Vazio|Tipo de Venda não selecionado. \n"
                   u"Centro_Custo|CENTRO DE CUSTO\n"
                   u"Centro_Custo_NCad|Centro de Custo não cadastrado.\n"
                   u"Tipo_Cons|TIPO DE CONSUMIDOR\n"
                   u"Tipo_Cons_NCad|Tipo de Consumidor não cadastrado.\n"
                   u"Hab_Opcao|Operação bloqueada. Para habilitar este campo, apenas um cliente deve ser selecionado\n"
                   u"TipoCons_NCad|Tipo de Consumidor não cadastrado.\n"
                   u"VALOR_INV|Valor inválido! Favor digitar um valor válido.");
    buildQueries();
    buildFilters();
    buildGroups();
    created();
}

// ---------------------------------------------------------------------------------------------------
// Building

void TfrmCadAutCons::buildQueries()
{
    qryCliente.setSQL(QStringLiteral("SELECT CL.CDCLIENTE, CL.NMRAZSOCCLIE FROM CLIENTE CL JOIN CLIENFILIAL CF "
                                     "ON CF.CDCLIENTE = CL.CDCLIENTE WHERE CF.CDFILIAL = :P_CDFILIAL ORDER BY CL.CDCLIENTE"));
    qryCliente.AddField(QStringLiteral("CDCLIENTE"), FieldType::String, 21, QStringLiteral("Código"));
    qryCliente.AddField(QStringLiteral("NMRAZSOCCLIE"), FieldType::String, 50, QStringLiteral("Nome"));
    qryCentroCusto.setSQL(QStringLiteral("SELECT CDCCUSCLIE, NMCCUSCLIE FROM CCUSCLIE WHERE CDCLIENTE = :P_CDCLIENTE "
                                         "AND (:P_CDCCUSCLIE = CDCCUSCLIE OR :P_TCDCCUSCLIE = 'T') ORDER BY CDCCUSCLIE"));
    qryCentroCusto.AddField(QStringLiteral("CDCCUSCLIE"), FieldType::String, 10, QStringLiteral("Código"));
    qryCentroCusto.AddField(QStringLiteral("NMCCUSCLIE"), FieldType::String, 40, QStringLiteral("Nome"));
    qryTipConsumid.setSQL(QStringLiteral("SELECT CDTIPOCONS, NMTIPOCONS FROM TIPOCONS "
                                         "WHERE :P_CDTIPOCONS = CDTIPOCONS OR :P_TCDTIPOCONS = 'T'"));
    qryTipConsumid.AddField(QStringLiteral("CDTIPOCONS"), FieldType::String, 2, QStringLiteral("Código"));
    qryTipConsumid.AddField(QStringLiteral("NMTIPOCONS"), FieldType::String, 40, QStringLiteral("Nome"));
}

QRadioButton *TfrmCadAutCons::filterPair(QWidget *box, const QString &todos, const QString &lista, QPushButton *&button,
                                         QString *selection, QRadioButton *&listRadio)
{
    auto *row = new QHBoxLayout(box);
    auto *all = named(new QRadioButton(QStringLiteral("Todos"), box), todos);
    listRadio = named(new QRadioButton(QStringLiteral("Lista"), box), lista);
    button = named(new QPushButton(QStringLiteral("..."), box), lista == u"rbtListaCliente" ? QStringLiteral("btnCliente")
                                                           : lista == u"rbtListaCentro"  ? QStringLiteral("btnCentro")
                                                           : lista == u"rbtListaTipoCons" ? QStringLiteral("btnTipoCons")
                                                                                          : QStringLiteral("btnConsumidor"));
    listRadio->setChecked(true);
    row->addWidget(all);
    row->addWidget(listRadio);
    row->addWidget(button);
    QPushButton *b = button;
    connect(all, &QRadioButton::toggled, this, [b, selection](bool on) {
        b->setEnabled(!on);
        *selection = on ? QStringLiteral("T") : QString();
    });
    return all;
}

void TfrmCadAutCons::buildFilters()
{
    auto *filters = new QGroupBox(QStringLiteral("Filtros"), this);
    auto *grid = new QGridLayout(filters);
    const auto box = [&](const QString &caption, int r, int c) {
        auto *g = new QGroupBox(caption, filters);
        grid->addWidget(g, r, c);
        return g;
    };
    rbtTodosCliente = filterPair(box(QStringLiteral("Cliente"), 0, 0), QStringLiteral("rbtTodosCliente"),
                                 QStringLiteral("rbtListaCliente"), btnCliente, &stCliente, rbtListaCliente);
    rbtTodosCentro = filterPair(box(QStringLiteral("Centro de Custo"), 0, 1), QStringLiteral("rbtTodosCentro"),
                                QStringLiteral("rbtListaCentro"), btnCentro, &stCentro, rbtListaCentro);
    rbtTodosTipoCons = filterPair(box(QStringLiteral("Tipo de Consumidor/Cliente"), 1, 0), QStringLiteral("rbtTodosTipoCons"),
                                  QStringLiteral("rbtListaTipoCons"), btnTipoCons, &stTipoCons, rbtListaTipoCons);
    rbtTodosCons = filterPair(box(QStringLiteral("Consumidor"), 1, 1), QStringLiteral("rbtTodosCons"),
                              QStringLiteral("rbtListaCons"), btnConsumidor, &stConsumidor, rbtListaCons);
    // All clients leave no single client whose cost centres could be offered.
    connect(rbtTodosCliente, &QRadioButton::toggled, this, [this](bool on) {
        if (!on)
            return;
        medCdCentroCusto->clear();
        edtNmCentroCusto->clear();
        ckcCentroCusto->setChecked(false);
    });
    connect(btnCliente, &QPushButton::clicked, this, guarded([this] { btnClienteClick(); }));
    connect(btnCentro, &QPushButton::clicked, this, guarded([this] { btnCentroClick(); }));
    connect(btnTipoCons, &QPushButton::clicked, this, guarded([this] { btnTipoConsClick(); }));
    connect(btnConsumidor, &QPushButton::clicked, this, guarded([this] { btnConsumidorClick(); }));
    body()->addWidget(filters);
}

QLineEdit *TfrmCadAutCons::valueEdit(const QString &name, bool limit)
{
    auto *e = named(new QLineEdit(this), name);
    e->setMaxLength(12);
    // Room for the longest value it takes ("999.999,99" and more), which the layout would squeeze.
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QString(13, u'0')));
    cns::ui::KeyFilter::install(e, [e](QChar c) { return AutoChangeValues::refusesKey(e->text(), c) ? QChar() : c; });
    cns::ui::FocusEvents::instance().onExit(e, [this, e, limit] { valueExit(e, limit); });
    return e;
}

void TfrmCadAutCons::buildGroups()
{
    auto *data = new QGroupBox(QStringLiteral("Dados a alterar"), this);
    auto *grid = new QGridLayout(data);
    int r = 0;
    ckbTipoVenda = named(new QCheckBox(QStringLiteral("Tipo de Venda"), data), QStringLiteral("ckbTipoVenda"));
    lblTipoVenda = new QLabel(QStringLiteral("Tipo de Venda"), data);
    dbcTipoVenda = named(new QComboBox(data), QStringLiteral("dbcTipoVenda"));
    dbcTipoVenda->addItems({QStringLiteral("1 - Débito Consumidor"), QStringLiteral("2 - Crédito Pessoal"),
                            QStringLiteral("3 - A Vista"), QStringLiteral("4 - Débito Consumidor/Crédito Pessoal"),
                            QStringLiteral("5 - Débito Consumidor/A Vista"), QStringLiteral("6 - Crédito Pessoal/A Vista"),
                            QStringLiteral("7 - Todos")});
    dbcTipoVenda->setCurrentIndex(-1);
    grid->addWidget(ckbTipoVenda, r, 0);
    grid->addWidget(lblTipoVenda, r, 1);
    grid->addWidget(dbcTipoVenda, r++, 2);

    ckbSaldo = named(new QCheckBox(QStringLiteral("Saldo"), data), QStringLiteral("ckbSaldo"));
    lblSubsMensal = new QLabel(QStringLiteral("Saldo mensal concedido pela empresa"), data);
    lblDescFolha = new QLabel(QStringLiteral("Percentual de subsídio em folha"), data);
    edtSubsMensal = valueEdit(QStringLiteral("edtSubsMensal"), false);
    edtDescFolha = valueEdit(QStringLiteral("edtDescFolha"), false);
    grid->addWidget(ckbSaldo, r, 0);
    grid->addWidget(lblSubsMensal, r, 1);
    grid->addWidget(edtSubsMensal, r++, 2);
    grid->addWidget(lblDescFolha, r, 1);
    grid->addWidget(edtDescFolha, r++, 2);

    ckcVerSaldo = named(new QCheckBox(QStringLiteral("Verifica Saldo na Venda"), data), QStringLiteral("ckcVerSaldo"));
    lblVerificar = new QLabel(QStringLiteral("Verificar saldo do consumidor na venda? "), data);
    auto *answer = new QWidget(data);
    auto *answerRow = new QHBoxLayout(answer);
    rdbSim = named(new QRadioButton(QStringLiteral("Sim"), answer), QStringLiteral("rdbSim"));
    rdbNao = named(new QRadioButton(QStringLiteral("Não"), answer), QStringLiteral("rdbNao"));
    answerRow->addWidget(rdbSim);
    answerRow->addWidget(rdbNao);
    grid->addWidget(ckcVerSaldo, r, 0);
    grid->addWidget(lblVerificar, r, 1);
    grid->addWidget(answer, r++, 2);
    grid->addWidget(buildLimits(), r++, 0, 1, 3);

    buildCodes(data);
    grid->addWidget(ckcCentroCusto, r, 0);
    grid->addWidget(lblCentroCusto, r, 1);
    auto *centre = new QHBoxLayout;
    centre->addWidget(medCdCentroCusto);
    centre->addWidget(btnCentroCusto);
    centre->addWidget(edtNmCentroCusto, 1);
    grid->addLayout(centre, r++, 2);
    grid->addWidget(ckcTipCons, r, 0);
    grid->addWidget(lblTipConsumid, r, 1);
    auto *type = new QHBoxLayout;
    type->addWidget(medCdTipConsumid);
    type->addWidget(btnTipConsumid);
    type->addWidget(edtNmTipConsumid, 1);
    grid->addLayout(type, r++, 2);
    body()->addWidget(data);

    connect(ckbTipoVenda, &QCheckBox::toggled, this, [this](bool on) { enableGroup({lblTipoVenda, dbcTipoVenda}, on); });
    connect(ckbSaldo, &QCheckBox::toggled, this,
            [this](bool on) { enableGroup({lblSubsMensal, lblDescFolha, edtSubsMensal, edtDescFolha}, on); });
    for (QAbstractButton *b : {static_cast<QAbstractButton *>(ckcVerSaldo), static_cast<QAbstractButton *>(rdbSim),
                               static_cast<QAbstractButton *>(rdbNao)})
        connect(b, &QAbstractButton::toggled, this, [this] { ckcVerSaldoClick(); });
    connect(ckcCentroCusto, &QCheckBox::toggled, this, guarded([this] { ckcCentroCustoClick(); }));
    connect(ckcTipCons, &QCheckBox::toggled, this, [this] { ckcTipConsClick(); });
    enableGroup({lblTipoVenda, dbcTipoVenda, lblSubsMensal, lblDescFolha, edtSubsMensal, edtDescFolha}, false);
    ckcVerSaldoClick();
    ckcCentroCustoClick();
    ckcTipConsClick();
}

QWidget *TfrmCadAutCons::buildLimits()
{
    auto *limits = new QWidget(this);
    auto *row = new QHBoxLayout(limits);
    const QStringList captions = {QStringLiteral("Emitir aviso ao operador quando o saldo for inferior a "),
                                  QStringLiteral("Bloquear lançamentos quando o saldo for inferior a "),
                                  QStringLiteral("Valor Máximo de Consumo Diário")};
    const auto group = [&](const QString &caption, const QStringList &labels, const QStringList &edits) {
        auto *g = new QGroupBox(caption, limits);
        auto *grid = new QGridLayout(g);
        QList<QLineEdit *> made;
        for (int i = 0; i < 3; ++i) {
            auto *l = named(new QLabel(captions.at(i), g), labels.at(i));
            auto *e = valueEdit(edits.at(i), true);
            grid->addWidget(l, i, 0);
            grid->addWidget(e, i, 1);
            m_limitControls << l << e;
            made << e;
        }
        row->addWidget(g);
        return made;
    };
    const auto debit = group(QStringLiteral("Vendas Débito Consumidor"),
                             {QStringLiteral("lblAvisoDeb"), QStringLiteral("lblBloqueioDeb"), QStringLiteral("lblMaxDeb")},
                             {QStringLiteral("edtVRAVIDEBCONS"), QStringLiteral("edtVRLIMDEBCONS"), QStringLiteral("edtVRMAXDEBCONS")});
    const auto credit = group(QStringLiteral("Vendas Crédito Pessoal"),
                              {QStringLiteral("lblAvisoCred"), QStringLiteral("lblBloqueioCred"), QStringLiteral("lblMaxCred")},
                              {QStringLiteral("edtVRAVICREDCONS"), QStringLiteral("edtVRLIMCREDCONS"),
                               QStringLiteral("edtVRMAXCREDCONS")});
    edtVRAVIDEBCONS = debit.at(0);
    edtVRLIMDEBCONS = debit.at(1);
    edtVRMAXDEBCONS = debit.at(2);
    edtVRAVICREDCONS = credit.at(0);
    edtVRLIMCREDCONS = credit.at(1);
    edtVRMAXCREDCONS = credit.at(2);
    return limits;
}

void TfrmCadAutCons::buildCodes(QWidget *parent)
{
    ckcCentroCusto = named(new QCheckBox(QStringLiteral("Centro de Custo"), parent), QStringLiteral("ckcCentroCusto"));
    lblCentroCusto = new QLabel(QStringLiteral("Centro de Custo"), parent);
    medCdCentroCusto = named(new QLineEdit(parent), QStringLiteral("medCdCentroCusto"));
    medCdCentroCusto->setMaxLength(10);
    edtNmCentroCusto = named(new QLineEdit(parent), QStringLiteral("edtNmCentroCusto"));
    edtNmCentroCusto->setReadOnly(true);
    btnCentroCusto = named(new TBtnPesquisa(parent), QStringLiteral("btnCentroCusto"));
    btnCentroCusto->Title = QStringLiteral("Centro de Custo");
    btnCentroCusto->EmptyText = QStringLiteral("Não há Centro de Custo cadastrado.");
    btnCentroCusto->Source = &qryCentroCusto;
    btnCentroCusto->BeforePesq = [this](bool &) {
        QString code = medCdCentroCusto->text();
        if (!Consiste::EmptyString(code))
            medCdCentroCusto->setText(code = Consiste::Ajusta(code, 10));
        const bool all = Consiste::EmptyString(code);
        qryCentroCusto.Close();
        qryCentroCusto.ParamByName(u"P_CDCLIENTE") = Value(AutoChangeValues::singleKey(stCliente));
        qryCentroCusto.ParamByName(u"P_CDCCUSCLIE") = Value(all ? QString() : code);
        qryCentroCusto.ParamByName(u"P_TCDCCUSCLIE") = Value(all ? QStringLiteral("T") : QString());
        qryCentroCusto.Open();
    };
    btnCentroCusto->AfterPesq = [this] {
        medCdCentroCusto->setText(qryCentroCusto.FieldByName(u"CDCCUSCLIE").AsString());
        edtNmCentroCusto->setText(qryCentroCusto.FieldByName(u"NMCCUSCLIE").AsString());
    };

    ckcTipCons = named(new QCheckBox(QStringLiteral("Tipo de Consumidor"), parent), QStringLiteral("ckcTipCons"));
    lblTipConsumid = new QLabel(QStringLiteral("Tipo de Consumidor"), parent);
    medCdTipConsumid = named(new QLineEdit(parent), QStringLiteral("medCdTipConsumid"));
    medCdTipConsumid->setMaxLength(2);
    cns::ui::KeyFilter::install(medCdTipConsumid, cns::ui::KeyFilter::only(QStringLiteral("0123456789")));
    edtNmTipConsumid = named(new QLineEdit(parent), QStringLiteral("edtNmTipConsumid"));
    edtNmTipConsumid->setReadOnly(true);
    btnTipConsumid = named(new TBtnPesquisa(parent), QStringLiteral("btnTipConsumid"));
    btnTipConsumid->Title = QStringLiteral("Tipo de Consumidor");
    btnTipConsumid->EmptyText = QStringLiteral("Não há tipo de consumidor cadastrado.");
    btnTipConsumid->Source = &qryTipConsumid;
    btnTipConsumid->BeforePesq = [this](bool &) {
        QString code = medCdTipConsumid->text();
        if (!Consiste::EmptyString(code))
            medCdTipConsumid->setText(code = Consiste::Ajusta(code, 2));
        const bool all = Consiste::EmptyString(code);
        qryTipConsumid.Close();
        qryTipConsumid.ParamByName(u"P_CDTIPOCONS") = Value(all ? QString() : code);
        qryTipConsumid.ParamByName(u"P_TCDTIPOCONS") = Value(all ? QStringLiteral("T") : QString());
        qryTipConsumid.Open();
    };
    btnTipConsumid->AfterPesq = [this] {
        medCdTipConsumid->setText(qryTipConsumid.FieldByName(u"CDTIPOCONS").AsString());
        edtNmTipConsumid->setText(qryTipConsumid.FieldByName(u"NMTIPOCONS").AsString());
    };

    // A changed code no longer names what the name edit shows.
    connect(medCdCentroCusto, &QLineEdit::textChanged, edtNmCentroCusto, &QLineEdit::clear);
    connect(medCdTipConsumid, &QLineEdit::textChanged, edtNmTipConsumid, &QLineEdit::clear);
    auto &fe = cns::ui::FocusEvents::instance();
    fe.onExit(medCdCentroCusto, [this] { medCdCentroCustoExit(); });
    fe.onExit(medCdTipConsumid, [this] { medCdTipConsumidExit(); });
}

void TfrmCadAutCons::enableGroup(const QList<QWidget *> &controls, bool on)
{
    for (QWidget *w : controls)
        w->setEnabled(on);
}

// ---------------------------------------------------------------------------------------------------
// Lifecycle

void TfrmCadAutCons::FormCreate()
{
    boPrimVez = true;
}

void TfrmCadAutCons::FormActivate()
{
    // The selections outlive the screen; a new screen must not inherit the last one's picks.
    if (!boPrimVez)
        return;
    boPrimVez = false;
    stCliente.clear();
    stConsumidor.clear();
    stCentro.clear();
    stTipoCons.clear();
}

void TfrmCadAutCons::FormClose()
{
    boIdCriado = false;
}

// ---------------------------------------------------------------------------------------------------
// Filter lists

void TfrmCadAutCons::clearDependentLists(bool types)
{
    if (types && stTipoCons != u"T")
        stTipoCons.clear();
    if (stConsumidor != u"T")
        stConsumidor.clear();
}

void TfrmCadAutCons::loadList(const QString &method, const QList<Value> &args, cns::DataSet &into, int busyKind)
{
    const Showavi::Scope busy(this, busyKind);
    const Value reply = Consiste::CheckResultServ(m_net.Call(method, args), true, 0);
    into.setData(reply.at(0).packetPtr());
}

void TfrmCadAutCons::btnClienteClick()
{
    clearDependentLists(true);
    qryCliente.Close();
    qryCliente.ParamByName(u"P_CDFILIAL") = Value(Corvane::FiliProc());
    qryCliente.Open();
    if (qryCliente.IsEmpty()) {
        rbtListaCliente->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Cliente_vazio"));
    }
    Pesqlista::PesquisaLista(qryCliente, QStringLiteral("CDCLIENTE"), msgPadrao.Msg(u"CLIENTE"), stCliente);
}

void TfrmCadAutCons::btnCentroClick()
{
    clearDependentLists(true);
    loadList(QStringLiteral("getCentroCusto"), {Value(stCliente)}, cdsCentro, 0);
    if (cdsCentro.IsEmpty()) {
        rbtListaCentro->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Centro_Vazio"));
    }
    Pesqlista::PesquisaLista(cdsCentro, QStringLiteral("CODIGO"), msgPadrao.Msg(u"Centro"), stCentro);
}

void TfrmCadAutCons::btnTipoConsClick()
{
    clearDependentLists(false);
    Vd_Cliente();
    loadList(QStringLiteral("getAutTipoCons"), {Value(stCliente)}, cdsTipoCons, 0);
    if (cdsTipoCons.IsEmpty()) {
        rbtListaTipoCons->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Tipo_Vazio"));
    }
    Pesqlista::PesquisaLista(cdsTipoCons, QStringLiteral("CODIGO"), msgPadrao.Msg(u"Tipo"), stTipoCons);
}

void TfrmCadAutCons::btnConsumidorClick()
{
    Vd_Cliente();
    Vd_Centro();
    Vd_TipoCons();
    loadList(QStringLiteral("getAuxCons"), {Value(stCliente), Value(stCentro), Value(stTipoCons), Value(Corvane::FiliProc())},
             cdsConsumidor, 1);
    if (cdsConsumidor.IsEmpty()) {
        rbtListaCons->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Consumidor_vazio"));
    }
    Pesqlista::PesquisaLista(cdsConsumidor, QStringLiteral("CODIGO"), msgPadrao.Msg(u"CONSUMIDOR"), stConsumidor);
}

// ---------------------------------------------------------------------------------------------------
// Groups and codes

void TfrmCadAutCons::ckcVerSaldoClick()
{
    const bool on = ckcVerSaldo->isChecked();
    enableGroup({lblVerificar, rdbSim, rdbNao}, on);
    enableGroup(m_limitControls, on && rdbSim->isChecked());
}

void TfrmCadAutCons::ckcCentroCustoClick()
{
    const bool on = ckcCentroCusto->isChecked();
    enableGroup({lblCentroCusto, medCdCentroCusto, btnCentroCusto}, on);
    if (!on) {
        medCdCentroCusto->clear();
        edtNmCentroCusto->clear();
        return;
    }
    // Cost centres belong to a client: the new one can only be one client's.
    if (!AutoChangeValues::isSingle(stCliente)) {
        ckcCentroCusto->setChecked(false);
        Consiste::MensErroAbort(msgPadrao.Msg(u"Hab_Opcao"));
    }
}

void TfrmCadAutCons::ckcTipConsClick()
{
    const bool on = ckcTipCons->isChecked();
    enableGroup({lblTipConsumid, medCdTipConsumid, btnTipConsumid}, on);
    if (!on) {
        medCdTipConsumid->clear();
        edtNmTipConsumid->clear();
    }
}

void TfrmCadAutCons::medCdCentroCustoExit()
{
    if (Consiste::EmptyString(medCdCentroCusto->text()))
        return;
    medCdCentroCusto->setText(Consiste::Ajusta(medCdCentroCusto->text(), 10));
    qryCentroCusto.Close();
    qryCentroCusto.ParamByName(u"P_CDCLIENTE") = Value(AutoChangeValues::singleKey(stCliente));
    qryCentroCusto.ParamByName(u"P_CDCCUSCLIE") = Value(medCdCentroCusto->text());
    qryCentroCusto.ParamByName(u"P_TCDCCUSCLIE") = Value(QString());
    qryCentroCusto.Open();
    if (qryCentroCusto.IsEmpty()) {
        medCdCentroCusto->clear();
        medCdCentroCusto->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Centro_Custo_NCad"));
    }
    medCdCentroCusto->setText(qryCentroCusto.FieldByName(u"CDCCUSCLIE").AsString());
    edtNmCentroCusto->setText(qryCentroCusto.FieldByName(u"NMCCUSCLIE").AsString());
}

void TfrmCadAutCons::medCdTipConsumidExit()
{
    if (Consiste::EmptyString(medCdTipConsumid->text()))
        return;
    medCdTipConsumid->setText(Consiste::Ajusta(medCdTipConsumid->text(), 2));
    qryTipConsumid.Close();
    qryTipConsumid.ParamByName(u"P_CDTIPOCONS") = Value(medCdTipConsumid->text());
    qryTipConsumid.ParamByName(u"P_TCDTIPOCONS") = Value(QString());
    qryTipConsumid.Open();
    if (qryTipConsumid.IsEmpty()) {
        medCdTipConsumid->clear();
        medCdTipConsumid->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"TipoCons_NCad"));
    }
    medCdTipConsumid->setText(qryTipConsumid.FieldByName(u"CDTIPOCONS").AsString());
    edtNmTipConsumid->setText(qryTipConsumid.FieldByName(u"NMTIPOCONS").AsString());
}

void TfrmCadAutCons::valueExit(QLineEdit *edit, bool limit)
{
    const std::optional<QString> shown = AutoChangeValues::leftText(edit->text());
    if (shown) {
        edit->setText(*shown);
        return;
    }
    const QString error = QStringLiteral("'%1' não é um valor numérico válido.").arg(edit->text());
    // A limit keeps the focus until it holds a number; the balances are checked by the server.
    if (limit)
        throw cns::EErro(error);
    Consiste::MensErro(error, false);
}

// ---------------------------------------------------------------------------------------------------
// Checks

void TfrmCadAutCons::Vd_Cliente()
{
    if (rbtListaCliente->isChecked() && stCliente.isEmpty()) {
        rbtListaCliente->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Cliente_deve"));
    }
}

void TfrmCadAutCons::Vd_Consumidor()
{
    if (rbtListaCons->isChecked() && stConsumidor.isEmpty()) {
        rbtListaCons->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Consumidor_deve"));
    }
}

void TfrmCadAutCons::Vd_Centro()
{
    if (rbtListaCentro->isChecked() && Consiste::EmptyString(stCentro)) {
        rbtListaCentro->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Centro_deve"));
    }
}

void TfrmCadAutCons::Vd_TipoCons()
{
    if (rbtListaTipoCons->isChecked() && Consiste::EmptyString(stTipoCons)) {
        rbtListaTipoCons->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Tipo_deve"));
    }
}

void TfrmCadAutCons::vd_VerSaldoVenda()
{
    if (ckcVerSaldo->isChecked() && !rdbSim->isChecked() && !rdbNao->isChecked()) {
        ckcVerSaldo->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"VERIFICADEVE"));
    }
}

void TfrmCadAutCons::Vd_TipoVenda()
{
    if (ckbTipoVenda->isChecked() && dbcTipoVenda->currentIndex() < 0)
        Consiste::MensErroAbort(msgPadrao.Msg(u"TpVenda_Vazio"));
}

void TfrmCadAutCons::Vd_CentroCusto(bool required)
{
    if (required && ckcCentroCusto->isChecked() && Consiste::EmptyString(medCdCentroCusto->text())) {
        medCdCentroCusto->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Centro_deve"));
    }
}

void TfrmCadAutCons::Vd_TipConsumid(bool required)
{
    if (required && ckcTipCons->isChecked() && Consiste::EmptyString(medCdTipConsumid->text())) {
        medCdTipConsumid->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"Tipo_deve"));
    }
}

QList<QLineEdit *> TfrmCadAutCons::limitEdits() const
{
    return {edtVRAVICREDCONS, edtVRLIMCREDCONS, edtVRMAXCREDCONS, edtVRAVIDEBCONS, edtVRLIMDEBCONS, edtVRMAXDEBCONS};
}

void TfrmCadAutCons::validaCamposValor()
{
    for (QLineEdit *e : limitEdits()) {
        if (Consiste::EmptyString(e->text()))
            continue;
        e->setText(AutoChangeValues::normalised(e->text()));
        if (!AutoChangeValues::limitValue(e->text())) {
            e->setFocus();
            Consiste::MensErroAbort(msgPadrao.Msg(u"VALOR_INV"));
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Confirm

QList<Value> TfrmCadAutCons::changeArguments()
{
    const auto list = [](QRadioButton *all, const QString &selection) { return Value(all->isChecked() ? QString() : selection); };
    const auto flag = [](QRadioButton *all) { return Value(all->isChecked() ? QStringLiteral("T") : QString()); };
    QList<Value> args{Value(edtSubsMensal->text()), Value(edtDescFolha->text())};
    for (QLineEdit *e : limitEdits())
        args << *AutoChangeValues::limitValue(e->text());
    args << Value(ckcVerSaldo->isChecked() ? (rdbSim->isChecked() ? QStringLiteral("S") : QStringLiteral("N")) : QString());
    args << list(rbtTodosCliente, stCliente) << flag(rbtTodosCliente) << list(rbtTodosCons, stConsumidor) << flag(rbtTodosCons)
         << list(rbtTodosCentro, stCentro) << flag(rbtTodosCentro) << list(rbtTodosTipoCons, stTipoCons) << flag(rbtTodosTipoCons);
    args << Value(ckbTipoVenda->isChecked() ? QString::number(dbcTipoVenda->currentIndex() + 1) : QString());
    args << Value(medCdCentroCusto->text()) << Value(medCdTipConsumid->text());
    for (QCheckBox *b : {ckbTipoVenda, ckbSaldo, ckcVerSaldo, ckcCentroCusto, ckcTipCons})
        args << Value(b->isChecked());
    args << Value(Corvane::ModuFili() ? Corvane::FiliProc() : QStringLiteral("T"));
    return args;
}

void TfrmCadAutCons::sbtConfirmaClick()
{
    Vd_Centro();
    Vd_Cliente();
    Vd_TipoCons();
    Vd_Consumidor();
    vd_VerSaldoVenda();
    Vd_TipoVenda();
    Vd_CentroCusto(true);
    Vd_TipConsumid(true);
    if (!ckcVerSaldo->isChecked() && !ckbSaldo->isChecked() && !ckbTipoVenda->isChecked() && !ckcCentroCusto->isChecked()
        && !ckcTipCons->isChecked())
        Consiste::MensErroAbort(msgPadrao.Msg(u"N_CHECK"));
    if (msgPadrao.ShowMsg(u"Conf_Alt", cns::MsgType::Confirmation, cns::mbYes | cns::mbNo) != cns::mrYes)
        return;
    validaCamposValor();
    {
        const Showavi::Scope busy(this, 0);
        Consiste::CheckResultServ(m_net.Call(QStringLiteral("AlteraConsumidor"), changeArguments()), true, 0);
    }
    msgPadrao.ShowMsg(u"Cad_Ok", cns::MsgType::Information, cns::mbOK);
    if (m_refresh)
        m_refresh();
    close();
}
