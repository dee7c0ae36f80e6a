#pragma once

#include <QString>

namespace cns::FieldText {

// s cut to at most size UTF-16 units, as a text field of that size holds it, never between the two
// halves of a character outside the BMP (an emoji): such a half alone is no character, and written
// to a database it is stored as invalid UTF-8 or refused. size <= 0: no limit.
void cutToSize(QString &s, qsizetype size);

} // namespace cns::FieldText
