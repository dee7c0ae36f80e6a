#pragma once

#include "RemoteMethod.h"

#include <QList>

namespace cns {

// What the report screens ask of rdmConsumidor: the consumers offered by the report by branch and
// consumer type.
namespace ReportMethods {

QList<RemoteMethod> methods();

} // namespace ReportMethods

} // namespace cns
