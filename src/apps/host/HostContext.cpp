#include "HostContext.h"

#include "EErro.h"
#include "ModuleLoader.h"

void HostContext::LoadBPL(const QString &module, const QList<cns::Value> &args)
{
    QString error;
    // Every module opened this way exports AbreModulo, taking the caller's arguments.
    auto open = m_loader.entry(module, cns::entry::AbreModulo, &error);
    if (!open)
        throw cns::EErro(QStringLiteral("Não foi possível abrir o módulo %1: %2").arg(module, error));
    open(args);
}
