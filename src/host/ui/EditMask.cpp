#include "EditMask.h"

#include <QStringList>

namespace cns::ui {

EditMask::EditMask(const QString &delphiMask)
{
    // "mask;save;blank": the blank may itself be ';' or ' ', so split from the right by position.
    QString mask = delphiMask;
    if (mask.size() >= 4 && mask.at(mask.size() - 2) == u';' && mask.at(mask.size() - 4) == u';') {
        m_blank = mask.at(mask.size() - 1);
        m_saveLiterals = mask.at(mask.size() - 3) != u'0';
        mask.chop(4);
    } else if (mask.size() >= 2 && mask.at(mask.size() - 2) == u';' && (mask.endsWith(u'0') || mask.endsWith(u'1'))) {
        m_saveLiterals = mask.endsWith(u'1');
        mask.chop(2);
    }
    m_mask = mask;
}

bool EditMask::isPlaceholder(QChar c)
{
    return QStringView(u"09AaLlCc#").contains(c);
}

QString EditMask::qtInputMask() const
{
    if (m_mask.isEmpty())
        return {};
    static const QString qtSpecial = QStringLiteral("AaNnXx90Dd#HhBb><!\\");
    QString out;
    for (qsizetype i = 0; i < m_mask.size(); ++i) {
        const QChar c = m_mask.at(i);
        switch (c.unicode()) {
        case '0': out += u'9'; break;
        case '9': out += u'0'; break;
        case 'A': out += u'N'; break;
        case 'a': out += u'n'; break;
        case 'L': out += u'A'; break;
        case 'l': out += u'a'; break;
        case 'C': out += u'X'; break;
        case 'c': out += u'x'; break;
        case '#': out += u'#'; break;
        case '>':
        case '<': out += c; break;
        case '\\':
            if (i + 1 < m_mask.size()) {
                out += u'\\';
                out += m_mask.at(++i);
            }
            break;
        default:
            if (qtSpecial.contains(c))
                out += u'\\';
            out += c;
        }
    }
    return out + u';' + m_blank;
}

QString EditMask::stripped(const QString &text) const
{
    if (m_mask.isEmpty())
        return text.trimmed();
    QString out;
    qsizetype t = 0;
    for (qsizetype i = 0; i < m_mask.size() && t < text.size(); ++i) {
        const QChar c = m_mask.at(i);
        if (c == u'>' || c == u'<')
            continue;
        if (c == u'\\') {
            ++i;
            ++t;
            continue;
        }
        const QChar typed = text.at(t++);
        if (isPlaceholder(c) && typed != m_blank && typed != u' ')
            out += typed;
    }
    return out;
}

QString EditMask::format(const QString &raw) const
{
    if (m_mask.isEmpty())
        return raw;
    QString out;
    qsizetype r = 0;
    for (qsizetype i = 0; i < m_mask.size(); ++i) {
        const QChar c = m_mask.at(i);
        if (c == u'>' || c == u'<')
            continue;
        if (c == u'\\') {
            if (i + 1 < m_mask.size())
                out += m_mask.at(++i);
            continue;
        }
        if (isPlaceholder(c)) {
            if (r >= raw.size())
                break;
            out += raw.at(r++);
        } else {
            if (r >= raw.size())
                break;
            out += c;
        }
    }
    return out + raw.mid(r);
}

} // namespace cns::ui
