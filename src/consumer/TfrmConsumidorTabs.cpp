// The consumer screen's controls: the client panel, the tool bar and menus, the eight tabs, and the
// handlers that tie the controls to the rules.
#include "TfrmConsumidor.h"

#include "Consiste.h"
#include "DBCheckBox.h"
#include "DBComboBox.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNumericEdit.h"
#include "FingerprintTab.h"
#include "FocusEvents.h"
#include "HandlerGuard.h"
#include "KeyFilter.h"
#include "MaskEdit.h"
#include "EntryPoints.h"
#include "TBtnPesquisa.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace cns::ui;
using cns::Value;

namespace {

const QString kDigits = QStringLiteral("0123456789");

// A grid of label and control rows.
class FormGrid
{
public:
    explicit FormGrid(QWidget *parent) : m_grid(new QGridLayout(parent)) { m_grid->setColumnStretch(3, 1); }
    QGridLayout *layout() const { return m_grid; }
    QLabel *row(const QString &label, std::initializer_list<QWidget *> controls, const QString &labelName = {})
    {
        auto *l = new QLabel(label);
        if (!labelName.isEmpty())
            l->setObjectName(labelName);
        m_grid->addWidget(l, m_row, 0);
        int col = 1;
        for (QWidget *w : controls)
            m_grid->addWidget(w, m_row, col++, 1, controls.size() == 1 ? 3 : 1);
        ++m_row;
        return l;
    }
    void span(QWidget *w)
    {
        m_grid->addWidget(w, m_row++, 0, 1, 4);
    }

private:
    QGridLayout *m_grid;
    int m_row = 0;
};

QGroupBox *group(QWidget *parent, const QString &name, const QString &title)
{
    auto *g = new QGroupBox(title, parent);
    g->setObjectName(name);
    return g;
}

bool editingState(const cns::DataSet &ds)
{
    return ds.State() == cns::DataSetState::Edit || ds.State() == cns::DataSetState::Insert;
}

// Typing the right mouse button alone into the CPF field starts an edit, as typing does.
class RightClickEdits : public QObject
{
public:
    RightClickEdits(QWidget *w, std::function<void()> f) : QObject(w), m_f(std::move(f)) { w->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(e)->buttons() == Qt::RightButton)
            HandlerGuard::run(m_f);
        return false;
    }

private:
    std::function<void()> m_f;
};

} // namespace

DBEdit *TfrmConsumidor::edit(QWidget *parent, const QString &name, const QString &field, bool readOnly)
{
    auto *e = new DBEdit(parent);
    e->setObjectName(name);
    e->setDataSource(&dtsConsumidor, field);
    if (readOnly) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
    }
    m_controlOfField.insert(field, e);
    return e;
}

TBtnPesquisa *TfrmConsumidor::lookupButton(QWidget *parent, const QString &name, const QString &title, const QString &emptyText)
{
    auto *b = new TBtnPesquisa(parent);
    b->setObjectName(name);
    b->Title = title;
    b->EmptyText = emptyText;
    return b;
}

void TfrmConsumidor::buildClientPanel()
{
    panCliente = new QWidget(this);
    panCliente->setObjectName(QStringLiteral("panCliente"));
    auto *row = new QHBoxLayout(panCliente);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Cliente"), panCliente));
    medCdCliente = new MaskEdit(panCliente);
    medCdCliente->setObjectName(QStringLiteral("medCdCliente"));
    medCdCliente->setMaxLength(20);
    medCdCliente->setMinimumWidth(170);
    row->addWidget(medCdCliente);
    btpCliente = lookupButton(panCliente, QStringLiteral("btpCliente"), QStringLiteral("Cliente"), QStringLiteral("Não há cliente cadastrado."));
    row->addWidget(btpCliente);
    edtNmCliente = new QLineEdit(panCliente);
    edtNmCliente->setObjectName(QStringLiteral("edtNmCliente"));
    edtNmCliente->setReadOnly(true);
    edtNmCliente->setFocusPolicy(Qt::NoFocus);
    row->addWidget(edtNmCliente, 1);
    body()->insertWidget(0, panCliente);

    lblConsumidor = new QLabel(panNavegador);
    lblConsumidor->setObjectName(QStringLiteral("lblConsumidor"));
    panNavegador->layout()->addWidget(lblConsumidor);

    FocusEvents &fe = FocusEvents::instance();
    fe.onEnter(medCdCliente, [this] { medCdClienteEnter(); });
    fe.onExit(medCdCliente, [this] { medCdClienteExit(); });
    fe.onEnter(panCliente, [this] { panClienteEnter(); });
    fe.onExit(panCliente, [this] { panClienteExit(); });
    connect(medCdCliente, &QLineEdit::textEdited, this, [this] { HandlerGuard::run([this] { medCdClienteChange(); }); });
}

