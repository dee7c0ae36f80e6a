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

QString candidatesWhere()
{
    return QStringLiteral(
        "WHERE C.CDCLIENTE = :P_CDCLIENTE AND C.CDCONSUMIDOR <> :P_CDCONSUMIDOR AND C.IDSITCONSUMI = '1' "
        "AND (C.CDCONSVINCULO IS NULL OR TRIM(C.CDCONSVINCULO) = '')");
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
