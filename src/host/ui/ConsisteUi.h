#pragma once

#include <QString>

class DBGrid;
class QWidget;

// The host's routines that need a window.
namespace Consiste {

// The position of the grid column that shows the field, -1 when none does.
int IndiceCol(const DBGrid &grid, const QString &field);
// Enables or disables every control inside a panel, the panel itself left as it is.
void SetChildEnabled(QWidget *panel, bool on);

} // namespace Consiste
