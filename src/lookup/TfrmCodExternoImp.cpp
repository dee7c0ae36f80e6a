#include "TfrmCodExternoImp.h"

#include "Consiste.h"
#include "EAbort.h"
#include "HandlerGuard.h"
#include "ModuleConnection.h"
#include "Pesquisa.h"
#include "Showavi.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

using namespace cns::ui;

namespace Cli_cns72206 {
bool boIdCriado = false;
TfrmCodExternoImp *frmCodExternoImp = nullptr;
} // namespace Cli_cns72206

TfrmCodExternoImp::TfrmCodExternoImp(const QString &filial, const QString &cdCliente, QWidget *parent)
    : TfrmPadraoGrid(parent), cdsCodExterno(QStringLiteral("cdsCodExterno")), cdsVdCodExterno(QStringLiteral("cdsVdCodExterno")),
      qryFilial(QStringLiteral("qryFilial")), m_filial(filial.trimmed().isEmpty() ? QStringLiteral("T") : filial), m_cdCliente(cdCliente)
{
    setObjectName(QStringLiteral("frmCodExternoImp"));
    setWindowTitle(QStringLiteral("Cadastro de Código Externo para Cliente"));
    setScreenCode(QStringLiteral("CNS72206"));
    msgPadrao.load(u"INFO_COD_FILIAL|Filial deve ser informada.\n"
                   u"COD_NAO_CAD_FILIAL|Filial não cadastrada.\n"
                   u"INFO_COD_LOJA|Código deve ser informado.\n"
                   u"COD_JA_CAD_LOJA|Código já cadastrado.\n"
                   u"INFO_NOME_LOJA|Nome deve ser informado.\n"
                   u"Cod_Deve|Código externo deve ser informado.\n"
                   u"Fili_Deve|Filial deve ser informada.\n"
                   u"FILIAL|Filial\n"
                   u"Fili_N_Cad|Filial não cadastrada.\n"
                   u"CodExt_Ja_Cad|Código externo já cadastrado para esta filial.");

    auto *panFilial = new QWidget(this);
    panFilial->setObjectName(QStringLiteral("panFilial"));
    auto *row = new QHBoxLayout(panFilial);
    row->addWidget(new QLabel(QStringLiteral("Cliente"), panFilial));
    edtCliente = new QLineEdit(panFilial);
    edtCliente->setObjectName(QStringLiteral("edtCliente"));
    edtCliente->setEnabled(false);
    row->addWidget(edtCliente, 1);
    body()->insertWidget(0, panFilial);

    lblCodExterno = new QLabel(panNavegador);
    lblCodExterno->setObjectName(QStringLiteral("lblCodExterno"));
    panNavegador->layout()->addWidget(lblCodExterno);

    qryFilial.setSQL(QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL WHERE (CDFILIAL = :P_CDFILIAL) OR (:P_TCDFILIAL = 'T') "
                                    "ORDER BY CDFILIAL"));
    qryFilial.AddField(QStringLiteral("CDFILIAL"), cns::FieldType::String, 4, QStringLiteral("Código"));
    qryFilial.AddField(QStringLiteral("NMFILIAL"), cns::FieldType::String, 30, QStringLiteral("Nome"));

    defineFields();
    dtsPadrao.setDataSet(&cdsCodExterno);
    dbgPadrao->setReadOnly(false);
    dbgPadrao->setColumns({{QStringLiteral("CDFILIAL"), 80}, {QStringLiteral("CDEXCLIENTEIMP"), 200}});
    dbgPadrao->OnKeyPress = [this](QChar c) { return dbgPadraoKeyPress(c); };
    dbgPadrao->OnColExit = [this](const QString &f) { dbgPadraoColExit(f); };
    dbgPadrao->OnEditButtonClick = [this](const QString &f) { dbgPadraoEditButtonClick(f); };
    resize(680, 440);
    created();
}

