#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The server methods behind the badge rule of the consumer screen: other consumers with the same
// badge, and the branches that decide whether two of them could meet at a point of sale.
namespace ConsumerBadgeMethods {

QList<RemoteMethod> methods();

} // namespace ConsumerBadgeMethods

} // namespace cns
