#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The anonymisation of a consumer's personal data on his written request (rdmConsumidor).
namespace AnonymisationMethods {

QList<RemoteMethod> methods();

} // namespace AnonymisationMethods

} // namespace cns
