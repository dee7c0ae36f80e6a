#include "RdmConsumidor.h"

#include "ConsumerQueries.h"
#include "ConsumerRecord.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"

namespace cns::RdmConsumidor {

namespace {

using Kind = MethodSpec::Kind;

MethodSpec::Arg text(const char *name)
{
    return {QString::fromUtf8(name), Kind::Text};
}

QHash<QString, Value> branchFilter(const QString &branch, QHash<QString, Value> params = {})
{
    const bool all = branch.trimmed().isEmpty() || branch == u"T";
    params.insert(QStringLiteral("P_TCDFILIAL"), Value(all ? QStringLiteral("T") : QString()));
    params.insert(QStringLiteral("P_CDFILIAL"), Value(branch));
    return params;
}

Value list(std::initializer_list<Value> items)
{
    return Value(QList<Value>(items));
}

// Escapes the LIKE wildcards of an operator's text.
QString likeText(const QString &s)
{
    QString out;
    for (const QChar c : s) {
        if (c == u'\\' || c == u'%' || c == u'_')
            out.append(u'\\');
        out.append(c);
    }
    return out;
}

int position(const MethodCall &call, int arg, const char *what)
{
    bool ok = false;
    const int n = call.text(arg).trimmed().toInt(&ok);
    if (!ok || n < 1)
        throw EErro(QStringLiteral("%1: %2 \"%3\" não é uma posição válida.").arg(call.method(), QString::fromUtf8(what), call.text(arg)));
    return n;
}

// The sales parameters of the installation (one row of PARAVEND).
Value getParaVend(MethodCall &call)
{
    return list({Value(call.db().select(QStringLiteral("SELECT QTDIGCDIDCON, CDDIGCDIDCON, IDBLOQCDIDCONS FROM PARAVEND "
                                                       "ORDER BY NRPARAVEND"),
                                        {}, ConsumerRecord::salesParameterFieldDefs()))});
}

// Clients with the branches they are associated with, one row per client and branch. An empty
// branch flag keeps only the clients of the branch given; "T" lifts that filter, and then a client
// associated with no branch comes once, with an empty branch. The client flag works alike on the
// client code. Ordered by registration number, client code and branch, so that a number shared by
// several clients always resolves to the same first row.
Value getCliente(MethodCall &call)
{
    const QHash<QString, Value> params = {
        {QStringLiteral("P_CDFILIAL"), Value(call.text(0))},
        {QStringLiteral("P_TCDFILIAL"), Value(call.text(1))},
        {QStringLiteral("P_CDCLIENTE"), Value(call.text(2))},
        {QStringLiteral("P_TCDCLIENTE"), Value(call.text(3))},
    };
    const QString sql = QStringLiteral(
        "SELECT CL.CDCLIENTE, CL.NRINSJURCLIE, CL.IDTPIJURCLIE, CL.NMFANTCLIE, CL.IDCALCDVCLIE, CL.NMRAZSOCCLIE, CF.CDFILIAL "
        "FROM CLIENTE CL LEFT JOIN CLIENFILIAL CF ON CF.CDCLIENTE = CL.CDCLIENTE "
        "WHERE (:P_TCDFILIAL = 'T' OR CF.CDFILIAL = :P_CDFILIAL) AND (:P_TCDCLIENTE = 'T' OR CL.CDCLIENTE = :P_CDCLIENTE) "
        "ORDER BY CL.NRINSJURCLIE, CL.CDCLIENTE, CF.CDFILIAL");
    return list({Value(call.db().select(sql, params, ConsumerRecord::clientFieldDefs()))});
}

// The number of consumers of a client, whatever their branches or situation: the figure the screen
// compares with its one-call limit and counts its chunks against.
Value getCountConsumidor(MethodCall &call)
{
    return Value(call.db().count(QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE"),
                                 {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}}));
}

// All consumers of the client (the working branch does not narrow them: a consumer just created has
// no branch yet and must still be seen), in consumer code order, and the client's branches as seen
// from the working branch ("T": all of them).
Value getPrincipal(MethodCall &call)
{
    const QHash<QString, Value> client = {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}};
    const Packet consumers = call.db().select(ConsumerQueries::consumersOfClient() + ConsumerQueries::consumerOrder(), client,
                                              ConsumerRecord::fieldDefs());
    const Packet branches = call.db().select(ConsumerQueries::branchesOfClient(), branchFilter(call.text(1), client),
                                             ConsumerRecord::branchFieldDefs());
    return list({Value(consumers), Value(branches)});
}

