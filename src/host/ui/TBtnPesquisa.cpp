#include "TBtnPesquisa.h"

#include "EErro.h"
#include "HandlerGuard.h"
#include "Pesquisa.h"

namespace cns::ui {

TBtnPesquisa::TBtnPesquisa(QWidget *parent) : QToolButton(parent)
{
    setText(QStringLiteral("..."));
    setFocusPolicy(Qt::NoFocus);
    setToolTip(QStringLiteral("Pesquisar"));
    connect(this, &QToolButton::clicked, this, [this] { HandlerGuard::run([this] { Pesquisar(); }); });
}

bool TBtnPesquisa::Pesquisar()
{
    bool cancel = false;
    if (BeforePesq)
        BeforePesq(cancel);
    if (cancel)
        return false;
    if (!Source)
        throw cns::EErro(QStringLiteral("A pesquisa %1 não tem origem de dados.").arg(objectName()));
    if (!Pesquisa::Pesquisar(*Source, Title, EmptyText, Fields))
        return false;
    if (AfterPesq)
        AfterPesq();
    return true;
}

} // namespace cns::ui
