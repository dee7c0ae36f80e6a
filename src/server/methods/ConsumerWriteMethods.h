#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The server method that saves the consumer screen's posts and deletes.
namespace ConsumerWriteMethods {

QList<RemoteMethod> methods();

} // namespace ConsumerWriteMethods

} // namespace cns
