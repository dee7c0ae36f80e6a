#pragma once

#include "TMessages.h"

namespace cns::import {

// The message table of the consumer import (KEY|Text), shared by the import screen and the
// headless import so that both say the same.
namespace ImportMessages {

const QString &lines();
const TMessages &table();
// The key of a text of the table (the log's findings are stored as texts); empty when none.
QString keyOf(const QString &text);

} // namespace ImportMessages

} // namespace cns::import