void TfrmConsumidor::buildToolBar()
{
    toolBar()->addSeparator();
    btfImpConsu = addToolAction(QStringLiteral("btfImpConsu"), QStringLiteral("Importação"), QStringLiteral("Importação de Consumidor"));
    btnConsultaCracha = addToolAction(QStringLiteral("btnConsultaCracha"), QStringLiteral("Crachá"),
                                      QStringLiteral("Consulta Crachá do Consumidor"));
    btnAssocia = addToolAction(QStringLiteral("btnAssocia"), QStringLiteral("Cód. Externo"), QStringLiteral("Associa Código Externo a Cliente"));
    btnCadAutCons = addToolAction(QStringLiteral("btnCadAutCons"), QStringLiteral("Alt. Automática"),
                                  QStringLiteral("Alteração Automática do Consumidor"));
    btnAtuFiliCons = addToolAction(QStringLiteral("btnAtuFiliCons"), QStringLiteral("Filiais"), QStringLiteral("Atualiza Filiais do Consumidor"));
    btnAnonimizaCons = addToolAction(QStringLiteral("btnAnonimizaCons"), QStringLiteral("Anonimizar"),
                                     QStringLiteral("Anonimizar Dados do Consumidor"));
    btnHistCons = addToolAction(QStringLiteral("btnHistCons"), QStringLiteral("Histórico"), QStringLiteral("Histórico do Consumidor"));
    connect(btnHistCons, &QAction::triggered, this, HandlerGuard::guarded([this] { btnHistConsClick(); }));
    connect(btfImpConsu, &QAction::triggered, this, HandlerGuard::guarded([this] { btfImpConsuClick(); }));
    connect(btnConsultaCracha, &QAction::triggered, this, HandlerGuard::guarded([this] { btnConsultaCrachaClick(); }));
    connect(btnAssocia, &QAction::triggered, this, HandlerGuard::guarded([this] { btnAssociaClick(); }));
    connect(btnAnonimizaCons, &QAction::triggered, this, HandlerGuard::guarded([this] { btnAnonimizaConsClick(); }));
    connect(btnCadAutCons, &QAction::triggered, this, HandlerGuard::guarded([this] { btnCadAutConsClick(); }));
    pmnCad = new QMenu(this);
    pmnCad->setObjectName(QStringLiteral("pmnCad"));
    mnuCadastroAutCons = pmnCad->addAction(QStringLiteral("Cadastro Automático Consumidor"));
    mnuCadastroAutCons->setObjectName(QStringLiteral("mnuCadastroAutCons"));
    connect(mnuCadastroAutCons, &QAction::triggered, this, HandlerGuard::guarded([] { CriaCadAutoCons(); }));
    mnuVinculaCons = pmnCad->addAction(QStringLiteral("Vinculação de Consumidores"));
    mnuVinculaCons->setObjectName(QStringLiteral("mnuVinculaCons"));
    connect(mnuVinculaCons, &QAction::triggered, this, HandlerGuard::guarded([this] { mnuVinculaConsClick(); }));
    connect(btnAtuFiliCons, &QAction::triggered, this, HandlerGuard::guarded([this] { ExibirPopUpAtualizaFilial(); }));
    ppmAtualizaFilialCons = new QMenu(this);
    ppmAtualizaFilialCons->setObjectName(QStringLiteral("ppmAtualizaFilialCons"));
    mnuAtualizaFilialLogada = ppmAtualizaFilialCons->addAction(QStringLiteral("Atualizar Filial Logada (Todos Clientes)"));
    mnuAtualizaFilialLogada->setObjectName(QStringLiteral("mnuAtualizaFilialLogada"));
    connect(mnuAtualizaFilialLogada, &QAction::triggered, this, HandlerGuard::guarded([this] { AtualizarFilialLogada(); }));
    mnuAtualizarListaFiliais = ppmAtualizaFilialCons->addAction(QStringLiteral("Atualizar Lista de Filiais (Cliente da Tela)"));
    mnuAtualizarListaFiliais->setObjectName(QStringLiteral("mnuAtualizarListaFiliais"));
    connect(mnuAtualizarListaFiliais, &QAction::triggered, this, HandlerGuard::guarded([this] { AtualizarListaFiliais(); }));
    // The lookups, the linking and the branch updates wait for a client, the anonymisation for a consumer.
    for (QAction *a : {btnConsultaCracha, btnAssocia, btnCadAutCons, btnAtuFiliCons, btnAnonimizaCons, btnHistCons})
        a->setEnabled(false);
}

void TfrmConsumidor::buildMenu()
{
    mnuOperacoes = menuBar->addMenu(QStringLiteral("&Operações"));
    mnuOperacoes->setObjectName(QStringLiteral("mnuOperacoes"));
    const auto tabEntry = [this](const QString &name, QWidget *tab) {
        QAction *a = mnuOperacoes->addAction(pgcPadrao->tabText(pgcPadrao->indexOf(tab)));
        a->setObjectName(name);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, HandlerGuard::guarded([this, tab] {
            if (pgcPadrao->currentWidget() == tab)
                pgcPadraoChange();
            else
                pgcPadrao->setCurrentWidget(tab); // its change handler runs the tab change
        }));
        return a;
    };
    mnuPadrao = tabEntry(QStringLiteral("mnuPadrao"), tshPadrao);
    mnuFormulario = tabEntry(QStringLiteral("mnuFormulario"), tshFormulario);
    mnuDados = tabEntry(QStringLiteral("mnuDados"), tshDados);
    mnuEndereco = tabEntry(QStringLiteral("mnuEndereco"), tshEndereco);
    mnuSaldo = tabEntry(QStringLiteral("mnuSaldo"), tshSaldo);
    mnuFilial = tabEntry(QStringLiteral("mnuFilial"), tshFilial);
    mnuOperacoes->addSeparator();
    const auto twin = [this](const QString &name, QAction *button) {
        QAction *a = mnuOperacoes->addAction(button->toolTip());
        a->setObjectName(name);
        a->setEnabled(button->isEnabled());
        connect(button, &QAction::changed, a, [a, button] { a->setEnabled(button->isEnabled()); });
        connect(a, &QAction::triggered, button, &QAction::trigger);
        return a;
    };
    Importao1 = twin(QStringLiteral("Importao1"), btfImpConsu);
    mnuConsultaCracha = twin(QStringLiteral("mnuConsultaCracha"), btnConsultaCracha);
    mnuAssocia = twin(QStringLiteral("mnuAssocia"), btnAssocia);
    mnuCadAutCons = twin(QStringLiteral("mnuCadAutCons"), btnCadAutCons);
    mnuAtuFiliCons = twin(QStringLiteral("mnuAtuFiliCons"), btnAtuFiliCons);
    mnuHistCons = twin(QStringLiteral("mnuHistCons"), btnHistCons);
}

