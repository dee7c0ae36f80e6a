#include "TextFold.h"

namespace cns::TextFold {

QString fold(QStringView s)
{
    bool ascii = true;
    for (const QChar c : s) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return s.toString().toLower();
    const QString decomposed = s.toString().normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    }
    return out.toCaseFolded();
}

int compare(QStringView a, QStringView b)
{
    return fold(a).compare(fold(b));
}

} // namespace cns::TextFold
