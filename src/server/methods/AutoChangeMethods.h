#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The automatic change of many consumers: the lists its screen offers (cost centres, consumer
// types, consumers) and the change itself, methods of rdmConsumidor.
namespace AutoChangeMethods {

QList<RemoteMethod> methods();

} // namespace AutoChangeMethods

} // namespace cns
