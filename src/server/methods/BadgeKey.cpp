#include "BadgeKey.h"

#include "Consiste.h"

namespace cns {

BadgeKey::BadgeKey(const QString &key)
{
    if (key.trimmed().isEmpty())
        return;
    m_whole = key;
    if (key.size() < 2)
        return; // an empty badge has no check digit worth comparing
    m_prefix = key.left(key.size() - 1);
    const QChar digit = Consiste::DigitoModulo11(m_prefix); // null for a badge that is not all digits
    m_fitsCheckDigit = !digit.isNull() && digit == key.back();
}

} // namespace cns
