#include "FieldText.h"

#include <QTextBoundaryFinder>

namespace cns::FieldText {

namespace {

// How many units of s a field of that size keeps.
qsizetype keptLength(QStringView s, qsizetype size)
{
    if (size <= 0 || s.size() <= size)
        return s.size();
    // Whether a character ends at size depends on the text before it and on the code point after
    // it alone: the rest of a long text need not be read.
    const qsizetype next = s.at(size).isHighSurrogate() ? 2 : 1;
    const QStringView head = s.left(size + next);
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, head.data(), head.size());
    characters.setPosition(size);
    if (characters.isAtBoundary())
        return size;
    return qMax<qsizetype>(characters.toPreviousBoundary(), 0);
}

} // namespace

void cutToSize(QString &s, qsizetype size)
{
    s.truncate(keptLength(s, size));
}

QStringView cutToSize(QStringView s, qsizetype size)
{
    return s.left(keptLength(s, size));
}

} // namespace cns::FieldText
