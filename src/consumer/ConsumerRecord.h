#pragma once

#include "FieldDef.h"

#include <QList>
#include <QString>

// The consumer record as it travels between the consumer screen and the server: 73 fields in the
// packet's order, with the labels and display formats the screen shows. The same layout is used by
// the chunk packet and by the change sets sent back.
namespace ConsumerRecord {

struct FieldInfo
{
    cns::FieldDef def;
    QString label;         // empty: not shown
    QString displayFormat; // numbers only
};

const QList<FieldInfo> &fields();
QList<cns::FieldDef> fieldDefs();

// The display companions: names joined from other tables, not columns of CONSUMIDOR.
bool isCompanion(QStringView field);

// The ten value fields whose blankness SetConsumidor is told about, in the order of its flags.
const QStringList &valueFlagFields();

// The client record (cdsCliente), one row per client and branch.
QList<cns::FieldDef> clientFieldDefs();
// Branches: of a client (cdsFilial) and of a consumer (cdsConsFilial).
QList<cns::FieldDef> branchFieldDefs();
QList<cns::FieldDef> consumerBranchFieldDefs();
// Further addresses of a consumer (cdsEndeCons), with the location names joined in.
QList<cns::FieldDef> addressFieldDefs();
// The sales parameters (cdsParaVend).
QList<cns::FieldDef> salesParameterFieldDefs();

} // namespace ConsumerRecord
