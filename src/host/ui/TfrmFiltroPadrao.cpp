#include "TfrmFiltroPadrao.h"

#include "HandlerGuard.h"

#include <QAction>

namespace cns::ui {

TfrmFiltroPadrao::TfrmFiltroPadrao(QWidget *parent) : TfrmBase(parent)
{
    actConfirma = addToolAction(QStringLiteral("sbtConfirma"), QStringLiteral("Confirmar"));
    actSalvaOpcao = addToolAction(QStringLiteral("sbtSalvaOpcao"), QStringLiteral("Salvar opções"));
    actCarregaOpcao = addToolAction(QStringLiteral("sbtCarregaOpcao"), QStringLiteral("Carregar opções"));
    connect(actConfirma, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtConfirmaClick(); }));
}

} // namespace cns::ui
