#pragma once

#include "DataSet.h"
#include "DBGrid.h"
#include "TfrmPadraoGrid.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class TNetConnection;

// Badge lookup ("Consulta Crachá do Consumidor"): which consumers carry a badge, in the client of
// the consumer screen, in the clients of the processing branch, or in all clients. Read only; the
// search runs on the server when the focus leaves the search panel.
class TfrmConsultaCracha : public cns::ui::TfrmPadraoGrid
{
    Q_OBJECT

public:
    explicit TfrmConsultaCracha(QWidget *parent = nullptr);

    QWidget *panCracha;
    QLineEdit *edtCracha;
    QRadioButton *rdbClieAnt, *rdbClieFiliProc, *rdbTodosClie;
    QLabel *lblConsumidor;
    cns::DataSet cdsClieCons;

    QString scopeLetter() const;
    void panCrachaEnter();
    void edtCrachaExit();
    void panCrachaExit();
    void dtsPadraoStateChange() override;

private:
    void defineFields();
    void cdsClieConsAfterScroll();
    void dbgPadraoDrawColumnCell(const cns::ui::DBGrid::Cell &cell);
};

// The unit's state: the two texts of the creation function, and the screen.
namespace Cli_cns72205 {
extern QString stCliente;
extern QString stFilial;
extern TfrmConsultaCracha *frmConsultaCracha;
} // namespace Cli_cns72205
