#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The server method that saves the further addresses of a consumer (rdmConsumidor).
namespace ConsumerAddressMethods {

QList<RemoteMethod> methods();

} // namespace ConsumerAddressMethods

} // namespace cns
