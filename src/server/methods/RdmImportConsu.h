#pragma once

#include "RemoteMethod.h"

#include <QList>
#include <QString>

namespace cns {

// The remote data module "Cns72200.rdmImportConsu" of the consumer import.
namespace RdmImportConsu {

QString moduleName();
QList<RemoteMethod> methods();

} // namespace RdmImportConsu

} // namespace cns
