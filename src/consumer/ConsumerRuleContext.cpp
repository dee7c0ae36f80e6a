#include "ConsumerRuleContext.h"

#include "Consiste.h"
#include "DataSet.h"
#include "Showavi.h"
#include "TMessages.h"
#include "TNetConnection.h"

ConsumerRuleContext::ConsumerRuleContext(cns::DataSet &consumers, cns::DataSet &clients, cns::DataSet &consumerBranches,
                                         ConsumerLookups &lookups, const TMessages &messages)
    : consumers(consumers), clients(clients), consumerBranches(consumerBranches), lookups(lookups), msg(messages)
{
}

cns::Field &ConsumerRuleContext::field(QStringView name) const
{
    return consumers.FieldByName(name);
}

QString ConsumerRuleContext::text(QStringView name) const
{
    return consumers.FieldByName(name).AsString();
}

QString ConsumerRuleContext::clientCode() const
{
    return clients.Active() && !clients.IsEmpty() ? clients.FieldByName(u"CDCLIENTE").AsString() : QString();
}

QString ConsumerRuleContext::consumerCode() const
{
    return text(u"CDCONSUMIDOR");
}

bool ConsumerRuleContext::editing() const
{
    return consumers.State() == cns::DataSetState::Edit || inserting();
}

bool ConsumerRuleContext::inserting() const
{
    return consumers.State() == cns::DataSetState::Insert;
}

void ConsumerRuleContext::fail(const QString &tab, const QString &fieldName, const QString &key, const QStringList &args) const
{
    if (focus)
        focus(tab, fieldName);
    Consiste::MensErroAbort(msg.Msg(key, args));
}

cns::Packet ConsumerRuleContext::fetch(const QString &method, const QList<cns::Value> &args, int busyKind) const
{
    cns::Value reply;
    {
        const Showavi::Scope busy(busyForm, busyKind);
        reply = net().Call(method, args);
    }
    return Consiste::CheckResultServ(reply, true, 1).at(0).toPacket();
}
