#pragma once

#include <QWidget>
#include <functional>

namespace cns::ui {

// Where the module's screens live: the host's main window. Modeless screens become its child
// windows; modal ones are owned by it. Without a host window (tests) screens are top-level.
namespace HostWindow {

void install(QWidget *mainWindow, std::function<void(QWidget *)> addChild);
QWidget *mainWindow();
// Shows a modeless screen as a child window of the host (or as a window of its own).
void showChild(QWidget *screen);

} // namespace HostWindow

} // namespace cns::ui
