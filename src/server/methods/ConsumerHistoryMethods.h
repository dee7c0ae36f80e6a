#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The server method that reads a consumer's change history.
namespace ConsumerHistoryMethods {

QList<RemoteMethod> methods();

} // namespace ConsumerHistoryMethods

} // namespace cns
