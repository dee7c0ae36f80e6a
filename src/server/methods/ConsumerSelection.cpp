#include "ConsumerSelection.h"

#include "SqlDialect.h"

namespace cns {

namespace {

constexpr int kClientWidth = 21;

QString blanks(int n)
{
    return QString(n, u' ');
}

QString column(const QString &table, const char *name)
{
    return table + u'.' + QString::fromLatin1(name);
}

} // namespace

ConsumerSelection::Filter ConsumerSelection::of(const QString &selection)
{
    if (selection.trimmed() == u"T")
        return {};
    return {false, selection};
}

QString ConsumerSelection::key(const QString &clientColumn, const QString &codeColumn, int width)
{
    // SUBSTR and LENGTH count characters alike on both databases, and neither trims a VARCHAR.
    return QStringLiteral("SUBSTR(%1 || '%3', 1, %4) || SUBSTR('%5' || %2, LENGTH(%2) + 1)")
        .arg(clientColumn, codeColumn, blanks(kClientWidth))
        .arg(kClientWidth)
        .arg(blanks(width));
}

QString ConsumerSelection::member(const char *name, const QString &keyExpression) const
{
    const QString pos = m_dialect.textPosition.arg(QStringLiteral(":P_L%1").arg(QLatin1String(name)),
                                                   QStringLiteral("'_' || %1 || '_'").arg(keyExpression));
    return QStringLiteral("(:P_T%1 = 'T' OR %2 > 0)").arg(QLatin1String(name), pos);
}

QString ConsumerSelection::clientCondition(const QString &clientColumn) const
{
    return member("CLIENTE", clientColumn);
}

QString ConsumerSelection::branchCondition() const
{
    return QStringLiteral("(:P_TFILIAL = 'T' OR EXISTS (SELECT 1 FROM CLIENFILIAL CF WHERE CF.CDCLIENTE = %1 "
                          "AND CF.CDFILIAL = :P_CDFILIAL))")
        .arg(column(m_table, "CDCLIENTE"));
}

QString ConsumerSelection::condition() const
{
    const QString client = column(m_table, "CDCLIENTE");
    return QStringList {clientCondition(client),
                        member("CCUSCLIE", key(client, column(m_table, "CDCCUSCLIE"), kCostCentreWidth)),
                        member("TIPOCONS", key(client, column(m_table, "CDTIPOCONS"), kTypeWidth)),
                        member("CONSUMIDOR", key(client, column(m_table, "CDCONSUMIDOR"), kConsumerWidth)),
                        branchCondition()}
        .join(QStringLiteral(" AND "));
}

QHash<QString, Value> ConsumerSelection::params() const
{
    QHash<QString, Value> p;
    const auto add = [&p](const char *name, const Filter &f) {
        p.insert(QStringLiteral("P_T%1").arg(QLatin1String(name)), Value(f.all ? QStringLiteral("T") : QString()));
        p.insert(QStringLiteral("P_L%1").arg(QLatin1String(name)), Value(f.all ? QString() : f.list));
    };
    add("CLIENTE", m_clients);
    add("CCUSCLIE", m_costCentres);
    add("TIPOCONS", m_types);
    add("CONSUMIDOR", m_consumers);
    const bool allBranches = m_branch.isEmpty() || m_branch == u"T";
    p.insert(QStringLiteral("P_TFILIAL"), Value(allBranches ? QStringLiteral("T") : QString()));
    p.insert(QStringLiteral("P_CDFILIAL"), Value(m_branch));
    return p;
}

} // namespace cns
