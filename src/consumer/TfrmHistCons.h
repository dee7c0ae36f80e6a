#pragma once

#include "DataSet.h"
#include "DataSource.h"
#include "TfrmBase.h"

class QLabel;
class TNetConnection;

namespace cns::ui {
class DBGrid;
}

// The change history of one consumer ("Histórico do Consumidor"): every change the server recorded,
// newest first, with when, who and at which branch; exported to CSV or previewed and printed.
class TfrmHistCons : public cns::ui::TfrmBase
{
    Q_OBJECT

public:
    TfrmHistCons(TNetConnection &net, const QString &client, const QString &consumer, const QString &name,
                 QWidget *parent = nullptr);

    QLabel *lblConsumidor;
    cns::ui::DBGrid *dbgHistCons;
    QAction *actExportar;
    QAction *actImprimir;
    cns::DataSet cdsHistCons;

    void sbtExportarClick();
    void sbtImprimirClick();
    // False when the history could not be read (the server's refusal was shown): not worth showing.
    bool loaded() const { return m_loaded; }

protected:
    void FormCreate() override;

private:
    void defineFields();

    TNetConnection &m_net;
    QString m_client, m_consumer;
    cns::DataSource dtsHistCons;
    bool m_loaded = false;
};

// The unit's state: the screen while it is open.
namespace Cli_cns72212 {
extern TfrmHistCons *frmHistCons;
} // namespace Cli_cns72212
