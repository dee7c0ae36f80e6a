#include "FieldText.h"

namespace cns::FieldText {

void cutToSize(QString &s, qsizetype size)
{
    if (size <= 0 || s.size() <= size)
        return;
    if (s.at(size - 1).isHighSurrogate())
        --size;
    s.truncate(size);
}

} // namespace cns::FieldText