void TfrmCodExternoImp::defineFields()
{
    for (cns::DataSet *ds : {&cdsCodExterno, &cdsVdCodExterno}) {
        ds->AddField(QStringLiteral("CDFILIAL"), cns::FieldType::String, 4, QStringLiteral("Filial"));
        ds->AddField(QStringLiteral("CDCLIENTE"), cns::FieldType::String, 21).Visible = false;
        ds->AddField(QStringLiteral("CDEXCLIENTEIMP"), cns::FieldType::String, 21, QStringLiteral("Código Externo"));
    }
    cdsCodExterno.AfterInsert = [this](cns::DataSet &) { cdsCodExternoAfterInsert(); };
    cdsCodExterno.AfterEdit = [this](cns::DataSet &) { dbgPadrao->selectField(QStringLiteral("CDEXCLIENTEIMP")); };
    cdsCodExterno.BeforePost = [this](cns::DataSet &) { cdsCodExternoBeforePost(); };
    cdsCodExterno.AfterPost = [this](cns::DataSet &) { cdsCodExternoAfterPost(); };
    cdsCodExterno.AfterDelete = [this](cns::DataSet &) { cdsCodExternoAfterDelete(); };
    // After any cancel the pending changes go and the actions follow the packet again.
    cdsCodExterno.AfterCancel = [this](cns::DataSet &ds) {
        ds.CancelUpdates();
        dtsPadraoStateChange();
    };
    cdsCodExterno.AfterScroll = [this](cns::DataSet &) { cdsCodExternoAfterScroll(); };
}

TNetConnection &TfrmCodExternoImp::net()
{
    return ModuleConnection::consumer();
}

void TfrmCodExternoImp::FormCreate()
{
    const Showavi::Scope busy(this, 0);
    net().Open();
}

void TfrmCodExternoImp::FormActivate()
{
    // The screen reloads on every activation, but never over a row the operator is still editing
    // (a lookup or a message box closing activates it again).
    if (cdsCodExterno.State() != cns::DataSetState::Edit && !inserting())
        load();
}

void TfrmCodExternoImp::FormClose()
{
    m_ownNet.Close();
    Cli_cns72206::boIdCriado = false;
}

cns::Value TfrmCodExternoImp::fetch()
{
    cns::Value reply;
    {
        const Showavi::Scope busy(this, 6);
        reply = net().Call(QStringLiteral("getCodExterno"), {cns::Value(m_filial), cns::Value(m_cdCliente)});
    }
    return Consiste::CheckResultServ(reply, true, 1).at(0);
}

void TfrmCodExternoImp::load()
{
    cdsCodExterno.setData(fetch().packetPtr());
    dtsPadraoStateChange();
}

void TfrmCodExternoImp::sbtVerificarClick()
{
    load();
}

void TfrmCodExternoImp::sbtCancelarClick()
{
    TfrmPadraoGrid::sbtCancelarClick();
    dtsPadraoStateChange();
}

void TfrmCodExternoImp::cdsCodExternoAfterInsert()
{
    cdsCodExterno.FieldByName(u"CDCLIENTE").setAsString(m_cdCliente);
    if (!allBranches())
        cdsCodExterno.FieldByName(u"CDFILIAL").setAsString(m_filial);
}

void TfrmCodExternoImp::cdsCodExternoBeforePost()
{
    const QString branch = cdsCodExterno.FieldByName(u"CDFILIAL").AsString();
    const QString code = cdsCodExterno.FieldByName(u"CDEXCLIENTEIMP").AsString();
    if (Consiste::EmptyString(branch)) {
        dbgPadrao->selectField(QStringLiteral("CDFILIAL"));
        Consiste::MensErro(msgPadrao.Msg(u"Fili_Deve"));
    }
    if (Consiste::EmptyString(code)) {
        dbgPadrao->selectField(QStringLiteral("CDEXCLIENTEIMP"));
        Consiste::MensErro(msgPadrao.Msg(u"Cod_Deve"));
    }
    cdsVdCodExterno.setData(fetch().packetPtr());
    for (cdsVdCodExterno.First(); !cdsVdCodExterno.Eof(); cdsVdCodExterno.Next()) {
        if (cdsVdCodExterno.FieldByName(u"CDFILIAL").AsString() != branch
            || cdsVdCodExterno.FieldByName(u"CDEXCLIENTEIMP").AsString() != code)
            continue;
        if (cdsCodExterno.State() == cns::DataSetState::Edit)
            cdsCodExterno.CancelUpdates();
        else
            dbgPadrao->selectField(QStringLiteral("CDEXCLIENTEIMP"));
        Consiste::MensErro(msgPadrao.Msg(u"CodExt_Ja_Cad"));
    }
}

