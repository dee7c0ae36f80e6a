#include "BranchLinkRules.h"

#include "Consiste.h"
#include "ConsumerLookups.h"
#include "ConsumerRuleContext.h"
#include "DataSet.h"

bool BranchLinkRules::perBranch() const
{
    return m_ctx.workingBranch != u"T";
}

void BranchLinkRules::fail(const QString &key) const
{
    m_ctx.fail(QStringLiteral("tshFilial"), QStringLiteral("CDFILIAL"), key);
}

void BranchLinkRules::Vd_ConsFilial()
{
    cns::DataSet &row = m_ctx.consumerBranches;
    cns::Field &code = row.FieldByName(u"CDFILIAL");
    if (Consiste::EmptyString(code.AsString()))
        fail(QStringLiteral("Fili_Inf"));
    const QString branch = Consiste::Ajusta(code.AsString(), 4);
    if (branch != code.AsString())
        code.setAsString(branch);
    const QString client = m_ctx.clientCode();
    const QString consumer = m_ctx.consumerCode();

    TADOIBQuery &already = m_ctx.lookups.qryVerConsumiFilial;
    ConsumerLookups::open(already, {{QStringLiteral("P_CDCLIENTE"), client},
                                    {QStringLiteral("P_CDFILIAL"), branch},
                                    {QStringLiteral("P_CDCONSUMIDOR"), consumer}});
    if (!already.IsEmpty())
        fail(QStringLiteral("Fili_Cad"));

    TADOIBQuery &allowed = m_ctx.lookups.qryFilial;
    ConsumerLookups::open(allowed, QList<QPair<QString, QString>>{{QStringLiteral("P_CDFILIAL"), branch},
                                                                  {QStringLiteral("P_CDCLIENTE"), client}}
                                       + ConsumerLookups::branchFilter(QStringLiteral("P_CDFILIPROC"), m_ctx.workingBranch));
    if (allowed.IsEmpty())
        fail(perBranch() ? QStringLiteral("Dif_ConsFili") : QStringLiteral("Fili_Cons"));

    row.FieldByName(u"NMFILIAL").setAsString(allowed.FieldByName(u"NMFILIAL").AsString());
    row.FieldByName(u"CDCLIENTE").setAsString(client);
    row.FieldByName(u"CDCONSUMIDOR").setAsString(consumer);
}

void BranchLinkRules::Vd_InsDelConsFilial()
{
    if (perBranch() && m_ctx.consumerBranches.FieldByName(u"CDFILIAL").AsString() != m_ctx.workingBranch)
        fail(QStringLiteral("Dif_ConsFili"));
}
