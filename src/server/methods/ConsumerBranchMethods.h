#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// The branches of consumers (CONSUMIFILIAL): one consumer's links as the branch grid changes them,
// and the bulk updates that tie every active consumer of a client to its branches (rdmConsumidor).
namespace ConsumerBranchMethods {

QList<RemoteMethod> methods();

} // namespace ConsumerBranchMethods

} // namespace cns
