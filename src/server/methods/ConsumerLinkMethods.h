#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The linking of many consumers to one main consumer at once: its candidates and the writing of
// the links (rdmConsumidor).
namespace ConsumerLinkMethods {

QList<RemoteMethod> methods();

} // namespace ConsumerLinkMethods

} // namespace cns
