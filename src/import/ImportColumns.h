#pragma once

#include <QString>
#include <QStringView>
#include <array>

namespace cns::import {

// The consumer columns a layout may fill (arFields): entry 0 "ERRO" takes the values of layout
// columns whose target is none of them; entries 1 to 55 are sorted, so that ProcDados can bisect.
namespace ImportColumns {

constexpr int kCount = 56;

const std::array<QString, kCount> &arFields();

// The index of a column name among entries 1 to 55, letter case ignored; 0 when it is not there.
int ProcDados(QStringView name);

// Indexes of the entries the row building reads by name.
enum Index : int {
    CDBAIRRO = 1, CDCCUSCLIE, CDCLIENTE, CDCONSUMIDOR, CDEXCONSUMID, CDFAMILISALDIMP, CDIDCONSUMID, CDMUNICIPIO,
    CDPAIS, CDSENHACONS, CDSENHASITE, CDTIPOCONS, CDVENDEDOR, DSCOMPLENDECONS, DSEMAILCONS, DSENDECONS,
    DSREFERENDECONS, DTNASCCONS, IDBLOQSALDFS, IDCADCONFLIBCON, IDIMPCPFCUPOM, IDPERCONSPRODEX, IDTPSEALMOCO,
    IDTPSELMANHA, IDTPSELTARDE, IDTPVENDACONS, IDVERSALDCON, NMBAIRCONS, NMCONSUMIDOR, NMLOGINCONS, NMRESPCONS,
    NRACESSOSITE, NRCELULARCONS, NRCEPCONS, NRCPFRESPCON, NRENDECONS, NRFAXCONS, NRRAMAL1CONS, NRRAMAL2CONS,
    NRRGCONSUMID, NRTELE2CONS, NRTELECONS, SGESTADO, VRAVICREDCONS, VRAVIDEBCONS, VRDIASUBCONS, VRLIMCREDCONS,
    VRLIMDEBCONS, VRMAXCONSMENSAL, VRMAXCREDCONS, VRMAXDEBCONS, VRMESUBCONS, VRPESUBCONS, VRSALDOCREDIMP,
    VRSUBSBASICO
};

// The eight amounts that are kept as "###0.00" texts whatever the layout's data type says.
bool isValueColumn(QStringView exactName);

} // namespace ImportColumns

} // namespace cns::import
