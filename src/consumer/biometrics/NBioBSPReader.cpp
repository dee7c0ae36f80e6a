#include "NBioBSPReader.h"

#include "UnregisteredNBioBSP.h"

namespace {
NBioBSPReader::Maker g_maker;
}

std::unique_ptr<NBioBSPReader> NBioBSPReader::make()
{
    if (g_maker)
        return g_maker();
    return std::make_unique<UnregisteredNBioBSP>();
}

void NBioBSPReader::setMaker(Maker maker)
{
    g_maker = std::move(maker);
}
