#include "TfrmPadraoGrid.h"

#include "DBGrid.h"
#include "EErro.h"
#include "GridPrinter.h"
#include "HandlerGuard.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace cns::ui {

TfrmPadraoGrid::TfrmPadraoGrid(QWidget *parent) : TfrmBase(parent)
{
    msgPadrao.load(u"Excl|Confirma exclusão?");
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("mnuPrincipal"));
    static_cast<QVBoxLayout *>(layout())->setMenuBar(menuBar);
    mnuRegistro = menuBar->addMenu(QStringLiteral("&Registro"));
    mnuRegistro->setObjectName(QStringLiteral("mnuRegistro"));
    actIncluir = recordAction(QStringLiteral("sbtIncluir"), QStringLiteral("Incluir"), QKeySequence(Qt::Key_Insert), &TfrmPadraoGrid::sbtIncluirClick);
    actAlterar = recordAction(QStringLiteral("sbtAlterar"), QStringLiteral("Alterar"), QKeySequence(Qt::Key_F2), &TfrmPadraoGrid::sbtAlterarClick);
    actExcluir = recordAction(QStringLiteral("sbtExcluir"), QStringLiteral("Excluir"), QKeySequence(Qt::CTRL | Qt::Key_Delete), &TfrmPadraoGrid::sbtExcluirClick);
    actConfirmar = recordAction(QStringLiteral("sbtConfirmar"), QStringLiteral("Confirmar"), QKeySequence(Qt::CTRL | Qt::Key_Return), &TfrmPadraoGrid::sbtConfirmarClick);
    actCancelar = recordAction(QStringLiteral("sbtCancelar"), QStringLiteral("Cancelar"), QKeySequence(Qt::Key_Escape), &TfrmPadraoGrid::sbtCancelarClick);
    toolBar()->addSeparator();
    mnuRegistro->addSeparator();
    actImprimir = recordAction(QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"), QKeySequence(Qt::CTRL | Qt::Key_P), &TfrmPadraoGrid::sbtImprimirClick);
    actVerificar = recordAction(QStringLiteral("sbtVerificar"), QStringLiteral("Atualizar"), QKeySequence(Qt::Key_F5), &TfrmPadraoGrid::sbtVerificarClick);

    pgcPadrao = new QTabWidget(this);
    pgcPadrao->setObjectName(QStringLiteral("pgcPadrao"));
    tshPadrao = new QWidget(pgcPadrao);
    tshPadrao->setObjectName(QStringLiteral("tshPadrao"));
    auto *gridLayout = new QVBoxLayout(tshPadrao);
    dbgPadrao = new DBGrid(tshPadrao);
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    dbgPadrao->setReadOnly(true);
    dbgPadrao->setDataSource(&dtsPadrao);
    gridLayout->addWidget(dbgPadrao);
    pgcPadrao->addTab(tshPadrao, QStringLiteral("Folha de Dados (Grade)"));
    body()->addWidget(pgcPadrao, 1);

    panNavegador = new QWidget(this);
    panNavegador->setObjectName(QStringLiteral("panNavegador"));
    auto *nav = new QHBoxLayout(panNavegador);
    nav->setContentsMargins(0, 0, 0, 0);
    const auto navButton = [&](const QString &name, const QString &text, auto move) {
        auto *a = new QAction(text, this);
        a->setObjectName(name);
        auto *b = new QToolButton(panNavegador);
        b->setDefaultAction(a);
        nav->addWidget(b);
        connect(a, &QAction::triggered, this, HandlerGuard::guarded([this, move] {
            if (dtsPadrao.dataSet() && dtsPadrao.dataSet()->Active())
                move(*dtsPadrao.dataSet());
        }));
        return a;
    };
    actPrimeiro = navButton(QStringLiteral("actPrimeiro"), QStringLiteral("|<"), [](cns::DataSet &d) { d.First(); });
    actAnterior = navButton(QStringLiteral("actAnterior"), QStringLiteral("<"), [](cns::DataSet &d) { d.Prior(); });
    actProximo = navButton(QStringLiteral("actProximo"), QStringLiteral(">"), [](cns::DataSet &d) { d.Next(); });
    actUltimo = navButton(QStringLiteral("actUltimo"), QStringLiteral(">|"), [](cns::DataSet &d) { d.Last(); });
    nav->addStretch();
    body()->addWidget(panNavegador);

    dtsPadrao.OnStateChange = [this](cns::DataSource &) { HandlerGuard::run([this] { dtsPadraoStateChange(); }); };
    // Rows that come or go (a load, a delete) change what the actions may do as well.
    dtsPadrao.OnDataChange = [this](cns::DataSource &, cns::Field *field) {
        if (!field)
            HandlerGuard::run([this] { dtsPadraoStateChange(); });
    };
    dtsPadraoStateChange();
}

QAction *TfrmPadraoGrid::recordAction(const QString &name, const QString &text, const QKeySequence &key,
                                      void (TfrmPadraoGrid::*slot)())
{
    QAction *a = addToolAction(name, text);
    a->setShortcut(key);
    mnuRegistro->addAction(a);
    connect(a, &QAction::triggered, this, HandlerGuard::guarded([this, slot] { (this->*slot)(); }));
    return a;
}

QWidget *TfrmPadraoGrid::addFormTab(const QString &name, const QString &title)
{
    auto *page = new QWidget(pgcPadrao);
    page->setObjectName(name);
    pgcPadrao->addTab(page, title);
    return page;
}

cns::DataSet &TfrmPadraoGrid::current() const
{
    if (!dtsPadrao.dataSet())
        throw cns::EErro(QStringLiteral("A tela não tem dados para esta operação."));
    return *dtsPadrao.dataSet();
}

void TfrmPadraoGrid::sbtIncluirClick()
{
    cns::DataSet &ds = current();
    if (!ds.Active())
        ds.Open();
    ds.Append();
}

void TfrmPadraoGrid::sbtAlterarClick()
{
    current().Edit();
}

void TfrmPadraoGrid::sbtExcluirClick()
{
    cns::DataSet &ds = current();
    if (ds.IsEmpty())
        return;
    if (msgPadrao.ShowMsg(u"Excl", cns::MsgType::Confirmation, cns::mbYes | cns::mbNo) == cns::mrYes)
        ds.Delete();
}

void TfrmPadraoGrid::sbtConfirmarClick()
{
    current().Post();
}

void TfrmPadraoGrid::sbtCancelarClick()
{
    current().Cancel();
}

void TfrmPadraoGrid::sbtImprimirClick()
{
    GridPrinter::preview(*dbgPadrao, windowTitle());
}

void TfrmPadraoGrid::dtsPadraoStateChange()
{
    const cns::DataSet *ds = dtsPadrao.dataSet();
    const cns::DataSetState s = dtsPadrao.State();
    const bool browsing = s == cns::DataSetState::Browse;
    const bool editing = s == cns::DataSetState::Edit || s == cns::DataSetState::Insert;
    const bool rows = ds && ds->Active() && !ds->IsEmpty();
    actIncluir->setEnabled(browsing || s == cns::DataSetState::Inactive);
    actAlterar->setEnabled(browsing && rows);
    actExcluir->setEnabled(browsing && rows);
    actConfirmar->setEnabled(editing);
    actCancelar->setEnabled(editing);
    actImprimir->setEnabled(!editing);
    actVerificar->setEnabled(!editing);
    for (QAction *a : {actPrimeiro, actAnterior, actProximo, actUltimo})
        a->setEnabled(browsing && rows);
}

} // namespace cns::ui