void TfrmConsumidor::buildFormulario()
{
    tshFormulario = addFormTab(QStringLiteral("tshFormulario"), QStringLiteral("Formulário"));
    auto *outer = new QVBoxLayout(tshFormulario);
    QGroupBox *ident = group(tshFormulario, QStringLiteral("grbIdentificacao"), QStringLiteral("Identificação do Consumidor"));
    FormGrid g(ident);
    dbeCdCons = edit(ident, QStringLiteral("dbeCdCons"), QStringLiteral("CDCONSUMIDOR"));
    g.row(QStringLiteral("Código"), {dbeCdCons}, QStringLiteral("lblCdCons"));
    dbeNmCons = edit(ident, QStringLiteral("dbeNmCons"), QStringLiteral("NMCONSUMIDOR"));
    g.row(QStringLiteral("Nome"), {dbeNmCons});
    dbcSituacao = new DBComboBox(ident);
    dbcSituacao->setObjectName(QStringLiteral("dbcSituacao"));
    dbcSituacao->addItems({msgPadrao.Msg(u"Ativo"), msgPadrao.Msg(u"Inativo")});
    dbcSituacao->setDataSource(&dtsConsumidor, QStringLiteral("IDSITCONSUMI"));
    g.row(QStringLiteral("Situação"), {dbcSituacao});
    dbeCdExCons = edit(ident, QStringLiteral("dbeCdExCons"), QStringLiteral("CDEXCONSUMID"));
    g.row(QStringLiteral("Código Externo"), {dbeCdExCons});
    dbeNrIdCons = edit(ident, QStringLiteral("dbeNrIdCons"), QStringLiteral("CDIDCONSUMID"));
    g.row(QStringLiteral("Identificação"), {dbeNrIdCons});
    btnAltSenha = new QPushButton(QStringLiteral("Alterar &Senha"), ident);
    btnAltSenha->setObjectName(QStringLiteral("btnAltSenha"));
    connect(btnAltSenha, &QPushButton::clicked, this, HandlerGuard::guarded([this] { btnAltSenhaClick(); }));
    g.row(QStringLiteral("Senha"), {btnAltSenha});
    outer->addWidget(ident);

    auto *codes = new QWidget(tshFormulario);
    FormGrid c(codes);
    dbeTipoCons = edit(codes, QStringLiteral("dbeTipoCons"), QStringLiteral("CDTIPOCONS"));
    btnTipoCons = lookupButton(codes, QStringLiteral("btnTipoCons"), QStringLiteral("Tipo de Consumidor"),
                               QStringLiteral("Não há tipo de consumidor cadastrado."));
    dbeNmTipoCons = edit(codes, QStringLiteral("dbeNmTipoCons"), QStringLiteral("NMTIPOCONS"), true);
    c.row(QStringLiteral("Tipo de Consumidor"), {dbeTipoCons, btnTipoCons, dbeNmTipoCons});
    dbeCentroCusto = edit(codes, QStringLiteral("dbeCentroCusto"), QStringLiteral("CDCCUSCLIE"));
    btnCentroCusto = lookupButton(codes, QStringLiteral("btnCentroCusto"), QStringLiteral("Centro de Custo"),
                                  QStringLiteral("Não há centro de custo cadastrado para o cliente informado."));
    dbeNmCentroCusto = edit(codes, QStringLiteral("dbeNmCentroCusto"), QStringLiteral("NMCCUSCLIE"), true);
    c.row(QStringLiteral("Centro de Custo"), {dbeCentroCusto, btnCentroCusto, dbeNmCentroCusto});
    dbeVendedor = edit(codes, QStringLiteral("dbeVendedor"), QStringLiteral("CDVENDEDOR"));
    btnVendedor = lookupButton(codes, QStringLiteral("btnVendedor"), QStringLiteral("Vendedor"), QStringLiteral("Não há vendedor cadastrado."));
    dbeNmVendedor = edit(codes, QStringLiteral("dbeNmVendedor"), QStringLiteral("NMRAZSOCVEN"), true);
    c.row(QStringLiteral("Vendedor"), {dbeVendedor, btnVendedor, dbeNmVendedor});
    dbcTipVen = new DBComboBox(codes);
    dbcTipVen->setObjectName(QStringLiteral("dbcTipVen"));
    for (char k = '1'; k <= '7'; ++k)
        dbcTipVen->addItem(msgPadrao.Msg(QString(QChar::fromLatin1(k))));
    dbcTipVen->setDataSource(&dtsConsumidor, QStringLiteral("IDTPVENDACONS"));
    c.row(QStringLiteral("Tipo de Venda"), {dbcTipVen});
    outer->addWidget(codes);

    auto *flags = new QWidget(tshFormulario);
    auto *flagRow = new QHBoxLayout(flags);
    QGroupBox *grbTipoServ = group(flags, QStringLiteral("grbTipoServ"), QStringLiteral("Tipo de Serviço"));
    auto *serv = new QVBoxLayout(grbTipoServ);
    const auto check = [this](QWidget *parent, const QString &name, const QString &text, const QString &field) {
        auto *b = new DBCheckBox(parent);
        b->setObjectName(name);
        b->setText(text);
        b->setDataSource(&dtsConsumidor, field);
        m_controlOfField.insert(field, b);
        return b;
    };
    serv->addWidget(check(grbTipoServ, QStringLiteral("chbLancheManha"), QStringLiteral("Lanche Manhã"), QStringLiteral("IDTPSELMANHA")));
    serv->addWidget(check(grbTipoServ, QStringLiteral("chbAlmoco"), QStringLiteral("Almoço"), QStringLiteral("IDTPSEALMOCO")));
    serv->addWidget(check(grbTipoServ, QStringLiteral("chbLancheTarde"), QStringLiteral("Lanche Tarde"), QStringLiteral("IDTPSELTARDE")));
    flagRow->addWidget(grbTipoServ);
    auto *others = new QVBoxLayout;
    others->addWidget(check(flags, QStringLiteral("chbImprimeCupom"), QStringLiteral("Imprime CPF/CNPJ no Cupom Fiscal"),
                            QStringLiteral("IDIMPCPFCUPOM")));
    others->addWidget(check(flags, QStringLiteral("chbCadastroConfirmado"), QStringLiteral("Cadastro Confirmado"),
                            QStringLiteral("IDCADCONFLIBCON")));
    others->addWidget(check(flags, QStringLiteral("chbProdutoExtra"), QStringLiteral("Consumo de Produto Extra"),
                            QStringLiteral("IDPERCONSPRODEX")));
    others->addWidget(check(flags, QStringLiteral("chbCrachaMestre"), QStringLiteral("Crachá Mestre"), QStringLiteral("IDCRACHAMESTRE")));
    others->addWidget(check(flags, QStringLiteral("chbAtualizaCPF"), QStringLiteral("Atualiza CPF na Venda"), QStringLiteral("IDATUCPFCONS")));
    others->addWidget(check(flags, QStringLiteral("chbIDATUCONSONLINE"), QStringLiteral("Atualização Online do Consumidor"),
                            QStringLiteral("IDATUCONSONLINE")));
    flagRow->addLayout(others);
    auto *info = new QVBoxLayout;
    info->addWidget(new QLabel(QStringLiteral("Informações do Consumidor"), flags));
    auto *dbmInfAdicionais = new DBMemo(flags);
    dbmInfAdicionais->setObjectName(QStringLiteral("dbmInfAdicionais"));
    dbmInfAdicionais->setDataSource(&dtsConsumidor, QStringLiteral("DSINFOCONS"));
    info->addWidget(dbmInfAdicionais);
    flagRow->addLayout(info, 1);
    outer->addWidget(flags);
    outer->addStretch();
}

