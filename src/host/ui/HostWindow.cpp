#include "HostWindow.h"

#include <QPointer>
#include <functional>

namespace cns::ui {

namespace HostWindow {

namespace {
QPointer<QWidget> g_main;
std::function<void(QWidget *)> g_addChild;
} // namespace

void install(QWidget *mainWindow, std::function<void(QWidget *)> addChild)
{
    g_main = mainWindow;
    g_addChild = std::move(addChild);
}

QWidget *mainWindow()
{
    return g_main.data();
}

void showChild(QWidget *screen)
{
    if (g_main && g_addChild) {
        g_addChild(screen);
        return;
    }
    screen->show();
}

} // namespace HostWindow

} // namespace cns::ui
