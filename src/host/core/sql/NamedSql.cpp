#include "NamedSql.h"

namespace cns {

namespace {
bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}
} // namespace

NamedSql NamedSql::parse(const QString &sql)
{
    NamedSql out;
    out.m_positional.reserve(sql.size());
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') { // literal or quoted identifier, doubled quotes inside
            const qsizetype start = i;
            ++i;
            while (i < n) {
                if (sql.at(i) == c) {
                    if (i + 1 < n && sql.at(i + 1) == c) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            out.m_positional.append(QStringView(sql).mid(start, i - start + 1));
            continue;
        }
        if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? n : end;
            out.m_positional.append(QStringView(sql).mid(i, stop - i));
            i = stop - 1;
            continue;
        }
        if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            out.m_positional.append(QStringView(sql).mid(i, stop - i));
            i = stop - 1;
            continue;
        }
        if (c == u':') {
            if (i + 1 < n && sql.at(i + 1) == u':') { // a cast
                out.m_positional.append(QStringLiteral("::"));
                ++i;
                continue;
            }
            if (i + 1 < n && isNameStart(sql.at(i + 1))) {
                qsizetype j = i + 1;
                while (j < n && isNameChar(sql.at(j)))
                    ++j;
                const QString name = sql.mid(i + 1, j - i - 1).toUpper();
                out.m_occurrences.append(name);
                if (!out.m_names.contains(name))
                    out.m_names.append(name);
                out.m_positional.append(u'?');
                i = j - 1;
                continue;
            }
        }
        out.m_positional.append(c);
    }
    return out;
}

} // namespace cns