void TfrmConsumidor::buildDados()
{
    tshDados = addFormTab(QStringLiteral("tshDados"), QStringLiteral("Dados do Responsável"));
    auto *outer = new QVBoxLayout(tshDados);
    QGroupBox *pessoais = group(tshDados, QStringLiteral("grbDadosPessoais"), QStringLiteral("Dados Pessoais do Responsável pelo Consumidor"));
    FormGrid g(pessoais);
    g.row(QStringLiteral("Nome Responsável"), {edit(pessoais, QStringLiteral("dbeNmResp"), QStringLiteral("NMRESPCONS"))});
    g.row(QStringLiteral("Identidade"), {edit(pessoais, QStringLiteral("dbeRG"), QStringLiteral("NRRGCONSUMID"))});
    medCPF = new MaskEdit(pessoais);
    medCPF->setObjectName(QStringLiteral("medCPF"));
    medCPF->setMaskAndText(QStringLiteral("999.999.999-99;1; "), QString());
    g.row(QStringLiteral("CPF"), {medCPF});
    dbeDataNasc = new MaskEdit(pessoais);
    dbeDataNasc->setObjectName(QStringLiteral("dbeDataNasc"));
    dbeDataNasc->setMaskAndText(QStringLiteral("99/99/9999;1;_"), QString());
    g.row(QStringLiteral("Data Nasc."), {dbeDataNasc});
    dbcSexo = new DBComboBox(pessoais);
    dbcSexo->setObjectName(QStringLiteral("dbcSexo"));
    dbcSexo->addItems({msgPadrao.Msg(u"Masculino"), msgPadrao.Msg(u"Feminino")});
    dbcSexo->setDataSource(&dtsConsumidor, QStringLiteral("IDSEXOCONS"));
    g.row(QStringLiteral("Sexo"), {dbcSexo});
    dbeCdConsVinculo = edit(pessoais, QStringLiteral("dbeCdConsVinculo"), QStringLiteral("CDCONSVINCULO"));
    btpPesqConsVinculo = lookupButton(pessoais, QStringLiteral("btpPesqConsVinculo"), QStringLiteral("Consumidor Principal"),
                                      QStringLiteral("Não há Consumidores a serem vinculados."));
    dbeNmConsVinculo = edit(pessoais, QStringLiteral("dbeNmConsVinculo"), QStringLiteral("NMCONSVINCULO"), true);
    g.row(QStringLiteral("Vínculo (Consumidor Principal)"), {dbeCdConsVinculo, btpPesqConsVinculo, dbeNmConsVinculo});
    outer->addWidget(pessoais);

    QGroupBox *site = group(tshDados, QStringLiteral("grbAcessoSite"), QStringLiteral("Acesso ao Site"));
    FormGrid s(site);
    dbeNmLogin = edit(site, QStringLiteral("dbeNmLogin"), QStringLiteral("NMLOGINCONS"));
    s.row(QStringLiteral("Código"), {dbeNmLogin});
    btnSenha = new QPushButton(QStringLiteral("Alterar &Senha"), site);
    btnSenha->setObjectName(QStringLiteral("btnSenha"));
    connect(btnSenha, &QPushButton::clicked, this, HandlerGuard::guarded([this] { btnSenhaClick(); }));
    s.row(QStringLiteral("Senha"), {btnSenha});
    outer->addWidget(site);
    outer->addStretch();
}

