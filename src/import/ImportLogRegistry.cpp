#include "ImportLogRegistry.h"

#include <QHash>

namespace cns::import {

namespace ImportLogRegistry {

namespace {
QHash<quintptr, cns::DataSet *> &logs()
{
    static QHash<quintptr, cns::DataSet *> all;
    return all;
}
} // namespace

void add(quintptr reference, cns::DataSet *log)
{
    logs().insert(reference, log);
}

void remove(quintptr reference)
{
    logs().remove(reference);
}

cns::DataSet *find(quintptr reference)
{
    return logs().value(reference, nullptr);
}

} // namespace ImportLogRegistry

} // namespace cns::import
