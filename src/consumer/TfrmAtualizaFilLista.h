#pragma once

#include "TADOIBQuery.h"
#include "TfrmRotiGeral.h"

class QPushButton;
class QRadioButton;

// "Atualizar Lista de Filiais": the operator picks some or all of a client's branches, for the
// update of the branch links of the client's consumers. The result is a list text of branch
// codes ("_0001_0002_"), empty when none was picked.
class TfrmAtualizaFilLista : public cns::ui::TfrmRotiGeral
{
    Q_OBJECT

public:
    explicit TfrmAtualizaFilLista(const QString &client, QWidget *parent = nullptr);

    // Shows the dialog for the client and returns the selection it holds when closed, however it
    // was closed.
    static QString ObterListaFilialSelecionado(const QString &client);

    QRadioButton *rbtTodos, *rbtLista;
    QPushButton *btnFilial;
    TADOIBQuery adqFiltroFilial;

    const QString &selection() const { return m_selection; }
    void ObterListaFilial();
    QString SelecionarTodasFilials();
    void rbtTodosClick();
    void rbtListaClick();
    void btnFilialClick();
    void sbtConfirmaClick() override { close(); }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_client;
    QString m_selection;
};