void TfrmConsumidor::buildEndereco()
{
    tshEndereco = addFormTab(QStringLiteral("tshEndereco"), QStringLiteral("Endereço Principal"));
    auto *outer = new QVBoxLayout(tshEndereco);
    QGroupBox *ende = group(tshEndereco, QStringLiteral("grbEndereco"), QStringLiteral("Endereço do Responsável pelo Consumidor"));
    FormGrid g(ende);
    dbePais = edit(ende, QStringLiteral("dbePais"), QStringLiteral("CDPAIS"));
    btpPais = lookupButton(ende, QStringLiteral("btpPais"), QStringLiteral("País"), QStringLiteral("Não há país cadastrado."));
    dbeNmPais = edit(ende, QStringLiteral("dbeNmPais"), QStringLiteral("NMPAIS"), true);
    g.row(QStringLiteral("País"), {dbePais, btpPais, dbeNmPais});
    dbeSgEstado = edit(ende, QStringLiteral("dbeSgEstado"), QStringLiteral("SGESTADO"));
    btpSgEstado = lookupButton(ende, QStringLiteral("btpSgEstado"), QStringLiteral("Estado"),
                               QStringLiteral("Não há estado cadastrado para o país informado."));
    g.row(QStringLiteral("Estado"), {dbeSgEstado, btpSgEstado});
    dbeMunicipio = edit(ende, QStringLiteral("dbeMunicipio"), QStringLiteral("CDMUNICIPIO"));
    btpMunicipio = lookupButton(ende, QStringLiteral("btpMunicipio"), QStringLiteral("Município"),
                                QStringLiteral("Não há município cadastrado para o estado informado."));
    dbeNmMunicipio = edit(ende, QStringLiteral("dbeNmMunicipio"), QStringLiteral("NMMUNICIPIO"), true);
    g.row(QStringLiteral("Município"), {dbeMunicipio, btpMunicipio, dbeNmMunicipio});
    dbeBairro = edit(ende, QStringLiteral("dbeBairro"), QStringLiteral("CDBAIRRO"));
    btpBairro = lookupButton(ende, QStringLiteral("btpBairro"), QStringLiteral("Bairro"),
                             QStringLiteral("Não há Bairro cadastrado para o Municipio informado."));
    dbeNmBairro = edit(ende, QStringLiteral("dbeNmBairro"), QStringLiteral("NMBAIRRO"), true);
    g.row(QStringLiteral("Bairro"), {dbeBairro, btpBairro, dbeNmBairro});
    g.row(QStringLiteral("Endereço"), {edit(ende, QStringLiteral("dbeEndereco"), QStringLiteral("DSENDECONS"))});
    g.row(QStringLiteral("Número"), {edit(ende, QStringLiteral("dbeNumero"), QStringLiteral("NRENDECONS"))});
    g.row(QStringLiteral("Complemento"), {edit(ende, QStringLiteral("dbeComple"), QStringLiteral("DSCOMPLENDECONS"))});
    dbeCep = edit(ende, QStringLiteral("dbeCep"), QStringLiteral("NRCEPCONS"));
    g.row(QStringLiteral("CEP"), {dbeCep});
    g.row(QStringLiteral("Quadrante"), {edit(ende, QStringLiteral("dbeQuadrante"), QStringLiteral("NMQUADRANTE"))});
    outer->addWidget(ende);

    auto *phones = new QWidget(tshEndereco);
    FormGrid p(phones);
    dbeTelCons = edit(phones, QStringLiteral("dbeTelCons"), QStringLiteral("NRTELECONS"));
    dbeRamalCons = edit(phones, QStringLiteral("dbeRamalCons"), QStringLiteral("NRRAMAL1CONS"));
    p.row(QStringLiteral("Residencial/Nº Quarto"), {dbeTelCons, new QLabel(QStringLiteral("Ramal")), dbeRamalCons});
    dbeTelCons2 = edit(phones, QStringLiteral("dbeTelCons2"), QStringLiteral("NRTELE2CONS"));
    dbeRamalCons2 = edit(phones, QStringLiteral("dbeRamalCons2"), QStringLiteral("NRRAMAL2CONS"));
    p.row(QStringLiteral("Comercial"), {dbeTelCons2, new QLabel(QStringLiteral("Ramal")), dbeRamalCons2});
    dbeFaxCons = edit(phones, QStringLiteral("dbeFaxCons"), QStringLiteral("NRFAXCONS"));
    p.row(QStringLiteral("Fax"), {dbeFaxCons});
    dbeCelular = edit(phones, QStringLiteral("dbeCelular"), QStringLiteral("NRCELULARCONS"));
    p.row(QStringLiteral("Celular"), {dbeCelular});
    dbeEmailCons = edit(phones, QStringLiteral("dbeEmailCons"), QStringLiteral("DSEMAILCONS"));
    p.row(QStringLiteral("E-Mail"), {dbeEmailCons});
    outer->addWidget(phones);

    QGroupBox *ponto = group(tshEndereco, QStringLiteral("grbPonto"), QStringLiteral("Ponto de Referência"));
    auto *pl = new QVBoxLayout(ponto);
    auto *dbmPonto = new DBMemo(ponto);
    dbmPonto->setObjectName(QStringLiteral("dbmPonto"));
    dbmPonto->setDataSource(&dtsConsumidor, QStringLiteral("DSREFERENDECONS"));
    dbmPonto->setMaximumHeight(70);
    pl->addWidget(dbmPonto);
    outer->addWidget(ponto);
}

void TfrmConsumidor::buildOutrEnde()
{
    tshOutrEnde = addFormTab(QStringLiteral("tshOutrEnde"), QStringLiteral("Outros Endereços"));
    auto *outer = new QVBoxLayout(tshOutrEnde);
    outer->addWidget(new QLabel(QStringLiteral("Endereço Secundário"), tshOutrEnde));
    dbgEndeCons = new DBGrid(tshOutrEnde);
    dbgEndeCons->setObjectName(QStringLiteral("dbgEndeCons"));
    dbgEndeCons->setDataSource(&dtsEndeCons);
    // The code columns show their names (drawn over them); their lookups come with editing.
    dbgEndeCons->setColumns({{QStringLiteral("DSENDECONS"), 150, QStringLiteral("Endereço")},
                             {QStringLiteral("NRENDECONS"), 40, QStringLiteral("Nº")},
                             {QStringLiteral("CDPAIS"), 50, QStringLiteral("País")},
                             {QStringLiteral("SGESTADO"), 40, QStringLiteral("Estado")},
                             {QStringLiteral("CDMUNICIPIO"), 100, QStringLiteral("Município")},
                             {QStringLiteral("CDBAIRRO"), 100, QStringLiteral("Bairro")},
                             {QStringLiteral("NRCEPCONS"), 60, QStringLiteral("Cep")},
                             {QStringLiteral("NMQUADRANTECONS"), 70, QStringLiteral("Quadrante")},
                             {QStringLiteral("DSCOMPLENDECONS"), 100, QStringLiteral("Complemento")},
                             {QStringLiteral("DSREFERENDECONS"), 100, QStringLiteral("Referência")}});
    outer->addWidget(dbgEndeCons);
}

