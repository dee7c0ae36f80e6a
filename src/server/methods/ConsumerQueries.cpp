#include "ConsumerQueries.h"

#include "ConsumerRecord.h"

#include <QHash>
#include <QStringList>

namespace cns::ConsumerQueries {

namespace {

// The expression of each display companion. The type's name is the client's own name for it when
// the client has the type, else the installation's.
QString companion(const QString &field)
{
    static const QHash<QString, QString> expr = {
        {QStringLiteral("NMTIPOCONS"), QStringLiteral("COALESCE(TCC.NMTIPOCONSCLI, TC.NMTIPOCONS)")},
        {QStringLiteral("NMCCUSCLIE"), QStringLiteral("CC.NMCCUSCLIE")},
        {QStringLiteral("NMRAZSOCVEN"), QStringLiteral("V.NMRAZSOCVEN")},
        {QStringLiteral("NMPAIS"), QStringLiteral("P.NMPAIS")},
        {QStringLiteral("NMMUNICIPIO"), QStringLiteral("M.NMMUNICIPIO")},
        {QStringLiteral("NMBAIRRO"), QStringLiteral("B.NMBAIRRO")},
        {QStringLiteral("NMCONSVINCULO"), QStringLiteral("CV.NMCONSUMIDOR")},
    };
    return expr.value(field);
}

} // namespace

QString consumersOfClient()
{
    QStringList cols;
    for (const ConsumerRecord::FieldInfo &f : ConsumerRecord::fields())
        cols.append(ConsumerRecord::isCompanion(f.def.name) ? companion(f.def.name) : QStringLiteral("C.") + f.def.name);
    return QStringLiteral(
               "SELECT %1\n"
               "FROM CONSUMIDOR C\n"
               "LEFT JOIN TIPOCONS TC ON TC.CDTIPOCONS = C.CDTIPOCONS\n"
               "LEFT JOIN TIPOCONSCLI TCC ON TCC.CDCLIENTE = C.CDCLIENTE AND TCC.CDTIPOCONS = C.CDTIPOCONS\n"
               "LEFT JOIN CCUSCLIE CC ON CC.CDCLIENTE = C.CDCLIENTE AND CC.CDCCUSCLIE = C.CDCCUSCLIE\n"
               "LEFT JOIN VENDEDOR V ON V.CDVENDEDOR = C.CDVENDEDOR\n"
               "LEFT JOIN PAIS P ON P.CDPAIS = C.CDPAIS\n"
               "LEFT JOIN MUNICIPIO M ON M.CDPAIS = C.CDPAIS AND M.SGESTADO = C.SGESTADO AND M.CDMUNICIPIO = C.CDMUNICIPIO\n"
               "LEFT JOIN BAIRRO B ON B.CDPAIS = C.CDPAIS AND B.SGESTADO = C.SGESTADO AND B.CDMUNICIPIO = C.CDMUNICIPIO "
               "AND B.CDBAIRRO = C.CDBAIRRO\n"
               "LEFT JOIN CONSUMIDOR CV ON CV.CDCLIENTE = C.CDCLIENTE AND CV.CDCONSUMIDOR = C.CDCONSVINCULO\n"
               "WHERE C.CDCLIENTE = :P_CDCLIENTE")
        .arg(cols.join(QStringLiteral(", ")));
}

QString consumerOrder()
{
    return QStringLiteral(" ORDER BY C.CDCONSUMIDOR");
}

QString branchesOfClient()
{
    return QStringLiteral("SELECT CF.CDFILIAL, F.NMFILIAL FROM CLIENFILIAL CF JOIN FILIAL F ON F.CDFILIAL = CF.CDFILIAL "
                          "WHERE CF.CDCLIENTE = :P_CDCLIENTE AND (:P_TCDFILIAL = 'T' OR CF.CDFILIAL = :P_CDFILIAL) "
                          "ORDER BY CF.CDFILIAL");
}

QString holdersOfSiteCode()
{
    // The first term lets the database use the index of the codes, which leaves out the consumers
    // without one; a consumer without a code never holds one anyway.
    return QStringLiteral(
        "SELECT C.NMLOGINCONS, C.NMCONSUMIDOR, C.CDCONSUMIDOR, C.CDCLIENTE, CL.NMFANTCLIE FROM CONSUMIDOR C "
        "LEFT JOIN CLIENTE CL ON CL.CDCLIENTE = C.CDCLIENTE "
        "WHERE C.NMLOGINCONS IS NOT NULL AND UPPER(TRIM(C.NMLOGINCONS)) = UPPER(:P_NMLOGINCONS) "
        "AND NOT (:P_TEMCLIENTE = 'S' AND C.CDCONSUMIDOR = :P_CDCONSUMIDOR AND COALESCE(CL.NRINSJURCLIE, '') = "
        ":P_NRINSJURCLIE) "
        "ORDER BY C.CDCLIENTE, C.CDCONSUMIDOR");
}

} // namespace cns::ConsumerQueries
