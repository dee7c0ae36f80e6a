#include "TfrmVinculaCons.h"

#include "Consiste.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "Pesqlista.h"
#include "Showavi.h"
#include "TNetConnection.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using cns::Value;

namespace Cli_cns72209 {
bool boIdCriado = false;
QString stConsumidor;
TfrmVinculaCons *frmVinculaCons = nullptr;
} // namespace Cli_cns72209

TfrmVinculaCons::TfrmVinculaCons(TNetConnection &net, const QString &client, const QString &mainCode,
                                 const QString &mainName, QWidget *parent)
    : TfrmRotiGeral(parent), cdsConsCadVinculo(QStringLiteral("cdsConsCadVinculo")), m_net(net), m_client(client),
      m_main(mainCode)
{
    setObjectName(QStringLiteral("frmVinculaCons"));
    setWindowTitle(QStringLiteral("Vincular Consumidores ao Consumidor Principal"));
    msgPadrao.load(u"CONS_N|Consumidor não cadastrado.\n"
                   u"CONSUMIDOR|Consumidor\n"
                   u"INF_CONS|Favor informar os consumidores que serão vinculados ao consumidor principal.\n"
                   u"VINC_SUC|Vinculação realizada com sucesso!");

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Consumidor Principal"), this));
    medConsPrincipal = new QLineEdit(this);
    medConsPrincipal->setObjectName(QStringLiteral("medConsPrincipal"));
    medConsPrincipal->setEnabled(false);
    medConsPrincipal->setText(mainCode + QStringLiteral(" - ") + mainName);
    top->addWidget(medConsPrincipal, 1);
    body()->addLayout(top);

    auto *group = new QGroupBox(QStringLiteral("Consumidor"), this);
    auto *row = new QHBoxLayout(group);
    rbtLista = new QRadioButton(QStringLiteral("Lista"), group);
    rbtLista->setObjectName(QStringLiteral("rbtLista"));
    rbtLista->setChecked(true);
    row->addWidget(rbtLista);
    btpConsCadVinculo = new QPushButton(QStringLiteral("..."), group);
    btpConsCadVinculo->setObjectName(QStringLiteral("btpConsCadVinculo"));
    connect(btpConsCadVinculo, &QPushButton::clicked, this,
            cns::ui::HandlerGuard::guarded([this] { btpConsCadVinculoClick(); }));
    row->addWidget(btpConsCadVinculo);
    row->addStretch();
    body()->addWidget(group);
    created();
}

void TfrmVinculaCons::FormCreate()
{
    // Each opening starts with nothing picked.
    Cli_cns72209::stConsumidor.clear();
}

void TfrmVinculaCons::btpConsCadVinculoClick()
{
    {
        const Showavi::Scope busy(this, 6);
        const Value reply = Consiste::CheckResultServ(m_net.Call(QStringLiteral("getConsCadVinculo"), {Value(m_client), Value(m_main)}), true, 1);
        cdsConsCadVinculo.setData(reply.at(0).packetPtr());
    }
    if (cdsConsCadVinculo.IsEmpty()) {
        medConsPrincipal->setFocus();
        Consiste::MensErroAbort(msgPadrao.Msg(u"CONS_N"));
    }
    // A new pick replaces the old one, also when the operator gives up on the list.
    Cli_cns72209::stConsumidor.clear();
    Pesqlista::PesquisaLista(cdsConsCadVinculo, QStringLiteral("CDCONSUMIDOR"),
                             msgPadrao.Msg(u"CONSUMIDOR") + QStringLiteral("|") + msgPadrao.Msg(u"CONS_N"),
                             Cli_cns72209::stConsumidor);
}

void TfrmVinculaCons::sbtConfirmaClick()
{
    if (Consiste::EmptyString(Cli_cns72209::stConsumidor))
        Consiste::MensErroAbort(msgPadrao.Msg(u"INF_CONS"));
    {
        const Showavi::Scope busy(this, 1);
        Consiste::CheckResultServ(m_net.Call(QStringLiteral("setCadAutoVinculo"),
                                             {Value(m_client), Value(m_main), Value(Cli_cns72209::stConsumidor)}));
    }
    m_linked = true;
    msgPadrao.ShowMsg(u"VINC_SUC", cns::MsgType::Information, cns::mbOK);
    close();
}
