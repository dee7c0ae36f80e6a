#pragma once

#include "TMessages.h"

// The message table of the consumer import (KEY|Text), shared by the import screen and the
// headless import so that both say the same.
namespace ImportMessages {

const QString &lines();
const TMessages &table();

} // namespace ImportMessages