void TfrmConsumidor::buildSaldo()
{
    tshSaldo = addFormTab(QStringLiteral("tshSaldo"), QStringLiteral("Saldo"));
    auto *outer = new QVBoxLayout(tshSaldo);
    const auto valueRow = [this](FormGrid &g, QWidget *parent, const QString &labelName, const QString &label, const QString &name,
                                 const QString &field, int maxLength) {
        auto *e = new DBNumericEdit(parent);
        e->setObjectName(name);
        e->setDataSource(&dtsConsumidor, field);
        if (maxLength > 0)
            e->setMaxLength(maxLength);
        m_controlOfField.insert(field, e);
        g.row(label, {e}, labelName);
        return e;
    };
    auto *groups = new QHBoxLayout;
    grbConsDeb = group(tshSaldo, QStringLiteral("grbConsDeb"), QStringLiteral("Vendas Débito Consumidor "));
    FormGrid d(grbConsDeb);
    const QString aviso = QStringLiteral("Emitir aviso ao operador quando o saldo for inferior a ");
    const QString bloqueio = QStringLiteral("Bloquear lançamentos quando o saldo for inferior a ");
    const QString maxDiario = QStringLiteral("Valor Máximo de Consumo Diário");
    debitEdits = {valueRow(d, grbConsDeb, QStringLiteral("lblAvisoDeb"), aviso, QStringLiteral("nedVRAVIDEBCONS"), QStringLiteral("VRAVIDEBCONS"), 12),
                  valueRow(d, grbConsDeb, QStringLiteral("lblBloqueioDeb"), bloqueio, QStringLiteral("nedVRLIMDEBCONS"), QStringLiteral("VRLIMDEBCONS"), 12),
                  valueRow(d, grbConsDeb, QStringLiteral("lblMaxDeb"), maxDiario, QStringLiteral("nedVRMAXDEBCONS"), QStringLiteral("VRMAXDEBCONS"), 12),
                  valueRow(d, grbConsDeb, QStringLiteral("lblVrSubsBasico"), QStringLiteral("Valor subsidiado (Básico)"),
                           QStringLiteral("nedVRSUBSBASICO"), QStringLiteral("VRSUBSBASICO"), 0),
                  valueRow(d, grbConsDeb, QStringLiteral("lblMaxMensal"), QStringLiteral("Valor Máximo de Consumo Mensal"),
                           QStringLiteral("nedVRMAXCONSMENSAL"), QStringLiteral("VRMAXCONSMENSAL"), 12)};
    groups->addWidget(grbConsDeb);
    grbConsCred = group(tshSaldo, QStringLiteral("grbConsCred"), QStringLiteral("Vendas Crédito Pessoal"));
    FormGrid c(grbConsCred);
    creditEdits = {valueRow(c, grbConsCred, QStringLiteral("lblAvisoCred"), aviso, QStringLiteral("nedVRAVICREDCONS"), QStringLiteral("VRAVICREDCONS"), 12),
                   valueRow(c, grbConsCred, QStringLiteral("lblBloqueioCred"), bloqueio, QStringLiteral("nedVRLIMCREDCONS"), QStringLiteral("VRLIMCREDCONS"), 12),
                   valueRow(c, grbConsCred, QStringLiteral("lblMaxCred"), maxDiario, QStringLiteral("nedMAXCREDCONS"), QStringLiteral("VRMAXCREDCONS"), 12)};
    groups->addWidget(grbConsCred);
    outer->addLayout(groups);
    cbbVerifSaldoCons = new QCheckBox(QStringLiteral("Verifica Saldo do Consumidor"), tshSaldo);
    cbbVerifSaldoCons->setObjectName(QStringLiteral("cbbVerifSaldoCons"));
    connect(cbbVerifSaldoCons, &QCheckBox::clicked, this, HandlerGuard::guarded([this] { cbbVerifSaldoConsClick(); }));
    outer->addWidget(cbbVerifSaldoCons);

    QGroupBox *grbSaldo = group(tshSaldo, QStringLiteral("grbSaldo"), QStringLiteral("Saldo"));
    FormGrid s(grbSaldo);
    valueRow(s, grbSaldo, QStringLiteral("lblMensal"), QStringLiteral("Saldo mensal concedido pela empresa"), QStringLiteral("nedVRMESUBCONS"),
             QStringLiteral("VRMESUBCONS"), 12);
    valueRow(s, grbSaldo, QStringLiteral("lblPercentual"),
             QStringLiteral("Percentual de subsídio em folha (Vendas débito consumidor e crédito pessoal)"), QStringLiteral("nedVRPESUBCONS"),
             QStringLiteral("VRPESUBCONS"), 12);
    auto *dbcBloqueiaFS = new DBCheckBox(grbSaldo);
    dbcBloqueiaFS->setObjectName(QStringLiteral("dbcBloqueiaFS"));
    dbcBloqueiaFS->setText(QStringLiteral("Bloqueia utilização do saldo de consumo diário no final de semana"));
    dbcBloqueiaFS->setDataSource(&dtsConsumidor, QStringLiteral("IDBLOQSALDFS"));
    s.span(dbcBloqueiaFS);
    outer->addWidget(grbSaldo);
    outer->addStretch();
}

void TfrmConsumidor::buildFilial()
{
    tshFilial = addFormTab(QStringLiteral("tshFilial"), QStringLiteral("Filiais Associadas"));
    auto *outer = new QVBoxLayout(tshFilial);
    outer->addWidget(new QLabel(QStringLiteral("Filiais Associadas ao Cliente"), tshFilial));
    dbgFilial = new DBGrid(tshFilial);
    dbgFilial->setObjectName(QStringLiteral("dbgFilial"));
    dbgFilial->setDataSource(&dtsFilial);
    dbgFilial->setReadOnly(true);
    dbgFilial->setColumns({{QStringLiteral("CDFILIAL"), 80}, {QStringLiteral("NMFILIAL"), 300}});
    outer->addWidget(dbgFilial);
    outer->addWidget(new QLabel(QStringLiteral("Filiais Associadas ao Consumidor"), tshFilial));
    dbgConsFilial = new DBGrid(tshFilial);
    dbgConsFilial->setObjectName(QStringLiteral("dbgConsFilial"));
    dbgConsFilial->setDataSource(&dtsConsFilial);
    dbgConsFilial->setColumns({{QStringLiteral("CDFILIAL"), 80}, {QStringLiteral("NMFILIAL"), 300}});
    dbgConsFilial->setColumnReadOnly(QStringLiteral("NMFILIAL"), true);
    outer->addWidget(dbgConsFilial);
}

