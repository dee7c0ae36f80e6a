#include "RdmConsumidor.h"

#include "AnonymisationMethods.h"
#include "AutoChangeMethods.h"
#include "ChangeSetWriter.h"
#include "Consiste.h"
#include "ConsumerAddressMethods.h"
#include "ConsumerBadgeMethods.h"
#include "ConsumerBranchMethods.h"
#include "ConsumerCheckMethods.h"
#include "ConsumerHistoryMethods.h"
#include "ConsumerLinkMethods.h"
#include "ConsumerQueries.h"
#include "ConsumerRecord.h"
#include "ConsumerWriteMethods.h"
#include "DbSession.h"
#include "Schema.h"
#include "EErro.h"
#include "MethodCall.h"
#include "ReportMethods.h"

namespace cns::RdmConsumidor {

namespace {

using Kind = RemoteMethod::Kind;

RemoteMethod::Arg text(const char *name)
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

// The client's branches (argument 0) as seen from the working branch (argument 1; "T": all of them).
Packet branchesOf(MethodCall &call)
{
    return call.db().select(ConsumerQueries::branchesOfClient(),
                            branchFilter(call.text(1), {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}}),
                            ConsumerRecord::branchFieldDefs());
}

// All consumers of the client (the working branch does not narrow them: a consumer just created has
// no branch yet and must still be seen), in consumer code order, and the client's branches as seen
// from the working branch ("T": all of them).
Value getPrincipal(MethodCall &call)
{
    const QHash<QString, Value> client = {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}};
    const Packet consumers = call.db().select(ConsumerQueries::consumersOfClient() + ConsumerQueries::consumerOrder(), client,
                                              ConsumerRecord::fieldDefs());
    return list({Value(consumers), Value(branchesOf(call))});
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
    const QString &like = call.db().dialect().caseInsensitiveLike;
    const QString matches = QStringLiteral(" AND (%1 OR %2)").arg(like.arg(QStringLiteral("C.NMCONSUMIDOR"), QStringLiteral(":P_NOME")),
                                                                  like.arg(QStringLiteral("C.CDIDCONSUMID"), QStringLiteral(":P_CRACHA")));
    // The chunk starts at the code in its first position, found over the codes alone; the chunk is
    // then read as a range from there, so that a far chunk does not pay the joins of the rows it skips.
    QString sql = ConsumerQueries::consumersOfClient() + matches;
    if (start > 1) {
        const Packet first = call.db().select(QStringLiteral("SELECT C.CDCONSUMIDOR FROM CONSUMIDOR C WHERE C.CDCLIENTE = :P_CDCLIENTE")
                                                  + matches + ConsumerQueries::consumerOrder()
                                                  + QStringLiteral(" LIMIT 1 OFFSET :P_SALTO"),
                                              params, {{QStringLiteral("CDCONSUMIDOR"), FieldType::String, 21}});
        if (first.rowCount() == 0)
            return list({Value(Packet(ConsumerRecord::fieldDefs())), Value(branchesOf(call))});
        params.insert(QStringLiteral("P_DESDE"), first.value(0, 0));
        sql += QStringLiteral(" AND C.CDCONSUMIDOR >= :P_DESDE");
    }
    sql += ConsumerQueries::consumerOrder() + QStringLiteral(" LIMIT :P_QTDE");
    const Packet consumers = call.db().select(sql, params, ConsumerRecord::fieldDefs());
    return list({Value(consumers), Value(branchesOf(call))});
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

// The consumers carrying a badge, with their clients. The badge is compared without regard to
// letter case or surrounding blanks, as stored. Scope "C": the clients with the registration number
// the consumer screen shows (any punctuation ignored; several clients may share it); "F": the
// clients associated with the branch given; "T" (or anything else): every client. Ordered by
// registration number and consumer code.
Value getCliCons(MethodCall &call)
{
    const QString scope = call.text(1).trimmed().toUpper();
    QString where = QStringLiteral("UPPER(C.CDIDCONSUMID) = UPPER(:P_CRACHA)");
    QHash<QString, Value> params = {{QStringLiteral("P_CRACHA"), Value(call.text(0).trimmed())}};
    if (scope == u"C") {
        where += QStringLiteral(" AND CL.NRINSJURCLIE = :P_NRINSJURCLIE");
        params.insert(QStringLiteral("P_NRINSJURCLIE"), Value(Consiste::Ajusta_Inscricao(call.text(2))));
    } else if (scope == u"F") {
        where += QStringLiteral(" AND EXISTS (SELECT 1 FROM CLIENFILIAL CF WHERE CF.CDCLIENTE = C.CDCLIENTE AND CF.CDFILIAL = :P_CDFILIAL)");
        params.insert(QStringLiteral("P_CDFILIAL"), Value(call.text(3).trimmed()));
    }
    const QString sql = QStringLiteral(
                            "SELECT CL.NRINSJURCLIE, CL.NMRAZSOCCLIE, CL.NMFANTCLIE, C.CDCONSUMIDOR, C.NMCONSUMIDOR, C.CDIDCONSUMID, "
                            "C.IDSITCONSUMI FROM CONSUMIDOR C JOIN CLIENTE CL ON CL.CDCLIENTE = C.CDCLIENTE WHERE %1 "
                            "ORDER BY CL.NRINSJURCLIE, C.CDCLIENTE, C.CDCONSUMIDOR")
                            .arg(where);
    const QList<FieldDef> fields = {{QStringLiteral("NRINSJURCLIE"), FieldType::String, 20},
                                    {QStringLiteral("NMRAZSOCCLIE"), FieldType::String, 50},
                                    {QStringLiteral("NMFANTCLIE"), FieldType::String, 50},
                                    {QStringLiteral("CDCONSUMIDOR"), FieldType::String, 21},
                                    {QStringLiteral("NMCONSUMIDOR"), FieldType::String, 50},
                                    {QStringLiteral("CDIDCONSUMID"), FieldType::String, 21},
                                    {QStringLiteral("IDSITCONSUMI"), FieldType::String, 1}};
    return list({Value(call.db().select(sql, params, fields))});
}

QList<FieldDef> externalCodeFields()
{
    return {{QStringLiteral("CDFILIAL"), FieldType::String, 4},
            {QStringLiteral("CDCLIENTE"), FieldType::String, 21},
            {QStringLiteral("CDEXCLIENTEIMP"), FieldType::String, 21}};
}

// The external codes of a client: at every branch when the branch is "T", else at that branch only.
// Ordered by branch and code.
Value getCodExterno(MethodCall &call)
{
    const QString sql = QStringLiteral("SELECT CDFILIAL, CDCLIENTE, CDEXCLIENTEIMP FROM CODEXTERNOIMP "
                                       "WHERE CDCLIENTE = :P_CDCLIENTE AND (:P_TCDFILIAL = 'T' OR CDFILIAL = :P_CDFILIAL) "
                                       "ORDER BY CDFILIAL, CDEXCLIENTEIMP");
    return list({Value(call.db().select(sql, branchFilter(call.text(0), {{QStringLiteral("P_CDCLIENTE"), Value(call.text(1))}}),
                                        externalCodeFields()))});
}

// Stores the changes of a client's external codes in one transaction. Every new or changed row must
// name an existing branch and a code, and a client's pair of branch and code is unique (the same
// code may stand at several branches); a row changed meanwhile by another operator is refused.
Value setCodExterno(MethodCall &call)
{
    const ChangeSet &changes = call.changes(0);
    const int branch = changes.indexOf(u"CDFILIAL"), client = changes.indexOf(u"CDCLIENTE"), code = changes.indexOf(u"CDEXCLIENTEIMP");
    if (branch < 0 || client < 0 || code < 0)
        throw EErro(QStringLiteral("setCodExterno: faltam campos de CODEXTERNOIMP nas alterações."));
    for (const ChangeSet::Change &c : changes.changes()) {
        if (c.op == ChangeSet::Op::Delete)
            continue;
        const QString f = c.newRow.value(branch).toString().trimmed();
        const QString k = c.newRow.value(code).toString().trimmed();
        if (f.isEmpty())
            throw EErro(QStringLiteral("Filial deve ser informada."));
        if (k.isEmpty())
            throw EErro(QStringLiteral("Código externo deve ser informado."));
        if (call.db().count(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = :F"), {{QStringLiteral("F"), Value(f)}}) == 0)
            throw EErro(QStringLiteral("Filial %1 não cadastrada.").arg(f));
    }
    ChangeSetWriter writer(call.db(), Schema::table(u"CODEXTERNOIMP"));
    try {
        writer.apply(changes);
    } catch (const EErro &e) {
        if (e.message().startsWith(QStringLiteral("Já existe")))
            throw EErro(QStringLiteral("Código externo já cadastrado para esta filial."));
        throw;
    }
    return Value(true);
}

} // namespace

QString moduleName()
{
    return QStringLiteral("Cns72200.rdmConsumidor");
}

QList<RemoteMethod> methods()
{
    QList<RemoteMethod> all = {
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
        {QStringLiteral("getCliCons"), {text("crachá"), text("abrangência"), text("cliente"), text("filial")}, false, getCliCons},
        {QStringLiteral("getCodExterno"), {text("filial"), text("cliente")}, false, getCodExterno},
        {QStringLiteral("setCodExterno"), {{QStringLiteral("alterações"), Kind::ChangeSet}}, true, setCodExterno},
    };
    all += ConsumerCheckMethods::methods();
    all += ConsumerBadgeMethods::methods();
    all += ConsumerWriteMethods::methods();
    all += ConsumerAddressMethods::methods();
    all += ConsumerBranchMethods::methods();
    all += AutoChangeMethods::methods();
    all += ConsumerLinkMethods::methods();
    all += AnonymisationMethods::methods();
    all += ReportMethods::methods();
    all += ConsumerHistoryMethods::methods();
    return all;
}

} // namespace cns::RdmConsumidor
