#include "TfrmRelConsumidor.h"

#include "Consiste.h"
#include "EditMask.h"
#include "FocusEvents.h"
#include "MaskEdit.h"
#include "ReportQuery.h"
#include "TBtnPesquisa.h"
#include "TfrmConsumidor.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

using cns::FieldType;
using cns::Value;
using namespace cns::ui;

namespace Cli_cns72201 {
bool boIdCriado = false;
bool boPrimVez = false;
TfrmRelConsumidor *frmRelConsumidor = nullptr;
} // namespace Cli_cns72201

TfrmRelConsumidor::TfrmRelConsumidor(QWidget *parent)
    : TfrmDadosGerRel(parent), qryCliente(QStringLiteral("qryCliente"))
{
    setObjectName(QStringLiteral("frmRelConsumidor"));
    setWindowTitle(QStringLiteral("Consumidor"));
    setScreenCode(QStringLiteral("Cns72201"));
    setReportCode(QStringLiteral("Cns722"), QStringLiteral("consumidores"));
    // The base report screen's table has no texts for the client; these are this screen's own.
    msgPadrao.load(u"Clie_Inf|Cliente deve ser informado.\n"
                   u"Cod_NCad|Não há cliente cadastrado com esta inscrição.");

    auto *group = new QGroupBox(QStringLiteral("Cliente"), this);
    group->setObjectName(QStringLiteral("grbCliente"));
    auto *grid = new QGridLayout(group);
    medCdCliente = new MaskEdit(group);
    medCdCliente->setObjectName(QStringLiteral("medCdCliente"));
    medCdCliente->setMaxLength(20);
    btpCliente = new TBtnPesquisa(group);
    btpCliente->setObjectName(QStringLiteral("btpCliente"));
    edtNmCliente = new QLineEdit(group);
    edtNmCliente->setObjectName(QStringLiteral("edtNmCliente"));
    edtNmCliente->setEnabled(false);
    grid->addWidget(new QLabel(QStringLiteral("Inscrição"), group), 0, 0);
    grid->addWidget(medCdCliente, 1, 0);
    grid->addWidget(btpCliente, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Nome"), group), 0, 2);
    grid->addWidget(edtNmCliente, 1, 2);
    grid->setColumnStretch(2, 1);
    body()->addWidget(group);
    body()->addStretch();

    defineQuery();
    btpCliente->Source = &qryCliente;
    btpCliente->Title = QStringLiteral("Consumidor");
    btpCliente->EmptyText = QStringLiteral("Não há cliente cadastrado.");
    btpCliente->BeforePesq = [this](bool &cancel) {
        btpClienteBeforePesq(cancel);
    };
    btpCliente->AfterPesq = [this] {
        btpClienteAfterPesq();
    };
    connect(medCdCliente, &QLineEdit::textChanged, this, [this] { medCdClienteChange(); });
    FocusEvents &focus = FocusEvents::instance();
    focus.onEnter(medCdCliente, [this] { medCdClienteEnter(); });
    focus.onExit(medCdCliente, [this] { medCdClienteExit(); });
    resize(560, 200);
    created();
}

void TfrmRelConsumidor::defineQuery()
{
    qryCliente.setSQL(
        QStringLiteral("SELECT CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE FROM CLIENTE "
                       "WHERE (NRINSJURCLIE = :P_NRINSJURCLIE OR :P_TNRINSJURCLIE = 'T') ORDER BY CDCLIENTE"));
    qryCliente.AddField(QStringLiteral("CDCLIENTE"), FieldType::String, 21, QStringLiteral("Código"));
    qryCliente.AddField(QStringLiteral("NRINSJURCLIE"), FieldType::String, 20, QStringLiteral("Inscrição"));
    qryCliente.AddField(QStringLiteral("IDTPIJURCLIE"), FieldType::String, 1, QString());
    qryCliente.AddField(QStringLiteral("NMFANTCLIE"), FieldType::String, 50, QStringLiteral("Nome"));
    qryCliente.FieldByName(u"CDCLIENTE").Visible = false;
    qryCliente.FieldByName(u"IDTPIJURCLIE").Visible = false;
    // ADOIBQuery1NRINSJURCLIEGetText: each number through the mask of its own row's kind.
    qryCliente.FieldByName(u"NRINSJURCLIE").OnGetText = [](const cns::Field &f, bool) {
        return EditMask(Consiste::PictPess(f.dataSet().FieldByName(u"IDTPIJURCLIE").AsString())).format(f.AsString());
    };
}

void TfrmRelConsumidor::FormCreate()
{
    TfrmDadosGerRel::FormCreate();
    Cli_cns72201::boPrimVez = true;
}

void TfrmRelConsumidor::FormActivate()
{
    TfrmDadosGerRel::FormActivate();
    if (!Cli_cns72201::boPrimVez)
        return;
    Cli_cns72201::boPrimVez = false;
    repaint();
    if (TfrmConsumidor *main = Cli_cns72200::frmConsumidor) {
        QString tipo;
        const QString text = main->medCdCliente->unmaskedText();
        Consiste::Ajusta_Inscricao(text, &tipo);
        setClientMask(tipo, text);
        edtNmCliente->setText(main->edtNmCliente->text());
    }
}

void TfrmRelConsumidor::FormClose()
{
    TfrmDadosGerRel::FormClose();
    Cli_cns72201::boIdCriado = false;
}

void TfrmRelConsumidor::setClientMask(QStringView tipo, const QString &text)
{
    medCdCliente->setMaskAndText(Consiste::PictPess(tipo), text);
    // Without a mask the field keeps its own limit (removing a mask lifts it).
    medCdCliente->setMaxLength(20);
}

QString TfrmRelConsumidor::number() const
{
    const QString typed = medCdCliente->unmaskedText().trimmed();
    QString tipo;
    const QString digits = Consiste::Ajusta_Inscricao(typed, &tipo);
    return tipo == u"I" ? typed : digits;
}

void TfrmRelConsumidor::medCdClienteEnter()
{
    setClientMask(u"I", medCdCliente->unmaskedText());
}

void TfrmRelConsumidor::medCdClienteChange()
{
    edtNmCliente->clear();
}

void TfrmRelConsumidor::medCdClienteExit()
{
    QString tipo;
    const QString text = medCdCliente->unmaskedText();
    Consiste::Ajusta_Inscricao(text, &tipo);
    setClientMask(tipo, text);
    Vd_CdCliente(false);
}

void TfrmRelConsumidor::Vd_CdCliente(bool required)
{
    if (Consiste::EmptyString(medCdCliente->unmaskedText())) {
        if (required) {
            medCdCliente->setFocus();
            Consiste::MensErro(msgPadrao.Msg(u"Clie_Inf"));
        }
        return;
    }
    qryCliente.Close();
    qryCliente.ParamByName(u"P_NRINSJURCLIE") = Value(number());
    qryCliente.ParamByName(u"P_TNRINSJURCLIE") = Value(QString());
    qryCliente.Open();
    edtNmCliente->setText(qryCliente.IsEmpty() ? QString() : qryCliente.FieldByName(u"NMFANTCLIE").AsString());
    if (qryCliente.IsEmpty()) {
        setClientMask(u"I", medCdCliente->unmaskedText());
        medCdCliente->setFocus();
        Consiste::MensErro(msgPadrao.Msg(u"Cod_NCad"));
    }
}

void TfrmRelConsumidor::btpClienteBeforePesq(bool &)
{
    qryCliente.Close();
    qryCliente.ParamByName(u"P_NRINSJURCLIE") = Value(QString());
    qryCliente.ParamByName(u"P_TNRINSJURCLIE") = Value(QStringLiteral("T"));
    qryCliente.Open();
}

void TfrmRelConsumidor::btpClienteAfterPesq()
{
    const QString number = qryCliente.FieldByName(u"NRINSJURCLIE").AsString();
    setClientMask(qryCliente.FieldByName(u"IDTPIJURCLIE").AsString(), number);
    edtNmCliente->setText(qryCliente.FieldByName(u"NMFANTCLIE").AsString());
}

void TfrmRelConsumidor::sbtPrintClick()
{
    Vd_CdCliente(true);
    TfrmDadosGerRel::sbtPrintClick();
}

void TfrmRelConsumidor::sbtPreviewClick()
{
    Vd_CdCliente(true);
    TfrmDadosGerRel::sbtPreviewClick();
}

void TfrmRelConsumidor::sbtSalvarComoClick()
{
    Vd_CdCliente(true);
    TfrmDadosGerRel::sbtSalvarComoClick();
}

void TfrmRelConsumidor::sbtReportEditClick()
{
    Vd_CdCliente(false);
    TfrmDadosGerRel::sbtReportEditClick();
}

void TfrmRelConsumidor::rpddPadraoBeforeGetQueryParams(ReportQuery &params)
{
    if (params.ExistParam(u"P_NRINSJURCLIE"))
        params.ParamByName(u"P_NRINSJURCLIE") = Value(number());
}
