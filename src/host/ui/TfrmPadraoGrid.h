#pragma once

#include "DataSource.h"
#include "TfrmBase.h"

class QMenu;
class QMenuBar;
class QTabWidget;
class QWidget;

namespace cns::ui {

class DBGrid;

// The grid-and-form screen: a page control whose first tab holds the grid of the main data source
// (dtsPadrao) and whose other tabs hold the forms; the record actions (include, alter, delete,
// confirm, cancel, print, refresh) as tool buttons with their menu twins, which share one action;
// a navigator. The record actions act on whatever DataSet dtsPadrao points at. A derived screen
// extends the actions and the state handling, running the base first.
class TfrmPadraoGrid : public TfrmBase
{
    Q_OBJECT

public:
    explicit TfrmPadraoGrid(QWidget *parent = nullptr);

    cns::DataSource dtsPadrao;
    QTabWidget *pgcPadrao;
    QWidget *tshPadrao;
    DBGrid *dbgPadrao;
    QMenuBar *menuBar;
    QMenu *mnuRegistro;
    QAction *actIncluir, *actAlterar, *actExcluir, *actConfirmar, *actCancelar, *actImprimir, *actVerificar;
    QAction *actPrimeiro, *actAnterior, *actProximo, *actUltimo;
    QWidget *panNavegador;

    QWidget *addFormTab(const QString &name, const QString &title);

    virtual void sbtIncluirClick();
    virtual void sbtAlterarClick();
    virtual void sbtExcluirClick();
    virtual void sbtConfirmarClick();
    virtual void sbtCancelarClick();
    virtual void sbtImprimirClick(); // previews the grid's rows for printing
    virtual void sbtVerificarClick() {}
    // Enables the actions for the state of dtsPadrao's DataSet.
    virtual void dtsPadraoStateChange();

protected:
    cns::DataSet &current() const; // dtsPadrao's DataSet; raises EErro when there is none

private:
    QAction *recordAction(const QString &name, const QString &text, const QKeySequence &key, void (TfrmPadraoGrid::*slot)());
};

} // namespace cns::ui
