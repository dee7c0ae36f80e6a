#pragma once

#include <QString>

class QWidget;

namespace cns::ui {
class DBGrid;
}

// The host's routines that need a window. They stay in the core's global Consiste, the system's
// unit: a cns::ui::Consiste would make Consiste:: ambiguous wherever cns::ui is used.
namespace Consiste {

// The position of the grid column that shows the field, -1 when none does.
int IndiceCol(const cns::ui::DBGrid &grid, const QString &field);
// Enables or disables every control inside a panel, the panel itself left as it is.
void SetChildEnabled(QWidget *panel, bool on);

} // namespace Consiste
