#pragma once

#include "DataSet.h"
#include "TfrmRotiGeral.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class TNetConnection;

// Links many consumers of a client to one main consumer at once ("Vincular Consumidores ao
// Consumidor Principal"): the operator ticks the candidates the server offers and confirms; the
// server writes every link or none.
class TfrmVinculaCons : public cns::ui::TfrmRotiGeral
{
    Q_OBJECT

public:
    TfrmVinculaCons(TNetConnection &net, const QString &client, const QString &mainCode, const QString &mainName,
                    QWidget *parent = nullptr);

    QLineEdit *medConsPrincipal;
    QRadioButton *rbtLista;
    QPushButton *btpConsCadVinculo;
    cns::DataSet cdsConsCadVinculo;

    // True once the server stored the links.
    bool linked() const { return m_linked; }
    void btpConsCadVinculoClick();
    void sbtConfirmaClick() override;

protected:
    void FormCreate() override;

private:
    TNetConnection &m_net;
    QString m_client;
    QString m_main;
    bool m_linked = false;
};

// The unit's state: the screen while it is open, and the picked consumers as a list text.
namespace Cli_cns72209 {
extern bool boIdCriado;
extern QString stConsumidor;
extern TfrmVinculaCons *frmVinculaCons;
} // namespace Cli_cns72209
