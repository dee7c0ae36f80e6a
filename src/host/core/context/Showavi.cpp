#include "Showavi.h"

namespace Showavi {

namespace {
BusyIndicator *g_indicator = nullptr;
}

void install(BusyIndicator *indicator)
{
    g_indicator = indicator;
}

void ActiveShowAvi(QObject *form, int kind)
{
    if (g_indicator)
        g_indicator->show(form, kind);
}

void DeactiveShowAvi()
{
    if (g_indicator)
        g_indicator->hide();
}

} // namespace Showavi
