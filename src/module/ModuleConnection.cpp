#include "ModuleConnection.h"

#include "TNetConnection.h"

#include <memory>

namespace ModuleConnection {

namespace {
TNetConnection *g_consumerScreen = nullptr;
std::unique_ptr<TNetConnection> g_own;
} // namespace

TNetConnection &consumer()
{
    if (g_consumerScreen)
        return *g_consumerScreen;
    if (!g_own)
        g_own = std::make_unique<TNetConnection>();
    return *g_own;
}

void setConsumerScreenConnection(TNetConnection *net)
{
    g_consumerScreen = net;
}

void closeOwn()
{
    g_own.reset();
}

} // namespace ModuleConnection
