#include "UnregisteredNBioBSP.h"

#include "EErro.h"

void UnregisteredNBioBSP::fail()
{
    throw cns::EErro(QStringLiteral("Classe não registrada: NBioBSPCOM.NBioBSP."));
}