void TfrmCodExternoImp::send()
{
    if (cdsCodExterno.ChangeCount() == 0)
        return;
    try {
        cns::Value reply;
        {
            const Showavi::Scope busy(this, 6);
            reply = net().Call(QStringLiteral("setCodExterno"), {cns::Value(cdsCodExterno.Delta())});
        }
        Consiste::CheckResultServ(reply, true, 0);
    } catch (...) {
        cdsCodExterno.CancelUpdates();
        throw;
    }
}

void TfrmCodExternoImp::cdsCodExternoAfterPost()
{
    send();
    load();
}

void TfrmCodExternoImp::cdsCodExternoAfterDelete()
{
    if (cdsCodExterno.ChangeCount() == 0)
        return;
    send();
    load();
}

void TfrmCodExternoImp::cdsCodExternoAfterScroll()
{
    if (cdsCodExterno.IsEmpty() && !inserting()) {
        lblCodExterno->clear();
        return;
    }
    lblCodExterno->setText(cdsCodExterno.FieldByName(u"CDFILIAL").AsString() + QStringLiteral(" - ")
                           + cdsCodExterno.FieldByName(u"CDEXCLIENTEIMP").AsString());
}

QChar TfrmCodExternoImp::dbgPadraoKeyPress(QChar key)
{
    if (dbgPadrao->selectedField() != u"CDFILIAL")
        return key;
    const bool allowed = key.unicode() == 8 || (key >= u'0' && key <= u'9') || (key >= u'A' && key <= u'Z') || key == QChar(0x00C7);
    return allBranches() && inserting() && allowed ? key : QChar();
}

void TfrmCodExternoImp::dbgPadraoColExit(const QString &field)
{
    if (field != u"CDFILIAL" || !allBranches() || !inserting())
        return;
    cns::Field &branch = cdsCodExterno.FieldByName(u"CDFILIAL");
    const QString code = Consiste::Ajusta(branch.AsString(), 4);
    branch.setAsString(code);
    qryFilial.Close();
    qryFilial.ParamByName(u"P_CDFILIAL") = cns::Value(code);
    qryFilial.ParamByName(u"P_TCDFILIAL") = cns::Value(QString());
    qryFilial.Open();
    if (!code.isEmpty() && qryFilial.IsEmpty())
        Consiste::MensErro(msgPadrao.Msg(u"Fili_N_Cad"));
}

void TfrmCodExternoImp::dbgPadraoEditButtonClick(const QString &field)
{
    if (field != u"CDFILIAL")
        return;
    qryFilial.Close();
    qryFilial.ParamByName(u"P_CDFILIAL") = cns::Value(QString());
    qryFilial.ParamByName(u"P_TCDFILIAL") = cns::Value(QStringLiteral("T"));
    qryFilial.Open();
    if (Pesquisa::Pesquisar(qryFilial, msgPadrao.Msg(u"FILIAL")))
        cdsCodExterno.FieldByName(u"CDFILIAL").setAsString(qryFilial.FieldByName(u"CDFILIAL").AsString());
}

void TfrmCodExternoImp::dtsPadraoStateChange()
{
    TfrmPadraoGrid::dtsPadraoStateChange();
    const bool editing = cdsCodExterno.State() == cns::DataSetState::Edit || inserting();
    const bool rows = cdsCodExterno.Active() && !cdsCodExterno.IsEmpty();
    actIncluir->setEnabled(!editing);
    for (QAction *a : {actAlterar, actExcluir, actImprimir, actVerificar})
        a->setEnabled(rows && !editing);
    const bool branchEditable = allBranches() && inserting();
    dbgPadrao->setColumnButton(QStringLiteral("CDFILIAL"), branchEditable);
    dbgPadrao->setColumnReadOnly(QStringLiteral("CDFILIAL"), !branchEditable);
}
