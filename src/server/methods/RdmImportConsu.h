#pragma once

#include "RemoteMethod.h"

#include <QList>
#include <QString>

namespace cns {

// The remote data module "Cns72200.rdmImportConsu" of the consumer import.
namespace RdmImportConsu {

QString moduleName();
QList<RemoteMethod> methods();

// getVrIdentificador's count of the register's rows of a badge (:B, any case) held by other
// consumers than :C, :K; it reads them through the register's badge index.
QString badgeHeldByOthers();

} // namespace RdmImportConsu

} // namespace cns
