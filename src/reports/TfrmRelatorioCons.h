#pragma once

#include "DataSet.h"
#include "TADOIBQuery.h"
#include "TfrmDadosGerRel.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace cns::ui {
class MaskEdit;
class TBtnPesquisa;
} // namespace cns::ui

// The consumer reports by branch ("Consumidor", Cns72204): a branch and, for clients, consumers
// and consumer types, all of them or a picked list. The choice is checked before a report runs and
// handed to its query as parameters.
class TfrmRelatorioCons : public cns::ui::TfrmDadosGerRel
{
    Q_OBJECT

public:
    explicit TfrmRelatorioCons(QWidget *parent = nullptr);

    QGroupBox *grbFilial, *grbCliente, *grbConsumidor, *grbTipoCons;
    cns::ui::MaskEdit *medFilial;
    cns::ui::TBtnPesquisa *btpPesqFilial;
    QLineEdit *edtFilial;
    QRadioButton *rbtTodosClie, *rbtListaClie, *rbtTodosCons, *rbtListaCons, *rbtTpTodos, *rbtTpLista;
    QPushButton *btfCliente, *btfConsumidor, *btpTpCons;

    // The picked keys, as the list dialog gives them ("_key_key_"), or empty.
    QString stListaCliente, stListaConsumidor, stListaTipoCons;

    cns::DataSet cdsConsumidorFilial;
    TADOIBQuery qryFilial, qryCliente, qryTipoConsCliFili, qryTipoConsCli, qryTipoConsFili, qryTipoCons;

    void vdFilial();
    void btpPesqFilialBeforePesq(bool &cancel);
    void btpPesqFilialAfterPesq();
    void rbtTodosClieClick();
    void rbtListaClieClick();
    void btfClienteClick();
    void rbtTodosConsClick();
    void rbtListaConsClick();
    void btfConsumidorClick();
    void rbtTpTodosClick();
    void rbtTpListaClick();
    void btpTpConsClick();

    void sbtPreviewClick() override;
    void sbtPrintClick() override;
    void sbtSalvarComoClick() override;
    void rpddPadraoBeforeGetQueryParams(cns::ui::ReportQuery &params) override;

protected:
    void FormCreate() override;
    void FormActivate() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *buildBranch();
    QGroupBox *buildFilter(const QString &name, const QString &title, QRadioButton *&all, QRadioButton *&list,
                           QPushButton *&button, const QString &buttonName);
    void defineQueries();
    void checkClients();
    void checkConsumers();
    void checkTypes();
    // The client pair the type queries and the server take: the list and "" on "Lista", "" and "T" on "Todos".
    void setClientPair(TADOIBQuery &q) const;
    QString branch() const;
};

// The unit's state.
namespace Cli_cns72204 {
extern bool boPrimVez;
extern TfrmRelatorioCons *frmRelatorioCons;
} // namespace Cli_cns72204
