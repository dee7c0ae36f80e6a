#pragma once

#include <QString>

// Who runs a job without a window, as the system knows them: the headless commands name them as
// the operator (in the consumers' history, in a report's heading). Empty when the system does not say.
QString systemUserName();
