#pragma once

#include <QString>

// The message table of the consumer screen (msgPadrao), as lines KEY|Text.
namespace ConsumerMessages {

QString table();

} // namespace ConsumerMessages
