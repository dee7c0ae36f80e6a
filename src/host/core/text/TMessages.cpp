#include "TMessages.h"

void TMessages::load(QStringView lines)
{
    for (QStringView line : lines.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype bar = line.indexOf(u'|');
        if (bar <= 0)
            continue;
        const QString key = line.left(bar).trimmed().toString();
        if (key.isEmpty())
            continue;
        add(key, unescape(line.mid(bar + 1)));
    }
}

void TMessages::add(const QString &key, const QString &text)
{
    m_texts.insert(key.toUpper(), text);
}

bool TMessages::contains(QStringView key) const
{
    return m_texts.contains(key.toString().toUpper());
}

QStringList TMessages::keys() const
{
    return m_texts.keys();
}

QString TMessages::unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 >= text.size()) {
            out.append(c);
            continue;
        }
        const QChar e = text.at(i + 1);
        switch (e.unicode()) {
        case 'r': out.append(u'\r'); break;
        case 'n': out.append(u'\n'); break;
        case 't': out.append(u'\t'); break;
        case '"': out.append(u'"'); break;
        case '\\': out.append(u'\\'); break;
        default: out.append(c); continue; // not an escape: the backslash stays
        }
        ++i;
    }
    return out;
}

QString TMessages::fill(const QString &text, const QStringList &args)
{
    if (args.isEmpty())
        return text;
    QString out;
    out.reserve(text.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%' && i + 1 < text.size() && text.at(i + 1) == u's') {
            if (next < args.size())
                out.append(args.at(next));
            ++next;
            ++i;
        } else {
            out.append(text.at(i));
        }
    }
    return out;
}

QString TMessages::Msg(QStringView key, const QStringList &args) const
{
    const auto it = m_texts.constFind(key.toString().toUpper());
    if (it == m_texts.constEnd())
        return u'[' + key.toString() + u']';
    return fill(*it, args);
}

int TMessages::ShowMsg(QStringView key, cns::MsgType type, cns::MsgButtons buttons, const QStringList &args,
                       const QString &caption) const
{
    return cns::HostDialogs::current().message(Msg(key, args), type, buttons, caption);
}
