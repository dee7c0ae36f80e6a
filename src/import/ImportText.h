#pragma once

#include <QByteArray>
#include <QString>

namespace cns::import {

// Text routines of the import that need no layout.
namespace ImportText {

// Deletes ".", "/" and "-" in one pass; the character that moves into a deleted place is not
// examined, so of two separators side by side the second stays ("A..B" gives "A.B").
QString RemoveCaracteres(const QString &s);

// One line of an import file as text. Files come from Windows machines in Windows-1252, but a
// line that is valid UTF-8 with multi-byte sequences (a file saved as UTF-8) is read as UTF-8, so
// that accented names come through intact either way.
QString decodeLine(const QByteArray &bytes);

// The text without leading and trailing blanks and control characters.
QString trimmed(QStringView s);

} // namespace ImportText

} // namespace cns::import
