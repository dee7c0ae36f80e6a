#include "ConsumerCheckMethods.h"

#include "Consiste.h"
#include "ConsumerLinks.h"
#include "ConsumerQueries.h"
#include "DbSession.h"
#include "MethodCall.h"
#include "ServerMethodHelpers.h"

namespace cns::ConsumerCheckMethods {

namespace {

using ServerMethodHelpers::packetReply;
using ServerMethodHelpers::text;
using ServerMethodHelpers::textField;

// The consumer with that code in that client, if there is one.
Value getPesqConsumidor(MethodCall &call)
{
    return packetReply(call.db().select(
        QStringLiteral("SELECT CDCLIENTE, CDCONSUMIDOR FROM CONSUMIDOR "
                       "WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR"),
        {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}, {QStringLiteral("P_CDCONSUMIDOR"), Value(call.text(1))}},
        {textField("CDCLIENTE", 21), textField("CDCONSUMIDOR", 21)}));
}

Value getConsuVinculados(MethodCall &call)
{
    return packetReply(ConsumerLinks::linkedTo(call.db(), call.text(0), call.text(1)));
}

// The consumers anywhere that hold the site access code (blanks around it and letter case ignored),
// leaving out the consumer being edited: the one with that code whose client has the registration
// number shown in the client field. A field without digits names no client, and nothing is left out.
Value getNomeSite(MethodCall &call)
{
    const QList<FieldDef> fields
        = {textField("NMLOGINCONS", 200), textField("NMCONSUMIDOR", 50), textField("CDCONSUMIDOR", 21),
           textField("CDCLIENTE", 21), textField("NMFANTCLIE", 50)};
    const QString login = call.text(0).trimmed();
    if (login.isEmpty())
        return packetReply(Packet(fields));
    const QString registration = Consiste::Ajusta_Inscricao(call.text(2));
    const QHash<QString, Value> params = {
        {QStringLiteral("P_NMLOGINCONS"), Value(login)},
        {QStringLiteral("P_CDCONSUMIDOR"), Value(call.text(1))},
        {QStringLiteral("P_NRINSJURCLIE"), Value(registration)},
        {QStringLiteral("P_TEMCLIENTE"), Value(registration.isEmpty() ? QStringLiteral("N") : QStringLiteral("S"))},
    };
    return packetReply(call.db().select(ConsumerQueries::holdersOfSiteCode(), params, fields));
}

Value getConsVinculo(MethodCall &call)
{
    return packetReply(ConsumerLinks::mainCandidates(call.db(), call.text(0), call.text(1)));
}

// One row with the column "1" when the typed code is an acceptable main consumer; none otherwise.
Value getVdConsVinculo(MethodCall &call)
{
    Packet p({{QStringLiteral("1"), FieldType::Integer, 0}});
    if (ConsumerLinks::acceptsMain(call.db(), call.text(0), call.text(1), call.text(2)))
        p.addRow({Value(1)});
    return packetReply(std::move(p));
}

} // namespace

QList<RemoteMethod> methods()
{
    return {
        {QStringLiteral("getPesqConsumidor"), {text("cliente"), text("consumidor")}, false, getPesqConsumidor},
        {QStringLiteral("getConsuVinculados"), {text("cliente"), text("consumidor")}, false, getConsuVinculados},
        {QStringLiteral("getNomeSite"),
         {text("código de acesso"), text("consumidor"), text("cliente")},
         false,
         getNomeSite},
        {QStringLiteral("getConsVinculo"), {text("cliente"), text("consumidor")}, false, getConsVinculo},
        {QStringLiteral("getVdConsVinculo"),
         {text("cliente"), text("consumidor"), text("consumidor principal")},
         false,
         getVdConsVinculo},
    };
}

} // namespace cns::ConsumerCheckMethods
