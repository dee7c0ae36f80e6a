#include "ConsumerLinks.h"

#include "Consiste.h"
#include "DbSession.h"
#include "ServerMethodHelpers.h"

namespace cns::ConsumerLinks {

namespace {

using ServerMethodHelpers::textField;

QList<FieldDef> codeAndName()
{
    return {textField("CDCONSUMIDOR", 21), textField("NMCONSUMIDOR", 50)};
}

QHash<QString, Value> pair(const QString &client, const QString &consumer)
{
    return {{QStringLiteral("P_CDCLIENTE"), Value(client)}, {QStringLiteral("P_CDCONSUMIDOR"), Value(consumer)}};
}

// Whether the consumer at `code` of the client has others linked to it (a link to itself aside).
QString hasDependants(const char *code)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM CONSUMIDOR D WHERE D.CDCLIENTE = :P_CDCLIENTE AND D.CDCONSVINCULO = %1 "
                          "AND D.CDCONSUMIDOR <> %1)")
        .arg(QLatin1String(code));
}

// Whether the consumer aliased `alias` is active and linked to no one.
QString freeAndActive(const char *alias)
{
    return QStringLiteral("%1.IDSITCONSUMI = '1' AND (%1.CDCONSVINCULO IS NULL OR TRIM(%1.CDCONSVINCULO) = '')")
        .arg(QLatin1String(alias));
}

// C may be the main consumer of :P_CDCONSUMIDOR. A consumer that others are linked to gets no main
// consumer of its own: its dependants would then hang two levels deep.
QString candidatesWhere()
{
    return QStringLiteral("WHERE C.CDCLIENTE = :P_CDCLIENTE AND C.CDCONSUMIDOR <> :P_CDCONSUMIDOR AND ") + freeAndActive("C")
        + QStringLiteral(" AND NOT ") + hasDependants(":P_CDCONSUMIDOR");
}

} // namespace

Packet linkedTo(DbSession &db, const QString &client, const QString &consumer)
{
    return db.select(QStringLiteral("SELECT C.CDCONSUMIDOR, C.NMCONSUMIDOR FROM CONSUMIDOR C "
                                    "WHERE C.CDCLIENTE = :P_CDCLIENTE AND C.CDCONSVINCULO = :P_CDCONSUMIDOR "
                                    "AND C.CDCONSUMIDOR <> :P_CDCONSUMIDOR ORDER BY C.CDCONSUMIDOR"),
                     pair(client, consumer), codeAndName());
}

Packet mainCandidates(DbSession &db, const QString &client, const QString &consumer)
{
    return db.select(QStringLiteral("SELECT C.CDCONSUMIDOR, C.NMCONSUMIDOR FROM CONSUMIDOR C ") + candidatesWhere()
                         + QStringLiteral(" ORDER BY C.NMCONSUMIDOR, C.CDCONSUMIDOR"),
                     pair(client, consumer), codeAndName());
}

Packet dependantCandidates(DbSession &db, const QString &client, const QString &main)
{
    const QString sql = QStringLiteral("SELECT 'N', C.CDCONSUMIDOR, C.NMCONSUMIDOR FROM CONSUMIDOR C "
                                       "WHERE C.CDCLIENTE = :P_CDCLIENTE AND C.CDCONSUMIDOR <> :P_CDCONSUMIDOR AND ")
        + freeAndActive("C") + QStringLiteral(" AND NOT ") + hasDependants("C.CDCONSUMIDOR")
        + QStringLiteral(" AND EXISTS (SELECT 1 FROM CONSUMIDOR M WHERE M.CDCLIENTE = :P_CDCLIENTE "
                         "AND M.CDCONSUMIDOR = :P_CDCONSUMIDOR AND ")
        + freeAndActive("M") + QStringLiteral(") ORDER BY C.NMCONSUMIDOR, C.CDCONSUMIDOR");
    return db.select(sql, pair(client, main), {textField("IDMARCADO", 1), textField("CDCONSUMIDOR", 21), textField("NMCONSUMIDOR", 50)});
}

bool hasLinked(DbSession &db, const QString &client, const QString &consumer)
{
    return db.count(QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR C WHERE C.CDCLIENTE = :P_CDCLIENTE AND ")
                        + hasDependants(":P_CDCONSUMIDOR"),
                    pair(client, consumer))
        > 0;
}

bool acceptsMain(DbSession &db, const QString &client, const QString &consumer, const QString &main)
{
    const QString code = Consiste::Ajusta(main, 21);
    if (code.isEmpty())
        return false;
    QHash<QString, Value> params = pair(client, consumer);
    params.insert(QStringLiteral("P_PRINCIPAL"), Value(code));
    return db.count(QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR C ") + candidatesWhere()
                        + QStringLiteral(" AND C.CDCONSUMIDOR = :P_PRINCIPAL"),
                    params)
        > 0;
}

} // namespace cns::ConsumerLinks
