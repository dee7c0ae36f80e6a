#pragma once

#include <QString>
#include <QStringList>

namespace cns {

// A statement with named parameters (":P_CDFILIAL") turned into positional ones. A name may occur
// several times; every occurrence is bound. Texts between quotes, comments and "::" casts are not
// parameters.
class NamedSql
{
public:
    static NamedSql parse(const QString &sql);

    const QString &positional() const { return m_positional; } // with "?" in place of each name
    const QStringList &occurrences() const { return m_occurrences; } // names in text order, repeats kept
    const QStringList &names() const { return m_names; }             // each name once (upper case)

private:
    QString m_positional;
    QStringList m_occurrences;
    QStringList m_names;
};

} // namespace cns
