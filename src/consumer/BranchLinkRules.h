#pragma once

#include <QString>

class ConsumerRuleContext;

// The checks of a branch link of the consumer (a row of cdsConsFilial): a link names a branch the
// consumer's client is associated with, once, and when working per branch only the processing
// branch may be tied or untied. A failure brings "Filiais Associadas" forward, puts the focus on
// the branch cell and aborts. The server keeps the same rules; these spare the operator a call.
class BranchLinkRules
{
public:
    explicit BranchLinkRules(ConsumerRuleContext &context) : m_ctx(context) {}

    // Completes the row (width-4 code, branch name, client and consumer) once it is allowed.
    void Vd_ConsFilial();
    // Per branch, a link of another branch is neither added nor removed here.
    void Vd_InsDelConsFilial();

private:
    bool perBranch() const;
    [[noreturn]] void fail(const QString &key) const;

    ConsumerRuleContext &m_ctx;
};
