#pragma once

#include "DataSource.h"
#include "ImportEngine.h"
#include "ImportProgress.h"
#include "TNetConnection.h"
#include "TfrmRotiGeral.h"

#include <QElapsedTimer>

class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QRadioButton;

namespace cns::ui {
class DBGrid;
class MaskEdit;
class TBtnPesquisa;
} // namespace cns::ui

// "Importação de Consumidor": chooses the layout and the client, loads the layout's files into the
// import rows, runs the consistency run and confirms the import. The rules are the engine's; the
// screen collects the choices, switches its controls and shows the progress.
class TfrmImportConsu : public cns::ui::TfrmRotiGeral, public cns::import::ImportProgress
{
    Q_OBJECT

public:
    explicit TfrmImportConsu(QWidget *parent = nullptr);
    ~TfrmImportConsu() override;

    TNetConnection netImportConsu;
    cns::import::ImportEngine engine;
    cns::DataSource dtsArquivo, dtsConsumidor;

    QWidget *panFiltro;
    QGroupBox *grpCliente;
    QRadioButton *rdbClienteInf, *rdbClienteTxt;
    cns::ui::MaskEdit *medCdCliente;
    cns::ui::TBtnPesquisa *btpCliente, *btpLayout;
    QLineEdit *edtNmCliente, *edtCdLayout, *edtNmLayout, *dbeFilialLayout;
    cns::ui::DBGrid *dbgTabela, *dbgDados;
    QLineEdit *edtNrReg, *edtRegImp, *edtFiliProc;
    QWidget *panAnimacao;
    QLabel *anmImport, *anmVerifcDados, *lblArquivo, *lblVerific, *lblGeraLog;
    QProgressBar *pgbImport;
    QAction *actCarregar, *actGeraLog;
    QMenu *mnuOperacao;

    void Habilita(bool on);
    void btfCarregarClick();
    void btfGeraLogClick();
    void sbtConfirmaClick() override;

    // The handlers of the filter's events, as the focus and the controls raise them.
    void medCdClienteExit();
    void grpClienteExit();
    void panFiltroEnter();
    void panFiltroExit();
    void edtCdLayoutChange();
    void dbgTabelaEditButtonClick(const QString &field);

    // ImportProgress: the progress panel, repainted at most every kRepaintMs during a load.
    static constexpr int kRepaintMs = 100;
    void showPanel(Panel panel) override;
    void fileStarted(const QString &label, qint64 sizeInBytes) override;
    void advance(qint64 bytes) override;

protected:
    void FormCreate() override;
    void FormActivate() override;
    void FormClose() override;

private:
    // After a refusal, the file name to mend when the file is not there.
    void focusMissingFile();
    void buildFilter();
    void buildGrids();
    void buildBottom();
    void connectEvents();
    bool screenClientMode() const;
    void resetLoad();
    void validateClient(bool demanded);
    void validateLayout(bool demanded);
    void validateChoice(); // the client (screen-client mode) and the layout, demanded
    void fileRowEdited();
    void enableResults();
    void repaintNow();

    qint64 m_progress = 0;
    QElapsedTimer m_repaint;
    bool m_working = false;
};

namespace Cli_cns72202 {
extern TfrmImportConsu *frmImportConsu;
extern bool boActivate;
extern QString stCliente; // the consumer screen's client field, the fallback of the first activation
} // namespace Cli_cns72202
