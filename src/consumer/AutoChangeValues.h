#pragma once

#include "Value.h"

#include <QString>
#include <optional>

// The value rules of the automatic change screen, callable without a window. Values are read and
// written in pt_BR (decimal comma) whatever the machine's locale, as the rest of the system shows
// them.
namespace AutoChangeValues {

// The decimal mark the edits take.
QChar decimalMark();

// A typed key in a value edit that already holds text: a second decimal mark is dropped.
bool refusesKey(const QString &text, QChar key);

// The text a value edit shows once left: the number with two decimals, no thousands separator;
// nothing when the text is not a number. A blank text stays blank.
std::optional<QString> leftText(const QString &text);

// A limit brought to its confirm form: the whole part, the mark and at most two decimals (cut, not
// rounded), "00" when none were typed: 12,567 -> 12,56; 12 -> 12,00; "12," -> 12,00. Blank stays blank.
QString normalised(const QString &text);

// The value a limit edit sends: null when blank, the number of its normalised text, or nothing when
// that text is not a number (a point as decimal mark, letters).
std::optional<cns::Value> limitValue(const QString &text);

// A selection text that names exactly one key (two "_"), and that key.
bool isSingle(const QString &selection);
QString singleKey(const QString &selection);

} // namespace AutoChangeValues
