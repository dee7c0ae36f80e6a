#pragma once

#include "BranchLinkRules.h"
#include "ConsumerLookups.h"
#include "ConsumerRuleContext.h"
#include "ConsumerRules.h"
#include "DataSet.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "FurtherAddressRules.h"
#include "TNetConnection.h"
#include "TfrmPadraoGrid.h"

#include <QHash>

class FingerprintTab;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace cns::ui {
class DBComboBox;
class DBEdit;
class DBGrid;
class DBNumericEdit;
class MaskEdit;
class TBtnPesquisa;
} // namespace cns::ui

// The consumer screen ("Consumidor"): the operator chooses a client in the client panel, the screen
// loads that client's consumers (in doubling chunks, behind a name filter, when there are many), and
// the operator browses them in the grid or edits one in the form tabs. Every post and delete goes to
// the server at once; a refusal puts the packet back as it was.
class TfrmConsumidor : public cns::ui::TfrmPadraoGrid
{
    Q_OBJECT

public:
    static constexpr int kManyConsumers = 30000; // above this a client is loaded in chunks

    explicit TfrmConsumidor(QWidget *parent = nullptr);
    ~TfrmConsumidor() override;

    // ---- packets and connection
    cns::DataSet cdsConsumidor, cdsConsTemp, cdsCliente, cdsClientePesq, cdsParaVend, cdsFilial, cdsConsFilial, cdsEndeCons,
        cdsConsuVinculados, cdsPesqConsVinculo;
    cns::DataSource dtsConsumidor, dtsFilial, dtsConsFilial, dtsEndeCons;
    TNetConnection netConsumidor;
    ConsumerLookups lookups;
    ConsumerRuleContext ruleContext;
    ConsumerRules rules;
    FurtherAddressRules addressRules;
    BranchLinkRules branchRules;

    // ---- client panel, tool bar, tabs and menus
    QWidget *panCliente;
    cns::ui::MaskEdit *medCdCliente;
    cns::ui::TBtnPesquisa *btpCliente;
    QLineEdit *edtNmCliente;
    QLabel *lblConsumidor;
    QAction *btfImpConsu, *btnConsultaCracha, *btnAssocia, *btnCadAutCons, *btnAtuFiliCons, *btnAnonimizaCons, *btnHistCons;
    QWidget *tshFormulario, *tshDados, *tshEndereco, *tshOutrEnde, *tshSaldo, *tshFilial, *tshDigital;
    QMenu *mnuOperacoes;
    QMenu *pmnCad;
    QAction *mnuCadastroAutCons, *mnuVinculaCons;
    QAction *mnuPadrao, *mnuFormulario, *mnuDados, *mnuEndereco, *mnuSaldo, *mnuFilial;
    QAction *Importao1, *mnuConsultaCracha, *mnuAssocia, *mnuCadAutCons, *mnuAtuFiliCons, *mnuHistCons;
    QMenu *ppmAtualizaFilialCons;
    QAction *mnuAtualizaFilialLogada, *mnuAtualizarListaFiliais;

    // ---- form controls the rules and tests reach by name
    cns::ui::DBEdit *dbeCdCons, *dbeNmCons, *dbeNrIdCons, *dbeCdExCons, *dbeTipoCons, *dbeNmTipoCons, *dbeCentroCusto,
        *dbeNmCentroCusto, *dbeVendedor, *dbeNmVendedor, *dbeNmLogin, *dbeCdConsVinculo, *dbeNmConsVinculo,
        *dbeEmailCons;
    cns::ui::DBEdit *dbePais, *dbeNmPais, *dbeSgEstado, *dbeMunicipio, *dbeNmMunicipio, *dbeBairro, *dbeNmBairro,
        *dbeCep;
    cns::ui::DBEdit *dbeTelCons, *dbeTelCons2, *dbeRamalCons, *dbeRamalCons2, *dbeFaxCons, *dbeCelular;
    cns::ui::DBComboBox *dbcSituacao, *dbcSexo, *dbcTipVen;
    cns::ui::MaskEdit *medCPF, *dbeDataNasc;
    cns::ui::TBtnPesquisa *btnTipoCons, *btnCentroCusto, *btnVendedor, *btpPais, *btpSgEstado, *btpMunicipio,
        *btpBairro, *btpPesqConsVinculo;
    QPushButton *btnAltSenha, *btnSenha;
    QCheckBox *cbbVerifSaldoCons;
    QGroupBox *grbConsDeb, *grbConsCred;
    QList<cns::ui::DBNumericEdit *> debitEdits, creditEdits;
    cns::ui::DBGrid *dbgFilial, *dbgConsFilial, *dbgEndeCons;
    QComboBox *cboDigital;
    FingerprintTab *digital; // the tab "Capturar Digital" and its captures

    // ---- working values
    const QString &workingBranch() const { return m_workingBranch; }
    int totalConsumers() const { return m_total; }
    bool manyConsumers() const { return m_many; }
    QString nameFilter() const { return m_filter; }
    QString chosenClientCode() const { return m_chosenClient; }

