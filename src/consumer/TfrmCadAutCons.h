#pragma once

#include "DataSet.h"
#include "TADOIBQuery.h"
#include "TfrmRotiGeral.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TNetConnection;

namespace cns::ui {
class TBtnPesquisa;
}

// Changes chosen data of many consumers in one server call ("Alteração Automática do
// Consumidor"): four filters narrow the consumers (clients, cost centres, consumer types,
// consumers; all or a picked list), the ticked groups say what changes, and the server applies
// them to every consumer selected. It creates no consumers.
class TfrmCadAutCons : public cns::ui::TfrmRotiGeral
{
    Q_OBJECT

public:
    // refresh: reloads the consumer screen after a change, when it is open.
    TfrmCadAutCons(TNetConnection &net, std::function<void()> refresh, QWidget *parent = nullptr);

    // Filters
    QRadioButton *rbtTodosCliente, *rbtListaCliente, *rbtTodosCentro, *rbtListaCentro;
    QRadioButton *rbtTodosTipoCons, *rbtListaTipoCons, *rbtTodosCons, *rbtListaCons;
    QPushButton *btnCliente, *btnCentro, *btnTipoCons, *btnConsumidor;
    // Groups of data to change
    QCheckBox *ckbTipoVenda, *ckbSaldo, *ckcVerSaldo, *ckcCentroCusto, *ckcTipCons;
    QLabel *lblTipoVenda, *lblSubsMensal, *lblDescFolha, *lblVerificar, *lblCentroCusto, *lblTipConsumid;
    QComboBox *dbcTipoVenda;
    QLineEdit *edtSubsMensal, *edtDescFolha;
    QRadioButton *rdbSim, *rdbNao;
    QLineEdit *edtVRAVIDEBCONS, *edtVRLIMDEBCONS, *edtVRMAXDEBCONS, *edtVRAVICREDCONS, *edtVRLIMCREDCONS, *edtVRMAXCREDCONS;
    QLineEdit *medCdCentroCusto, *edtNmCentroCusto, *medCdTipConsumid, *edtNmTipConsumid;
    cns::ui::TBtnPesquisa *btnCentroCusto, *btnTipConsumid;

    cns::DataSet cdsCentro, cdsTipoCons, cdsConsumidor;
    TADOIBQuery qryCliente, qryCentroCusto, qryTipConsumid;

    void btnClienteClick();
    void btnCentroClick();
    void btnTipoConsClick();
    void btnConsumidorClick();
    void ckcVerSaldoClick();
    void ckcCentroCustoClick();
    void ckcTipConsClick();
    void medCdCentroCustoExit();
    void medCdTipConsumidExit();
    void sbtConfirmaClick() override;

    void Vd_Cliente();
    void Vd_Consumidor();
    void Vd_Centro();
    void Vd_TipoCons();
    void vd_VerSaldoVenda();
    void Vd_TipoVenda();
    void Vd_CentroCusto(bool required);
    void Vd_TipConsumid(bool required);
    void validaCamposValor();

protected:
    void FormCreate() override;
    void FormActivate() override;
    void FormClose() override;

private:
    void buildFilters();
    void buildGroups();
    QWidget *buildLimits();
    void buildCodes(QWidget *parent);
    void buildQueries();
    QRadioButton *filterPair(QWidget *box, const QString &todos, const QString &lista, QPushButton *&button,
                             QString *selection, QRadioButton *&listRadio);
    QLineEdit *valueEdit(const QString &name, bool limit);
    void valueExit(QLineEdit *edit, bool limit);
    void enableGroup(const QList<QWidget *> &controls, bool on);
    void clearDependentLists(bool types);
    void loadList(const QString &method, const QList<cns::Value> &args, cns::DataSet &into, int busyKind);
    QList<QLineEdit *> limitEdits() const; // in the order the confirm sends them
    QList<cns::Value> changeArguments();

    TNetConnection &m_net;
    std::function<void()> m_refresh;
    QList<QWidget *> m_limitControls;
};

// The unit's state: the screen while it exists and the four selections, which live outside it.
namespace Cli_cns72207 {
extern bool boIdCriado;
extern bool boPrimVez;
extern QString stCliente, stConsumidor, stCentro, stTipoCons;
extern TfrmCadAutCons *frmCadAutCons;
} // namespace Cli_cns72207
