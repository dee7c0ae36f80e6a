#pragma once

#include "HostDialogs.h"

#include <QString>

namespace Tmsgaler {

// A warning with a caption; returns the button pressed.
int MsgAlert(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &caption = {});

} // namespace Tmsgaler
