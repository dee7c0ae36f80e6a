#include "TfrmConsultaCracha.h"

#include "Consiste.h"
#include "ConsumerGridCell.h"
#include "DBGrid.h"
#include "FocusEvents.h"
#include "ModuleConnection.h"
#include "Showavi.h"
#include "TNetConnection.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace cns::ui;

namespace Cli_cns72205 {
QString stCliente;
QString stFilial;
TfrmConsultaCracha *frmConsultaCracha = nullptr;
} // namespace Cli_cns72205

TfrmConsultaCracha::TfrmConsultaCracha(QWidget *parent) : TfrmPadraoGrid(parent), cdsClieCons(QStringLiteral("cdsClieCons"))
{
    setObjectName(QStringLiteral("frmConsultaCracha"));
    setWindowTitle(QStringLiteral("Consulta Crachá do Consumidor"));
    setScreenCode(QStringLiteral("CNS72205"));
    msgPadrao.load(u"Cracha_Inf|O código do crachá deve ser informado.\nAtivo|Ativo\nInativo|Inativo");

    panCracha = new QWidget(this);
    panCracha->setObjectName(QStringLiteral("panCracha"));
    auto *grid = new QGridLayout(panCracha);
    grid->addWidget(new QLabel(QStringLiteral("Informe o código do crachá"), panCracha), 0, 0);
    edtCracha = new QLineEdit(panCracha);
    edtCracha->setObjectName(QStringLiteral("edtCracha"));
    edtCracha->setMaxLength(21);
    grid->addWidget(edtCracha, 1, 0);
    rdbClieAnt = new QRadioButton(QStringLiteral("Cliente selecionado na tela anterior"), panCracha);
    rdbClieAnt->setObjectName(QStringLiteral("rdbClieAnt"));
    rdbClieFiliProc = new QRadioButton(QStringLiteral("Clientes associados à filial de processamento"), panCracha);
    rdbClieFiliProc->setObjectName(QStringLiteral("rdbClieFiliProc"));
    rdbTodosClie = new QRadioButton(QStringLiteral("Todos os clientes"), panCracha);
    rdbTodosClie->setObjectName(QStringLiteral("rdbTodosClie"));
    rdbClieFiliProc->setChecked(true);
    grid->addWidget(rdbClieAnt, 0, 1);
    grid->addWidget(rdbClieFiliProc, 1, 1);
    grid->addWidget(rdbTodosClie, 2, 1);
    body()->insertWidget(0, panCracha);

    lblConsumidor = new QLabel(panNavegador);
    lblConsumidor->setObjectName(QStringLiteral("lblConsumidor"));
    panNavegador->layout()->addWidget(lblConsumidor);

    defineFields();
    dtsPadrao.setDataSet(&cdsClieCons);
    dbgPadrao->setColumns({{QStringLiteral("NRINSJURCLIE"), 120},
                           {QStringLiteral("NMRAZSOCCLIE"), 200},
                           {QStringLiteral("NMFANTCLIE"), 160},
                           {QStringLiteral("CDCONSUMIDOR"), 150},
                           {QStringLiteral("NMCONSUMIDOR"), 200},
                           {QStringLiteral("CDIDCONSUMID"), 110},
                           {QStringLiteral("IDSITCONSUMI"), 70}});
    dbgPadrao->OnDrawColumnCell = [this](const DBGrid::Cell &c) { dbgPadraoDrawColumnCell(c); };
    cdsClieCons.AfterScroll = [this](cns::DataSet &) { cdsClieConsAfterScroll(); };

    FocusEvents &focus = FocusEvents::instance();
    focus.onEnter(panCracha, [this] { panCrachaEnter(); });
    focus.onExit(edtCracha, [this] { edtCrachaExit(); });
    focus.onExit(panCracha, [this] { panCrachaExit(); });
    actImprimir->setEnabled(false);
    resize(900, 480);
    created();
}

void TfrmConsultaCracha::defineFields()
{
    const auto add = [this](const char *name, int size, const char *label) {
        cdsClieCons.AddField(QString::fromLatin1(name), cns::FieldType::String, size, QString::fromUtf8(label));
    };
    add("NRINSJURCLIE", 20, "Inscrição Jurídica");
    add("NMRAZSOCCLIE", 50, "Razão Social");
    add("NMFANTCLIE", 50, "Nome Fantasia");
    add("CDCONSUMIDOR", 21, "Cód. Consumidor");
    add("NMCONSUMIDOR", 50, "Nome do Consumidor");
    add("CDIDCONSUMID", 21, "Nr. Crachá");
    add("IDSITCONSUMI", 1, "Situação");
    cdsClieCons.FieldByName(u"IDSITCONSUMI").OnGetText = [this](const cns::Field &f, bool) {
        return msgPadrao.Msg(f.AsString() == u"1" ? u"Ativo" : u"Inativo");
    };
}

QString TfrmConsultaCracha::scopeLetter() const
{
    if (rdbClieAnt->isChecked())
        return QStringLiteral("C");
    if (rdbTodosClie->isChecked())
        return QStringLiteral("T");
    return QStringLiteral("F");
}

void TfrmConsultaCracha::panCrachaEnter()
{
    cdsClieCons.Close();
    lblConsumidor->clear();
}

void TfrmConsultaCracha::edtCrachaExit()
{
    if (Consiste::EmptyString(edtCracha->text()))
        Consiste::MensErro(msgPadrao.Msg(u"Cracha_Inf"));
}

void TfrmConsultaCracha::panCrachaExit()
{
    cns::Value reply;
    {
        const Showavi::Scope busy(this, 6);
        reply = ModuleConnection::consumer().Call(QStringLiteral("getCliCons"),
                                                  {cns::Value(edtCracha->text()), cns::Value(scopeLetter()),
                                                   cns::Value(Cli_cns72205::stCliente), cns::Value(Cli_cns72205::stFilial)});
    }
    cdsClieCons.setData(Consiste::CheckResultServ(reply, true, 1).at(0).packetPtr());
}

void TfrmConsultaCracha::cdsClieConsAfterScroll()
{
    if (cdsClieCons.IsEmpty()) {
        lblConsumidor->clear();
        return;
    }
    lblConsumidor->setText(cdsClieCons.FieldByName(u"CDCONSUMIDOR").AsString() + QStringLiteral(" - ")
                           + cdsClieCons.FieldByName(u"NMCONSUMIDOR").AsString());
}

void TfrmConsultaCracha::dtsPadraoStateChange()
{
    TfrmPadraoGrid::dtsPadraoStateChange();
    for (QAction *a : {actIncluir, actAlterar, actExcluir, actConfirmar, actCancelar, actVerificar})
        a->setEnabled(false);
    actImprimir->setEnabled(cdsClieCons.State() == cns::DataSetState::Browse && !cdsClieCons.IsEmpty());
}

void TfrmConsultaCracha::dbgPadraoDrawColumnCell(const DBGrid::Cell &cell)
{
    const bool inactive = cdsClieCons.rowValue(cell.index.row(), cdsClieCons.FieldByName(u"IDSITCONSUMI").Index()).toString() == u"2";
    ConsumerGridCell::draw(cell, inactive, msgPadrao);
}
