#pragma once

#include <QString>

namespace cns {

// Texts compared as an operator reads them: without regard to case or accents ("Álvaro" beside
// "alvaro"), used by case-insensitive indexes and searches.
namespace TextFold {

QString fold(QStringView s);
int compare(QStringView a, QStringView b);

} // namespace TextFold

} // namespace cns
