#include "TfrmAnonimizaCons.h"

#include "Consiste.h"
#include "Corvane.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "Showavi.h"
#include "TNetConnection.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <stdexcept>

using cns::DataSetState;
using cns::FieldType;
using cns::Value;

namespace Cli_cns72211 {
TfrmAnonimizaCons *frmAnonimizaCons = nullptr;
} // namespace Cli_cns72211

TfrmAnonimizaCons::TfrmAnonimizaCons(TNetConnection &net, const QString &client, const QString &consumer,
                                     const QString &name, std::function<void()> refresh, QWidget *parent)
    : TfrmFiltroPadrao(parent), cdsAnonimiza(QStringLiteral("cdsAnonimiza")), m_net(net), m_client(client),
      m_consumer(consumer), m_name(name), m_refresh(std::move(refresh))
{
    setObjectName(QStringLiteral("frmAnonimizaCons"));
    setWindowTitle(QStringLiteral("Anonimizar Dados do Consumidor"));
    setScreenCode(QStringLiteral("Cns72211"));
    msgPadrao.load(u"ARQ_INF|Arquivo com pedido de anonimização do consumidor deve ser informado.\n"
                   u"ARQ_INV|Arquivo não encontrado.\n"
                   u"CONF_ANONIMIZA|Esta operação é irreversível. Deseja anonimizar os dados do consumidor %s?\n"
                   u"ERRO_ARQ|Não foi possível carregar o arquivo.\n"
                   u"OPER_OK|Operação realizada com sucesso.");
    actSalvaOpcao->setVisible(false);
    actCarregaOpcao->setVisible(false);

    auto *group = new QGroupBox(QStringLiteral("Pedido de anonimização dos dados do consumidor"), this);
    auto *row = new QHBoxLayout(group);
    row->addWidget(new QLabel(QStringLiteral("Diretório"), group));
    edtArqAnonimiza = new QLineEdit(group);
    edtArqAnonimiza->setObjectName(QStringLiteral("edtArqAnonimiza"));
    // The path comes from the file dialog only, so that it always names the file that was read.
    edtArqAnonimiza->setReadOnly(true);
    row->addWidget(edtArqAnonimiza, 1);
    btnArqAnonimiza = new QToolButton(group);
    btnArqAnonimiza->setObjectName(QStringLiteral("btnArqAnonimiza"));
    btnArqAnonimiza->setText(QStringLiteral("..."));
    btnArqAnonimiza->setToolTip(QStringLiteral("Abrir"));
    connect(btnArqAnonimiza, &QToolButton::clicked, this, cns::ui::HandlerGuard::guarded([this] { btnArqAnonimizaClick(); }));
    row->addWidget(btnArqAnonimiza);
    body()->addWidget(group);
    recreateRequest();
    created();
}

void TfrmAnonimizaCons::recreateRequest()
{
    cdsAnonimiza.Close();
    cdsAnonimiza.setFieldDefs({{QStringLiteral("CDCLIENTE"), FieldType::String, 21},
                               {QStringLiteral("CDCONSUMIDOR"), FieldType::String, 21},
                               {QStringLiteral("CDOPERADOR"), FieldType::String, 12},
                               {QStringLiteral("NMOPERADOR"), FieldType::String, 40},
                               {QStringLiteral("NMARQANONIMIZA"), FieldType::String, 150},
                               {QStringLiteral("DSARQANONIMIZA"), FieldType::Blob, 0}});
    cdsAnonimiza.Open();
}

void TfrmAnonimizaCons::fillRequest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("unreadable");
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error("unreadable");
    cdsAnonimiza.Append();
    cdsAnonimiza.FieldByName(u"CDCLIENTE").setAsString(m_client);
    cdsAnonimiza.FieldByName(u"CDCONSUMIDOR").setAsString(m_consumer);
    cdsAnonimiza.FieldByName(u"CDOPERADOR").setAsString(Corvane::Operador());
    cdsAnonimiza.FieldByName(u"NMOPERADOR").setAsString(Corvane::NomeOperador());
    cdsAnonimiza.FieldByName(u"NMARQANONIMIZA").setAsString(QFileInfo(path).fileName());
    cdsAnonimiza.FieldByName(u"DSARQANONIMIZA").setValue(Value::bytes(content));
    cdsAnonimiza.Post();
}

void TfrmAnonimizaCons::btnArqAnonimizaClick()
{
    recreateRequest();
    const QString path = cns::HostDialogs::current().openFileName(
        QStringLiteral("Abrir Arquivo"), QString(),
        QStringLiteral("BMP - Windows Bitmap (*.bmp)|*.bmp|JPEG - Join Photographic Experts Group (*.jpg;*.jpeg)|*.jpg;*jpeg|"
                       "PNG - Portable Network Graphic (*.png)|*.png|PDF - Portable Document Format (*.pdf)|*.pdf"));
    if (path.isEmpty())
        return;
    edtArqAnonimiza->setText(path);
    try {
        fillRequest(path);
    } catch (...) {
        // A half-made request is never sent: the operator must choose a file that can be read.
        if (cdsAnonimiza.State() != DataSetState::Browse)
            cdsAnonimiza.Cancel();
        recreateRequest();
        edtArqAnonimiza->clear();
        Consiste::MensErroAbort(msgPadrao.Msg(u"ERRO_ARQ"));
    }
}

void TfrmAnonimizaCons::sbtConfirmaClick()
{
    if (Consiste::EmptyString(edtArqAnonimiza->text())) {
        edtArqAnonimiza->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"ARQ_INF"));
    }
    if (!QFileInfo(edtArqAnonimiza->text()).isFile()) {
        edtArqAnonimiza->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"ARQ_INV"));
    }
    if (msgPadrao.ShowMsg(u"CONF_ANONIMIZA", cns::MsgType::Confirmation, cns::mbYes | cns::mbNo,
                          {m_consumer + QStringLiteral(" - ") + m_name})
        != cns::mrYes)
        return;
    {
        const Showavi::Scope busy(this, 6);
        Consiste::CheckResultServ(m_net.Call(QStringLiteral("setAnonimizaCons"), {Value(cdsAnonimiza.Data())}));
    }
    msgPadrao.ShowMsg(u"OPER_OK", cns::MsgType::Information, cns::mbOK);
    if (m_refresh)
        m_refresh();
    close();
}
