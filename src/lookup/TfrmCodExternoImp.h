#pragma once

#include "DBGrid.h"
#include "DataSet.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "TfrmPadraoGrid.h"

class QLabel;
class QLineEdit;

// External codes of a client per branch ("Cadastro de Código Externo para Cliente"): the codes by
// which import files name the client at each branch. Each confirmed insert, edit or delete goes to
// the server at once and is followed by a reload.
class TfrmCodExternoImp : public cns::ui::TfrmPadraoGrid
{
    Q_OBJECT

public:
    TfrmCodExternoImp(const QString &filial, const QString &cdCliente, QWidget *parent = nullptr);

    QLineEdit *edtCliente;
    QLabel *lblCodExterno;
    cns::DataSet cdsCodExterno;
    cns::DataSet cdsVdCodExterno;
    TADOIBQuery qryFilial;

    const QString &workingBranch() const { return m_filial; }
    const QString &clientCode() const { return m_cdCliente; }

    void load();
    void sbtVerificarClick() override;
    void sbtCancelarClick() override;
    void dtsPadraoStateChange() override;

protected:
    void FormCreate() override;
    void FormActivate() override;
    void FormClose() override;

private:
    void defineFields();
    bool allBranches() const { return m_filial == u"T"; }
    bool inserting() const { return cdsCodExterno.State() == cns::DataSetState::Insert; }
    cns::Value fetch();
    void send();
    void cdsCodExternoAfterInsert();
    void cdsCodExternoBeforePost();
    void cdsCodExternoAfterPost();
    void cdsCodExternoAfterDelete();
    void cdsCodExternoAfterScroll();
    QChar dbgPadraoKeyPress(QChar key);
    void dbgPadraoColExit(const QString &field);
    void dbgPadraoEditButtonClick(const QString &field);
    TNetConnection &net();

    QString m_filial;
    QString m_cdCliente;
    TNetConnection m_ownNet;
};

namespace Cli_cns72206 {
extern bool boIdCriado;
extern TfrmCodExternoImp *frmCodExternoImp;
} // namespace Cli_cns72206
