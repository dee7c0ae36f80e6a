#include "ConsumerBadgeMethods.h"

#include "BadgeKey.h"
#include "DbSession.h"
#include "MethodCall.h"
#include "ServerMethodHelpers.h"

namespace cns::ConsumerBadgeMethods {

namespace {

using ServerMethodHelpers::packetReply;
using ServerMethodHelpers::text;
using ServerMethodHelpers::textField;

// The active consumers, anywhere in the database, whose own comparison key is the key given,
// leaving out the consumer itself (client and code: codes repeat across clients). Both candidate
// badges are equality values on the indexed UPPER(CDIDCONSUMID); each row then keeps only the one
// that its client's check digit flag allows.
Packet sameBadge(MethodCall &call, const QString &extraColumn, QList<FieldDef> fields)
{
    const BadgeKey key(call.text(0));
    if (key.isEmpty())
        return Packet(std::move(fields));
    const QHash<QString, Value> params = {
        {QStringLiteral("P_CHAVE"), Value(key.plainBadge())},
        {QStringLiteral("P_CRACHADV"), Value(key.checkDigitBadge())},
        {QStringLiteral("P_DVCONFERE"), Value(key.fitsCheckDigit() ? QStringLiteral("S") : QStringLiteral("N"))},
        {QStringLiteral("P_CDCONSUMIDOR"), Value(call.text(1))},
        {QStringLiteral("P_CDCLIENTE"), Value(call.text(2))},
    };
    const QString sql
        = QStringLiteral(
              "SELECT C.CDCLIENTE, C.CDCONSUMIDOR, C.NMCONSUMIDOR%1 FROM CONSUMIDOR C "
              "LEFT JOIN CLIENTE CL ON CL.CDCLIENTE = C.CDCLIENTE "
              "WHERE UPPER(C.CDIDCONSUMID) IN (UPPER(:P_CHAVE), UPPER(:P_CRACHADV)) AND C.IDSITCONSUMI = '1' "
              "AND NOT (C.CDCLIENTE = :P_CDCLIENTE AND C.CDCONSUMIDOR = :P_CDCONSUMIDOR) "
              "AND ((COALESCE(CL.IDCALCDVCLIE, '') <> '2' AND UPPER(C.CDIDCONSUMID) = UPPER(:P_CHAVE)) "
              "OR (CL.IDCALCDVCLIE = '2' AND :P_DVCONFERE = 'S' AND UPPER(C.CDIDCONSUMID) = UPPER(:P_CRACHADV))) "
              "ORDER BY C.CDCLIENTE, C.CDCONSUMIDOR")
              .arg(extraColumn);
    return call.db().select(sql, params, fields);
}

QList<FieldDef> consumerFields()
{
    return {textField("CDCLIENTE", 21), textField("CDCONSUMIDOR", 21), textField("NMCONSUMIDOR", 50)};
}

// The consumers with the same badge, each with the installation's flag that makes badges unique in
// the whole database.
Value getIdentIgual(MethodCall &call)
{
    QList<FieldDef> fields = consumerFields();
    fields.append(textField("IDBLOQCDIDCONS", 1));
    return packetReply(sameBadge(
        call, QStringLiteral(", (SELECT PV.IDBLOQCDIDCONS FROM PARAVEND PV ORDER BY PV.NRPARAVEND LIMIT 1)"), fields));
}

Value getCrachaIgual(MethodCall &call)
{
    return packetReply(sameBadge(call, QString(), consumerFields()));
}

// The branches of a consumer; "T" or an empty branch: all of them, else only that one.
Packet branchesOf(MethodCall &call, const QString &client, const QString &consumer, const QString &branch)
{
    const bool all = branch.trimmed().isEmpty() || branch == u"T";
    const QHash<QString, Value> params = {
        {QStringLiteral("P_CDCLIENTE"), Value(client)},
        {QStringLiteral("P_CDCONSUMIDOR"), Value(consumer)},
        {QStringLiteral("P_TCDFILIAL"), Value(all ? QStringLiteral("T") : QString())},
        {QStringLiteral("P_CDFILIAL"), Value(branch)},
    };
    return call.db().select(
        QStringLiteral("SELECT CDFILIAL FROM CONSUMIFILIAL WHERE CDCLIENTE = :P_CDCLIENTE "
                       "AND CDCONSUMIDOR = :P_CDCONSUMIDOR AND (:P_TCDFILIAL = 'T' OR CDFILIAL = :P_CDFILIAL) "
                       "ORDER BY CDFILIAL"),
        params, {textField("CDFILIAL", 4)});
}

// Note the order of the arguments: consumer first.
Value getVdCrachaFilial(MethodCall &call)
{
    return packetReply(branchesOf(call, call.text(1), call.text(0), QString()));
}

Value getVdConsFilial(MethodCall &call)
{
    return packetReply(branchesOf(call, call.text(0), call.text(1), call.text(2)));
}

} // namespace

QList<RemoteMethod> methods()
{
    // getIdentIgual takes the client as well: excluding the current consumer by its code alone
    // would hide a clash with another client's consumer of the same code.
    return {
        {QStringLiteral("getIdentIgual"),
         {text("chave do crachá"), text("consumidor"), text("cliente")},
         false,
         getIdentIgual},
        {QStringLiteral("getCrachaIgual"),
         {text("chave do crachá"), text("consumidor"), text("cliente")},
         false,
         getCrachaIgual},
        {QStringLiteral("getVdCrachaFilial"), {text("consumidor"), text("cliente")}, false, getVdCrachaFilial},
        {QStringLiteral("getVdConsFilial"),
         {text("cliente"), text("consumidor"), text("filial")},
         false,
         getVdConsFilial},
    };
}

} // namespace cns::ConsumerBadgeMethods
