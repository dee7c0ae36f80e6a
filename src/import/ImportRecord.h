#pragma once

#include "FieldDef.h"

#include <QList>
#include <QString>

namespace cns {
class DataSet;
}

namespace cns::import {

// The import rows (cdsConsumidor of the import screen) and the import log (cdsLogImp): their
// fields in packet order, with sizes and labels.
namespace ImportRecord {

struct FieldInfo
{
    cns::FieldDef def;
    QString label;
};

const QList<FieldInfo> &rowFields();
const QList<cns::FieldDef> &rowFieldDefs();
int rowField(QStringView name); // raises EErro for a name that is not a field

const QList<FieldInfo> &logFields();

// Defines the fields (with their labels) of an empty, closed packet.
void defineRows(cns::DataSet &ds);
void defineLog(cns::DataSet &ds);

} // namespace ImportRecord

} // namespace cns::import
