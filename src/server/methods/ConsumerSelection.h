#pragma once

#include "Value.h"

#include <QHash>
#include <QString>

namespace cns {

class SqlDialect;

// The consumers that the automatic change reaches, as one SQL condition on CONSUMIDOR: four filters
// (clients, cost centres, consumer types, consumers), each all of them or a list text, and the
// working branch.
//
// A list text is "_" and then each key followed by "_"; a row belongs to it when "_" + its key + "_"
// stands in it. The client list holds client codes. The other lists hold keys that this server
// composes (key()): the client's code and the row's own code, both at fixed width, so that a key
// names one row across clients and, all keys of a list being of one length, no key stands inside
// another. A list that holds nothing selects nothing.
//
// The branch narrows the consumers to those of the clients associated with it (CLIENFILIAL), the
// clients the branch's operators are offered; "T" or a blank branch lifts it. A consumer's own
// branches do not count: a consumer just created or imported has none yet.
class ConsumerSelection
{
public:
    struct Filter
    {
        bool all = true;
        QString list;
    };
    // The filter of a selection text: "T" all, anything else a list text.
    static Filter of(const QString &selection);

    // table: the name or alias of CONSUMIDOR in the statement that takes the condition.
    ConsumerSelection(const SqlDialect &dialect, QString table) : m_dialect(dialect), m_table(std::move(table)) {}

    void setClients(const Filter &f) { m_clients = f; }
    void setCostCentres(const Filter &f) { m_costCentres = f; }
    void setTypes(const Filter &f) { m_types = f; }
    void setConsumers(const Filter &f) { m_consumers = f; }
    void setBranch(const QString &branch) { m_branch = branch.trimmed(); }

    QString condition() const;
    QHash<QString, Value> params() const;

    // The condition that the client in clientColumn is selected, with its parameters among params().
    QString clientCondition(const QString &clientColumn) const;

    // The key of a row: the client code padded with blanks to 21 characters, then the row's own code
    // led by blanks to width. Neither end is a blank, so the host's trimming of keys keeps it whole.
    static QString key(const QString &clientColumn, const QString &codeColumn, int width);

    static constexpr int kCostCentreWidth = 10;
    static constexpr int kTypeWidth = 2;
    static constexpr int kConsumerWidth = 21;

private:
    QString member(const char *name, const QString &keyExpression) const;
    QString branchCondition() const;

    const SqlDialect &m_dialect;
    QString m_table;
    Filter m_clients, m_costCentres, m_types, m_consumers;
    QString m_branch;
};

} // namespace cns
