#include "RdmImportConsu.h"

namespace cns::RdmImportConsu {

QString moduleName()
{
    return QStringLiteral("Cns72200.rdmImportConsu");
}

QList<RemoteMethod> methods()
{
    // The import's methods come with the import engine.
    return {};
}

} // namespace cns::RdmImportConsu
