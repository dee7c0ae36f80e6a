#include "TfrmRotiGeral.h"

#include "HandlerGuard.h"

#include <QAction>

namespace cns::ui {

TfrmRotiGeral::TfrmRotiGeral(QWidget *parent) : TfrmBase(parent)
{
    actConfirma = addToolAction(QStringLiteral("sbtConfirma"), QStringLiteral("Confirmar"));
    actConfirma->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    actCancel = addToolAction(QStringLiteral("sbtCancel"), QStringLiteral("Cancelar"));
    connect(actConfirma, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtConfirmaClick(); }));
    connect(actCancel, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtCancelClick(); }));
}

} // namespace cns::ui
