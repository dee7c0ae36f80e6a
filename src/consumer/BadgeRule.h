#pragma once

#include <QString>

class ConsumerRuleContext;
namespace cns {
class Packet;
}

// The badge rule: one badge is never used by two active consumers who could meet at the same branch,
// and, when the installation asks for it, never twice in the whole database.
class BadgeRule
{
public:
    explicit BadgeRule(ConsumerRuleContext &context) : m_ctx(context) {}

    // The check digit (modulus 11) of a text of decimal digits; anything else is refused with a
    // message, since such a badge cannot carry a check digit.
    QString RetornaDV(const QString &badge) const;
    // The key under which badges are compared: upper case, followed by the check digit for a client
    // whose badges carry one.
    QString comparisonKey(const QString &badge, bool checkDigit) const;
    bool clientHasCheckDigit() const;

    void Vd_CodBarra(bool required);

private:
    void checkBadge(bool required);
    bool mustBeUnique() const;
    bool consumerHasBranches(const QString &client, const QString &consumer) const;
    bool sharesABranchWith(const QString &otherClient, const QString &otherConsumer) const;
    void checkSameClient(const cns::Packet &others, qsizetype row) const;

    ConsumerRuleContext &m_ctx;
};
