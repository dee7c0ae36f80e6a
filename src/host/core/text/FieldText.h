#pragma once

#include <QString>
#include <QStringView>

namespace cns::FieldText {

// Field sizes count UTF-16 units, as the screens' fields, the packets and the stored data always
// have: a text that fits them fits a VARCHAR of the same size on every database (PostgreSQL counts
// characters, never more than the units).
//
// A text longer than its field is cut at the last character boundary within size units, as the
// reader sees characters: never between the halves of a character outside the BMP (an emoji: half
// of it is no character, stored as invalid UTF-8 by SQLite and refused by PostgreSQL), nor between
// a letter and the accent or modifier written after it. size <= 0: no limit.
void cutToSize(QString &s, qsizetype size);
QStringView cutToSize(QStringView s, qsizetype size);

} // namespace cns::FieldText
