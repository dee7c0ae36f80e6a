#pragma once

#include <QtGlobal>

namespace cns {
class DataSet;
}

namespace cns::import {

// The import logs that are open, by the reference of their import screen: the log viewer module
// is opened with only that integer, and finds the log through it. A reference that is not (or no
// longer) registered finds nothing, so a stale or forged number can never be followed.
namespace ImportLogRegistry {

void add(quintptr reference, cns::DataSet *log);
void remove(quintptr reference);
cns::DataSet *find(quintptr reference);

} // namespace ImportLogRegistry

} // namespace cns::import
