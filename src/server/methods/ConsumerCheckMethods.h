#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The server methods behind the consumer screen's field checks: an existing code, a site access
// code already taken, the consumers linked to one and the candidates to be its main consumer.
namespace ConsumerCheckMethods {

QList<RemoteMethod> methods();

} // namespace ConsumerCheckMethods

} // namespace cns
