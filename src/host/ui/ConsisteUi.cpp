#include "ConsisteUi.h"

#include "DBGrid.h"

namespace Consiste {

int IndiceCol(const cns::ui::DBGrid &grid, const QString &field)
{
    return const_cast<cns::ui::DBGrid &>(grid).dataModel().columnOf(field);
}

void SetChildEnabled(QWidget *panel, bool on)
{
    for (QWidget *w : panel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        w->setEnabled(on);
}

} // namespace Consiste