// One chunk of a client's consumers: positions start to end (1-based, both included) of the
// consumers whose name begins with the filter or whose badge ends with it (letter case ignored),
// counted in the same order as getPrincipal. An empty filter selects every consumer.
Value getPrincipalMuitoReg(MethodCall &call)
{
    const int start = position(call, 2, "início");
    const int end = position(call, 3, "fim");
    if (end < start)
        throw EErro(QStringLiteral("%1: o fim (%2) vem antes do início (%3).").arg(call.method()).arg(end).arg(start));
    const QString filter = likeText(call.text(4).trimmed());
    QHash<QString, Value> params = {
        {QStringLiteral("P_CDCLIENTE"), Value(call.text(0))},
        {QStringLiteral("P_NOME"), Value(filter + u'%')},
        {QStringLiteral("P_CRACHA"), Value(u'%' + filter)},
        {QStringLiteral("P_QTDE"), Value(end - start + 1)},
        {QStringLiteral("P_SALTO"), Value(start - 1)},
    };
    const QString sql = ConsumerQueries::consumersOfClient()
        + QStringLiteral(" AND (UPPER(C.NMCONSUMIDOR) LIKE UPPER(:P_NOME) ESCAPE '\\' "
                         "OR UPPER(C.CDIDCONSUMID) LIKE UPPER(:P_CRACHA) ESCAPE '\\')")
        + ConsumerQueries::consumerOrder() + QStringLiteral(" LIMIT :P_QTDE OFFSET :P_SALTO");
    const Packet consumers = call.db().select(sql, params, ConsumerRecord::fieldDefs());
    const Packet branches = call.db().select(ConsumerQueries::branchesOfClient(),
                                             branchFilter(call.text(1), {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}}),
                                             ConsumerRecord::branchFieldDefs());
    return list({Value(consumers), Value(branches)});
}

// The branches a consumer is tied to, with their names, in branch order.
Value getConsFilial(MethodCall &call)
{
    const QString sql = QStringLiteral(
        "SELECT CO.CDFILIAL, F.NMFILIAL, CO.CDCLIENTE, CO.CDCONSUMIDOR FROM CONSUMIFILIAL CO "
        "LEFT JOIN FILIAL F ON F.CDFILIAL = CO.CDFILIAL "
        "WHERE CO.CDCLIENTE = :P_CDCLIENTE AND CO.CDCONSUMIDOR = :P_CDCONSUMIDOR ORDER BY CO.CDFILIAL");
    return list({Value(call.db().select(sql,
                                        {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))},
                                         {QStringLiteral("P_CDCONSUMIDOR"), Value(call.text(1))}},
                                        ConsumerRecord::consumerBranchFieldDefs()))});
}

// The further addresses of a consumer with the names of their country, municipality and district,
// in address number order.
Value getEndeCons(MethodCall &call)
{
    const QString sql = QStringLiteral(
        "SELECT E.CDCLIENTE, E.CDCONSUMIDOR, E.CDENDECONS, E.DSENDECONS, E.NRENDECONS, E.NRCEPCONS, P.NMPAIS, E.SGESTADO, "
        "M.NMMUNICIPIO, B.NMBAIRRO, E.DSCOMPLENDECONS, E.DSREFERENDECONS, E.NMQUADRANTECONS, E.CDMUNICIPIO, E.CDBAIRRO, "
        "E.CDPAIS FROM ENDECONS E "
        "LEFT JOIN PAIS P ON P.CDPAIS = E.CDPAIS "
        "LEFT JOIN MUNICIPIO M ON M.CDPAIS = E.CDPAIS AND M.SGESTADO = E.SGESTADO AND M.CDMUNICIPIO = E.CDMUNICIPIO "
        "LEFT JOIN BAIRRO B ON B.CDPAIS = E.CDPAIS AND B.SGESTADO = E.SGESTADO AND B.CDMUNICIPIO = E.CDMUNICIPIO "
        "AND B.CDBAIRRO = E.CDBAIRRO "
        "WHERE E.CDCLIENTE = :P_CDCLIENTE AND E.CDCONSUMIDOR = :P_CDCONSUMIDOR ORDER BY E.CDENDECONS");
    return list({Value(call.db().select(sql,
                                        {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))},
                                         {QStringLiteral("P_CDCONSUMIDOR"), Value(call.text(1))}},
                                        ConsumerRecord::addressFieldDefs()))});
}

} // namespace

QString moduleName()
{
    return QStringLiteral("Cns72200.rdmConsumidor");
}

QList<MethodSpec> methods()
{
    return {
        {QStringLiteral("getParaVend"), {}, false, getParaVend},
        {QStringLiteral("getCliente"),
         {text("filial"), text("todas as filiais"), text("cliente"), text("todos os clientes")},
         false,
         getCliente},
        {QStringLiteral("getCountConsumidor"), {text("cliente")}, false, getCountConsumidor},
        {QStringLiteral("getPrincipal"), {text("cliente"), text("filial")}, false, getPrincipal},
        {QStringLiteral("getPrincipalMuitoReg"),
         {text("cliente"), text("filial"), text("início"), text("fim"), text("filtro")},
         false,
         getPrincipalMuitoReg},
        {QStringLiteral("getConsFilial"), {text("cliente"), text("consumidor")}, false, getConsFilial},
        {QStringLiteral("getEndeCons"), {text("cliente"), text("consumidor")}, false, getEndeCons},
    };
}

} // namespace cns::RdmConsumidor
