#include "BadgeRule.h"

#include "Consiste.h"
#include "ConsumerLookups.h"
#include "ConsumerRuleContext.h"
#include "DataSet.h"
#include "EAbort.h"
#include "Packet.h"

using cns::Value;

namespace {

const QString kTab = QStringLiteral("tshFormulario");
const QString kField = QStringLiteral("CDIDCONSUMID");

QString who(const cns::Packet &rows, qsizetype row)
{
    return rows.value(row, u"CDCLIENTE").toString() + QStringLiteral(" - ") + rows.value(row, u"CDCONSUMIDOR").toString()
           + QStringLiteral(" - ") + rows.value(row, u"NMCONSUMIDOR").toString();
}

} // namespace

QString BadgeRule::RetornaDV(const QString &badge) const
{
    const QChar dv = Consiste::DigitoModulo11(badge);
    if (dv.isNull())
        m_ctx.fail(kTab, kField, QStringLiteral("CRACHA_DV_INV"));
    return QString(dv);
}

QString BadgeRule::comparisonKey(const QString &badge, bool checkDigit) const
{
    return (checkDigit ? badge + RetornaDV(badge) : badge).toUpper();
}

bool BadgeRule::clientHasCheckDigit() const
{
    const cns::DataSet &c = m_ctx.clients;
    return c.Active() && !c.IsEmpty() && c.FieldByName(u"IDCALCDVCLIE").AsString() == u"2";
}

bool BadgeRule::mustBeUnique() const
{
    return m_ctx.text(u"IDSITCONSUMI") == u"1"
           && (m_ctx.editing() || m_ctx.consumerBranches.State() == cns::DataSetState::Insert);
}

void BadgeRule::Vd_CodBarra(bool required)
{
    try {
        checkBadge(required);
    } catch (const cns::EAbort &) {
        throw; // a refusal has brought its field forward already
    } catch (...) {
        // A server or connection failure is about the badge as much as a refusal is: the operator
        // finds the field it concerns when the error is shown.
        if (m_ctx.focus)
            m_ctx.focus(kTab, kField);
        throw;
    }
}

void BadgeRule::checkBadge(bool required)
{
    const QString badge = m_ctx.text(u"CDIDCONSUMID");
    if (badge.isEmpty()) {
        if (required)
            m_ctx.fail(kTab, kField, QStringLiteral("CodBarra_Inf"));
        return;
    }
    if (!mustBeUnique())
        return;
    const QString key = comparisonKey(badge, clientHasCheckDigit());
    const QString client = m_ctx.clientCode();
    const QString consumer = m_ctx.consumerCode();
    // The client code goes along so that only this very consumer is left out: consumer codes repeat
    // from client to client.
    const cns::Packet same = m_ctx.fetch(QStringLiteral("getIdentIgual"), {Value(key), Value(consumer), Value(client)});
    if (same.rowCount() > 0 && same.value(0, u"IDBLOQCDIDCONS").toString() == u"S")
        m_ctx.fail(kTab, kField, QStringLiteral("CRACHA_CAD_GER"), {who(same, 0)});

    const cns::Packet others = m_ctx.fetch(QStringLiteral("getCrachaIgual"), {Value(key), Value(consumer), Value(client)});
    for (qsizetype i = 0; i < others.rowCount(); ++i) {
        const QString otherClient = others.value(i, u"CDCLIENTE").toString();
        if (otherClient == client) {
            checkSameClient(others, i);
        } else if (sharesABranchWith(otherClient, others.value(i, u"CDCONSUMIDOR").toString())) {
            // The point of sale of a shared branch could not tell the two consumers apart.
            m_ctx.fail(kTab, kField, QStringLiteral("CRACHA_CAD_CLI"), {who(others, i)});
        }
    }
}

void BadgeRule::checkSameClient(const cns::Packet &others, qsizetype row) const
{
    const QString otherConsumer = others.value(row, u"CDCONSUMIDOR").toString();
    // A consumer without branches (a new one has none yet) blocks any repetition.
    if (!consumerHasBranches(m_ctx.clientCode(), m_ctx.consumerCode())
        || !consumerHasBranches(others.value(row, u"CDCLIENTE").toString(), otherConsumer)
        || sharesABranchWith(m_ctx.clientCode(), otherConsumer))
        m_ctx.fail(kTab, kField, QStringLiteral("CRACHA_CAD"), {who(others, row)});
}

bool BadgeRule::consumerHasBranches(const QString &client, const QString &consumer) const
{
    return m_ctx.fetch(QStringLiteral("getVdCrachaFilial"), {Value(consumer), Value(client)}).rowCount() > 0;
}

// Whether the other consumer is tied to one of this consumer's branches, as seen from the working branch.
bool BadgeRule::sharesABranchWith(const QString &otherClient, const QString &otherConsumer) const
{
    const cns::Packet mine = m_ctx.fetch(QStringLiteral("getVdConsFilial"),
                                         {Value(m_ctx.clientCode()), Value(m_ctx.consumerCode()), Value(m_ctx.workingBranch)}, 6);
    TADOIBQuery &q = m_ctx.lookups.qryVerConsumiFilial;
    for (qsizetype i = 0; i < mine.rowCount(); ++i) {
        ConsumerLookups::open(q, {{QStringLiteral("P_CDCLIENTE"), otherClient},
                                  {QStringLiteral("P_CDFILIAL"), mine.value(i, u"CDFILIAL").toString()},
                                  {QStringLiteral("P_CDCONSUMIDOR"), otherConsumer}});
        if (!q.IsEmpty())
            return true;
    }
    return false;
}
