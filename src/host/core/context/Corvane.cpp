#include "Corvane.h"

#include "EErro.h"

namespace Corvane {

namespace {
Context *g_context = nullptr;
}

void install(Context *context)
{
    g_context = context;
}

Context &context()
{
    if (!g_context)
        throw cns::EErro(QStringLiteral("O contexto do sistema (filial, operador, servidor) não foi configurado."));
    return *g_context;
}

QString FiliProc() { return context().FiliProc(); }
QString NomeFiliProc() { return context().NomeFiliProc(); }
QString Operador() { return context().Operador(); }
QString NomeOperador() { return context().NomeOperador(); }
bool ModuFili() { return context().ModuFili(); }
QString WebURL() { return context().WebURL(); }
int WebPort() { return context().WebPort(); }
void AtualizaLocalCache(const QStringList &tables) { context().AtualizaLocalCache(tables); }
void LoadBPL(const QString &module, const QList<cns::Value> &args) { context().LoadBPL(module, args); }

} // namespace Corvane
