#include "Tmsgaler.h"

namespace Tmsgaler {

int MsgAlert(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &caption)
{
    return cns::HostDialogs::current().message(text, type, buttons,
                                               caption.isEmpty() ? QStringLiteral("Atenção") : caption);
}

} // namespace Tmsgaler
