#pragma once

#include <QString>

namespace cns {
class DataSet;
}

namespace cns::import {

// The import log as CSV, as the log viewer exports it and the headless import writes it: a header
// of the fields' labels (the field name where there is none), ';' between fields (what Brazilian
// spreadsheets expect), quotes where needed, UTF-8 with a byte order mark.
namespace ImportLogCsv {

QString text(const cns::DataSet &log);
void save(const cns::DataSet &log, const QString &path); // raises EErro when it cannot write

} // namespace ImportLogCsv

} // namespace cns::import