    // ---- workflow
    void filtraCliente(const QString &nrInscricao, const QString &filial, const QString &cdCliente);
    void medCdClienteEnter();
    void medCdClienteChange();
    void btpClienteBeforePesq(bool &cancel);
    void btpClienteAfterPesq();
    void medCdClienteExit();
    void panClienteEnter();
    void panClienteExit();
    void Vd_Cliente(bool required);
    void pgcPadraoChange();
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtCancelarClick() override;
    void sbtConfirmarClick() override;
    void sbtVerificarClick() override;
    void sbtImprimirClick() override; // the report by branch and consumer type
    void dtsPadraoStateChange() override;
    void cbbVerifSaldoConsClick();
    void btnAltSenhaClick();
    void btnCadAutConsClick();
    void mnuVinculaConsClick();
    void btnAnonimizaConsClick();
    void btnHistConsClick();
    void btnSenhaClick();

    // ---- branch links and further addresses (TfrmConsumidorDetails.cpp)
    void Vd_ConsFilial() { branchRules.Vd_ConsFilial(); }
    void Vd_InsDelConsFilial() { branchRules.Vd_InsDelConsFilial(); }
    void ExibirPopUpAtualizaFilial();
    void AtualizarFilialLogada();
    void AtualizarListaFiliais();
    void dbgConsFilialEditButtonClick();
    void dbgEndeConsEditButtonClick();

protected:
    void FormCreate() override;
    void FormClose() override;

private:
    // Building (TfrmConsumidorTabs.cpp).
    void buildClientPanel();
    void buildToolBar();
    void buildMenu();
    void buildFormulario();
    void buildDados();
    void buildEndereco();
    void buildOutrEnde();
    void buildSaldo();
    void buildFilial();
    void buildDigital();
    cns::ui::DBEdit *edit(QWidget *parent, const QString &name, const QString &field, bool readOnly = false);
    cns::ui::TBtnPesquisa *lookupButton(QWidget *parent, const QString &name, const QString &title,
                                        const QString &emptyText);
    void wireLookups();
    void wireFieldHandlers();

    // Packets and loading.
    void definePackets();
    void loadClients();
    void loadConsumers();
    void loadInChunks();
    cns::Value call(const QString &method, const QList<cns::Value> &args, int busyKind = 0);
    cns::Value callList(const QString &method, const QList<cns::Value> &args, int minElements, int busyKind = 0);
    bool clientHasCheckDigit() const;
    QString clientCode() const;
    QString consumerCode() const;

    // Tabs.
    void setTab(QWidget *tab, bool enabled);
    bool tabEnabled(QWidget *tab) const;
    void setFormTabs(bool enabled);
    void menusFollowTabs();
    void showConsumerLabel();
    void focusField(const QString &tab, const QString &name);
    void showField(const QString &tab, const QString &name);

    // Saving, deleting and scrolling.
    void cdsConsumidorBeforePost();
    void cdsConsumidorAfterPost();
    void cdsConsumidorBeforeDelete();
    void cdsConsumidorAfterDelete();
    void cdsConsumidorAfterCancel();
    void cdsConsumidorAfterScroll();
    void send(const QList<bool> &emptyFlags);
    void refreshCaches();
    QList<bool> emptyValueFlags() const;
    void applyBalanceEnabling();
    void loadDetail(cns::DataSet &rows, const QString &method);
    void loadDetails();

    // Openings of the other screens.
    void btfImpConsuClick();
    void btnConsultaCrachaClick();
    void btnAssociaClick();
    void runClientPanelAgain();

    // Branch links and further addresses (TfrmConsumidorDetails.cpp).
    void defineDetailPackets();
    void wireDetailGrids();
    void detailStateChange(const cns::DataSet *on);
    QChar dbgConsFilialKeyPress(QChar key);
    void dbgConsFilialColExit(const QString &field);
    void cdsConsFilialBeforePost();
    void cdsConsFilialAfterPost();
    void cdsConsFilialAfterDelete();
    QChar dbgEndeConsKeyPress(QChar key);
    void cdsEndeConsBeforeInsert();
    void cdsEndeConsAfterPost();
    void cdsEndeConsAfterDelete();
    void dbgEndeConsDrawColumnCell(const cns::ui::DBGrid::Cell &cell);
    void sendDetail(cns::DataSet &rows, const QString &method);
    void pointPadraoAt(cns::DataSet *rows);
    bool onDetailTab() const;

    void clearBelow(const QStringList &fields);
    void dbgPadraoDrawColumnCell(const cns::ui::DBGrid::Cell &cell);

    QString m_workingBranch = QStringLiteral("T");
    QString m_chosenClient;
    QString m_filter;
    int m_total = 0;
    bool m_many = false;
    bool m_loadingChunks = false;
    bool m_built = false;
    QHash<QString, QWidget *> m_controlOfField;
};

namespace Cli_cns72200 {
extern bool boIdCriado;
extern bool boPesquisa;
extern TfrmConsumidor *frmConsumidor;
} // namespace Cli_cns72200