void TfrmConsumidor::buildDigital()
{
    tshDigital = addFormTab(QStringLiteral("tshDigital"), QStringLiteral("Capturar Digital"));
    digital = new FingerprintTab(tshDigital, cdsConsumidor, msgPadrao);
    cboDigital = digital->cboDigital;
}

// ---------------------------------------------------------------------------------------------------
// Lookups

void TfrmConsumidor::wireLookups()
{
    btpCliente->Source = &cdsClientePesq;
    btpCliente->Fields = {QStringLiteral("NRINSJURCLIE"), QStringLiteral("NMFANTCLIE"), QStringLiteral("NMRAZSOCCLIE")};
    btpCliente->BeforePesq = [this](bool &cancel) { btpClienteBeforePesq(cancel); };
    btpCliente->AfterPesq = [this] { btpClienteAfterPesq(); };

    // After a pick the record is put into editing and the row copied (code first: its change clears the name).
    const auto copy = [this](TBtnPesquisa *b, QList<QPair<QString, QString>> fields, QStringList clear = {}) {
        b->AfterPesq = [this, b, fields, clear] {
            if (cdsConsumidor.State() == cns::DataSetState::Browse)
                cdsConsumidor.Edit();
            clearBelow(clear);
            for (const auto &[to, from] : fields)
                cdsConsumidor.FieldByName(to).setAsString(b->Source->FieldByName(from).AsString());
        };
    };
    btnTipoCons->BeforePesq = [this](bool &) { btnTipoCons->Source = &rules.tipoConsLevel(); };
    btnTipoCons->AfterPesq = [this] {
        if (cdsConsumidor.State() == cns::DataSetState::Browse)
            cdsConsumidor.Edit();
        cdsConsumidor.FieldByName(u"CDTIPOCONS").setAsString(btnTipoCons->Source->Fields(0).AsString());
        cdsConsumidor.FieldByName(u"NMTIPOCONS").setAsString(btnTipoCons->Source->Fields(1).AsString());
    };
    btnCentroCusto->Source = &lookups.qryCentroCusto;
    btnCentroCusto->Fields = {QStringLiteral("CDCCUSCLIE"), QStringLiteral("NMCCUSCLIE")};
    btnCentroCusto->BeforePesq = [this](bool &) {
        ConsumerLookups::openFor(lookups.qryCentroCusto, QStringLiteral("P_CDCCUSCLIE"), QString(),
                                 {{QStringLiteral("P_CDCLIENTE"), clientCode()}});
    };
    copy(btnCentroCusto, {{QStringLiteral("CDCCUSCLIE"), QStringLiteral("CDCCUSCLIE")}, {QStringLiteral("NMCCUSCLIE"), QStringLiteral("NMCCUSCLIE")}});
    btnVendedor->Source = &lookups.qryPesqVendedor;
    btnVendedor->BeforePesq = [this](bool &) { ConsumerLookups::openFor(lookups.qryPesqVendedor, QStringLiteral("P_CDVENDEDOR"), QString()); };
    copy(btnVendedor, {{QStringLiteral("CDVENDEDOR"), QStringLiteral("CDVENDEDOR")}, {QStringLiteral("NMRAZSOCVEN"), QStringLiteral("NMRAZSOCVEN")}});

    const QStringList belowCountry = {QStringLiteral("NMPAIS"),      QStringLiteral("SGESTADO"), QStringLiteral("CDMUNICIPIO"),
                                      QStringLiteral("NMMUNICIPIO"), QStringLiteral("CDBAIRRO"), QStringLiteral("NMBAIRRO")};
    const QStringList belowState = belowCountry.mid(2);
    btpPais->Source = &lookups.qryPais;
    btpPais->BeforePesq = [this](bool &) { ConsumerLookups::openFor(lookups.qryPais, QStringLiteral("P_CDPAIS"), QString()); };
    copy(btpPais, {{QStringLiteral("CDPAIS"), QStringLiteral("CDPAIS")}, {QStringLiteral("NMPAIS"), QStringLiteral("NMPAIS")}}, belowCountry);
    btpSgEstado->Source = &lookups.qryEstado;
    btpSgEstado->BeforePesq = [this](bool &) {
        ConsumerLookups::openFor(lookups.qryEstado, QStringLiteral("P_SGESTADO"), QString(),
                                 {{QStringLiteral("P_CDPAIS"), cdsConsumidor.FieldByName(u"CDPAIS").AsString()}});
    };
    copy(btpSgEstado, {{QStringLiteral("SGESTADO"), QStringLiteral("SGESTADO")}}, belowState);
    btpMunicipio->Source = &lookups.qryMunicipio;
    btpMunicipio->BeforePesq = [this](bool &) {
        ConsumerLookups::openFor(lookups.qryMunicipio, QStringLiteral("P_CDMUNICIPIO"), QString(),
                                 {{QStringLiteral("P_CDPAIS"), cdsConsumidor.FieldByName(u"CDPAIS").AsString()},
                                  {QStringLiteral("P_SGESTADO"), cdsConsumidor.FieldByName(u"SGESTADO").AsString()}});
    };
    copy(btpMunicipio, {{QStringLiteral("CDMUNICIPIO"), QStringLiteral("CDMUNICIPIO")}, {QStringLiteral("NMMUNICIPIO"), QStringLiteral("NMMUNICIPIO")}});
    btpBairro->Source = &lookups.qryBairro;
    btpBairro->BeforePesq = [this](bool &) {
        ConsumerLookups::openFor(lookups.qryBairro, QStringLiteral("P_CDBAIRRO"), QString(),
                                 {{QStringLiteral("P_CDPAIS"), cdsConsumidor.FieldByName(u"CDPAIS").AsString()},
                                  {QStringLiteral("P_SGESTADO"), cdsConsumidor.FieldByName(u"SGESTADO").AsString()},
                                  {QStringLiteral("P_CDMUNICIPIO"), cdsConsumidor.FieldByName(u"CDMUNICIPIO").AsString()}});
    };
    copy(btpBairro, {{QStringLiteral("CDBAIRRO"), QStringLiteral("CDBAIRRO")}, {QStringLiteral("NMBAIRRO"), QStringLiteral("NMBAIRRO")},
                     {QStringLiteral("NMBAIRCONS"), QStringLiteral("NMBAIRRO")}});

    btpPesqConsVinculo->Source = &cdsPesqConsVinculo;
    btpPesqConsVinculo->BeforePesq = [this](bool &) {
        cdsPesqConsVinculo.setData(
            callList(QStringLiteral("getConsVinculo"), {Value(clientCode()), Value(consumerCode())}, 1, 6).at(0).packetPtr());
    };
    copy(btpPesqConsVinculo, {{QStringLiteral("CDCONSVINCULO"), QStringLiteral("CDCONSUMIDOR")},
                              {QStringLiteral("NMCONSVINCULO"), QStringLiteral("NMCONSUMIDOR")}});
}

