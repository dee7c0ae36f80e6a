#include "ReportMethods.h"

#include "ConsumerSelection.h"
#include "DbSession.h"
#include "MethodCall.h"
#include "ServerMethodHelpers.h"
#include "SqlDialect.h"

namespace cns::ReportMethods {

namespace {

using ServerMethodHelpers::packetReply;
using ServerMethodHelpers::text;
using ServerMethodHelpers::textField;

// A list and its "all" flag as the report screen sends them: "T" all; otherwise the list text,
// which selects nothing when it names nothing.
ConsumerSelection::Filter filterOf(const MethodCall &call, int list)
{
    if (call.text(list + 1).trimmed() == u"T")
        return {};
    return {false, call.text(list)};
}

// The consumers of the listed clients (arguments 0 and 1) holding the listed consumer types
// (arguments 2 and 3: plain type codes, as the report screen's type list keys them), among the
// clients associated with the branch (argument 4), by name. CODIGO names the client and the
// consumer (ConsumerSelection::key), as the consumer filter of the report's query tests it.
Value getConsumidorFilial(MethodCall &call)
{
    ConsumerSelection selection(call.db().dialect(), QStringLiteral("C"));
    selection.setClients(filterOf(call, 0));
    selection.setBranch(call.text(4));
    const ConsumerSelection::Filter types = filterOf(call, 2);
    QHash<QString, Value> params = selection.params();
    params.insert(QStringLiteral("P_TTIPOLISTA"), Value(types.all ? QStringLiteral("T") : QString()));
    params.insert(QStringLiteral("P_LTIPOLISTA"), Value(types.list));
    const QString typeMember = call.db().dialect().textPosition.arg(QStringLiteral(":P_LTIPOLISTA"),
                                                                    QStringLiteral("'_' || C.CDTIPOCONS || '_'"));
    const QString sql = QStringLiteral("SELECT 'N' AS IDMARCADO, C.CDCONSUMIDOR, C.NMCONSUMIDOR, %1 AS CODIGO "
                                       "FROM CONSUMIDOR C WHERE %2 AND (:P_TTIPOLISTA = 'T' OR %3 > 0) "
                                       "ORDER BY C.NMCONSUMIDOR, C.CDCLIENTE, C.CDCONSUMIDOR")
                            .arg(ConsumerSelection::key(QStringLiteral("C.CDCLIENTE"), QStringLiteral("C.CDCONSUMIDOR"),
                                                        ConsumerSelection::kConsumerWidth),
                                 selection.condition(), typeMember);
    return packetReply(call.db().select(sql, params,
                                        {{QStringLiteral("IDMARCADO"), FieldType::FixedChar, 1},
                                         textField("CDCONSUMIDOR", 21),
                                         textField("NMCONSUMIDOR", 50),
                                         textField("CODIGO", 42)}));
}

} // namespace

QList<RemoteMethod> methods()
{
    return {
        {QStringLiteral("getConsumidorFilial"),
         {text("clientes"), text("todos os clientes"), text("tipos de consumidor"), text("todos os tipos"),
          text("filial")},
         false,
         getConsumidorFilial},
    };
}

} // namespace cns::ReportMethods
