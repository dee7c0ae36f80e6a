#pragma once

#include "TADOIBQuery.h"
#include "TfrmDadosGerRel.h"

class QLineEdit;

namespace cns::ui {
class MaskEdit;
class TBtnPesquisa;
} // namespace cns::ui

// The consumer list of one client ("Consumidor", Cns72201): the client is given by its registration
// number, checked before the report runs, and handed to the report's query as P_NRINSJURCLIE.
class TfrmRelConsumidor : public cns::ui::TfrmDadosGerRel
{
    Q_OBJECT

public:
    explicit TfrmRelConsumidor(QWidget *parent = nullptr);

    cns::ui::MaskEdit *medCdCliente;
    cns::ui::TBtnPesquisa *btpCliente;
    QLineEdit *edtNmCliente;
    TADOIBQuery qryCliente;

    void medCdClienteEnter();
    void medCdClienteExit();
    void medCdClienteChange();
    void btpClienteBeforePesq(bool &cancel);
    void btpClienteAfterPesq();
    // Checks the client field; required: a blank field is an error too.
    void Vd_CdCliente(bool required);

    void sbtPrintClick() override;
    void sbtPreviewClick() override;
    void sbtSalvarComoClick() override;
    void sbtReportEditClick() override;
    void rpddPadraoBeforeGetQueryParams(cns::ui::ReportQuery &params) override;

protected:
    void FormCreate() override;
    void FormActivate() override;
    void FormClose() override;

private:
    // The registration number typed, as the register stores it: its digits (or the text as it
    // stands when it is of no known kind).
    QString number() const;
    // The mask of a registration number's kind ("J", "F", "I") and the text in it.
    void setClientMask(QStringView tipo, const QString &text);
    void defineQuery();
};

// The unit's state.
namespace Cli_cns72201 {
extern bool boIdCriado;
extern bool boPrimVez;
extern TfrmRelConsumidor *frmRelConsumidor;
} // namespace Cli_cns72201
