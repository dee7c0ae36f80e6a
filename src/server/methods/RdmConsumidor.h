#pragma once

#include "RemoteMethod.h"

#include <QList>
#include <QString>

namespace cns {

// The remote data module "Cns72200.rdmConsumidor": every server method of the consumer screen
// and its dialogs. Each method's behaviour is written down where it is defined.
namespace RdmConsumidor {

QString moduleName();
QList<RemoteMethod> methods();

} // namespace RdmConsumidor

} // namespace cns
