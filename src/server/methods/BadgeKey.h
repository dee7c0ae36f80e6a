#pragma once

#include <QString>

namespace cns {

// The comparison key under which the consumer screen looks a badge up. For a client whose badges
// carry a check digit the stored badge already ends with it, and the key is that badge followed by
// the check digit of the whole badge; for any other client the key is the badge itself. So a key
// can be the key of a plain badge equal to it, or of a check-digit badge equal to the key without
// its last character, the latter only when that character is the check digit of the rest. The
// test depends on the key alone, so it is made once here instead of once per stored badge.
class BadgeKey
{
public:
    explicit BadgeKey(const QString &key);

    bool isEmpty() const { return m_whole.isEmpty(); }
    // The badge of a client without check digits that has this key.
    const QString &plainBadge() const { return m_whole; }
    // The badge of a check-digit client that has this key; meaningful only when fitsCheckDigit().
    const QString &checkDigitBadge() const { return m_prefix; }
    bool fitsCheckDigit() const { return m_fitsCheckDigit; }

private:
    QString m_whole;
    QString m_prefix;
    bool m_fitsCheckDigit = false;
};

} // namespace cns