void TfrmConsumidor::clearBelow(const QStringList &fields)
{
    if (!editingState(cdsConsumidor))
        return;
    for (const QString &name : fields) {
        cdsConsumidor.FieldByName(name).Clear();
        if (name == u"NMBAIRRO")
            cdsConsumidor.FieldByName(u"NMBAIRCONS").Clear();
    }
}

// ---------------------------------------------------------------------------------------------------
// Exits, changes and key filters of the form controls

void TfrmConsumidor::wireFieldHandlers()
{
    FocusEvents &fe = FocusEvents::instance();
    fe.onExit(dbeCdCons, [this] { rules.Vd_Consumidor(false); });
    fe.onExit(dbeTipoCons, [this] { rules.Vd_TipoCons(false); });
    fe.onExit(dbeCentroCusto, [this] { rules.Vd_CentroCusto(false); });
    fe.onExit(dbeVendedor, [this] { rules.Vd_Vendedor(); });
    const auto badgeExit = [this] {
        rules.badge().Vd_CodBarra(false);
        if (cdsConsumidor.State() == cns::DataSetState::Insert && cdsConsumidor.FieldByName(u"NMLOGINCONS").AsString().isEmpty()) {
            rules.siteAccessDefault();
            rules.Vd_NomeSite();
        }
    };
    fe.onExit(dbeNrIdCons, badgeExit);
    fe.onExit(dbeCdExCons, badgeExit);
    fe.onExit(medCPF, [this] { rules.Vd_CPF(); });
    fe.onExit(dbeEmailCons, [this] { rules.Vd_Email(); });
    fe.onExit(dbeDataNasc, [this] { rules.Vd_DtNasc(dbeDataNasc->text()); });
    fe.onExit(dbeNmLogin, [this] { rules.Vd_NomeSite(); });
    fe.onExit(dbePais, [this] { rules.Vd_Pais(); });
    fe.onExit(dbeSgEstado, [this] { rules.Vd_Estado(); });
    fe.onExit(dbeMunicipio, [this] { rules.Vd_Municipio(); });
    fe.onExit(dbeBairro, [this] { rules.Vd_Bairro(); });
    fe.onExit(dbeCdConsVinculo, [this] {
        if (editingState(cdsConsumidor))
            rules.vdConsVinculacao();
    });

    // A changed code never keeps the name of the code before it.
    const auto onTyping = [this](DBEdit *e, QStringList fields) {
        connect(e, &QLineEdit::textEdited, this, [this, fields] { HandlerGuard::run([this, fields] { clearBelow(fields); }); });
    };
    onTyping(dbeTipoCons, {QStringLiteral("NMTIPOCONS")});
    onTyping(dbeCentroCusto, {QStringLiteral("NMCCUSCLIE")});
    onTyping(dbeVendedor, {QStringLiteral("NMRAZSOCVEN")});
    onTyping(dbePais, {QStringLiteral("NMPAIS"), QStringLiteral("SGESTADO"), QStringLiteral("CDMUNICIPIO"), QStringLiteral("NMMUNICIPIO"),
                       QStringLiteral("CDBAIRRO"), QStringLiteral("NMBAIRRO")});
    onTyping(dbeSgEstado, {QStringLiteral("CDMUNICIPIO"), QStringLiteral("NMMUNICIPIO"), QStringLiteral("CDBAIRRO"), QStringLiteral("NMBAIRRO")});
    onTyping(dbeMunicipio, {QStringLiteral("NMMUNICIPIO")});
    onTyping(dbeBairro, {QStringLiteral("NMBAIRRO")});

    const auto startEdit = [this] { HandlerGuard::run([this] { dtsConsumidor.Edit(); }); };
    connect(medCPF, &QLineEdit::textEdited, this, startEdit);
    new RightClickEdits(medCPF, [this] { dtsConsumidor.Edit(); });

    const QString bell(QChar(7));
    for (QWidget *w : {dbeTelCons, dbeTelCons2, dbeFaxCons, dbeCelular})
        KeyFilter::install(w, KeyFilter::only(bell + QStringLiteral(" ()-") + kDigits));
    for (QWidget *w : {dbeRamalCons, dbeRamalCons2})
        KeyFilter::install(w, KeyFilter::only(bell + kDigits));
    for (QWidget *w : {dbePais, dbeMunicipio, dbeBairro})
        KeyFilter::install(w, KeyFilter::only(kDigits));
    KeyFilter::install(dbeCep, KeyFilter::only(QStringLiteral("-.") + kDigits));
    KeyFilter::install(dbeSgEstado, KeyFilter::upperCase());
    KeyFilter::install(dbcSexo, [](QChar) { return QChar(); }); // chosen with the mouse only
}
