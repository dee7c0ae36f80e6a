#pragma once

#include "DataSet.h"
#include "TfrmFiltroPadrao.h"

#include <functional>

class QLineEdit;
class QToolButton;
class TNetConnection;

// Anonymises one consumer's personal data on his written request ("Cns72211"): the operator
// attaches the request file, which is read at once and sent whole with the consumer's key and the
// operator; the server does the rest. Irreversible, so it asks before sending.
class TfrmAnonimizaCons : public cns::ui::TfrmFiltroPadrao
{
    Q_OBJECT

public:
    TfrmAnonimizaCons(TNetConnection &net, const QString &client, const QString &consumer, const QString &name,
                      std::function<void()> refresh, QWidget *parent = nullptr);

    QLineEdit *edtArqAnonimiza;
    QToolButton *btnArqAnonimiza;
    cns::DataSet cdsAnonimiza;

    void btnArqAnonimizaClick();
    void sbtConfirmaClick() override;

private:
    void recreateRequest();
    void fillRequest(const QString &path);

    TNetConnection &m_net;
    QString m_client;
    QString m_consumer;
    QString m_name;
    std::function<void()> m_refresh;
};

namespace Cli_cns72211 {
extern TfrmAnonimizaCons *frmAnonimizaCons;
} // namespace Cli_cns72211
