#pragma once

#include "Packet.h"
#include "Value.h"

#include <QString>
#include <QStringList>
#include <functional>

class ConsumerLookups;
class QObject;
class TMessages;
class TNetConnection;
namespace cns {
class DataSet;
class Field;
}

// What the consumer rules work on: the screen's packets, its queries, message table and server
// connection, and how a failure is shown (the tab brought forward and the control of a field
// focused). The rules need no window: a test gives the packets and a focus callback of its own.
class ConsumerRuleContext
{
public:
    ConsumerRuleContext(cns::DataSet &consumers, cns::DataSet &clients, cns::DataSet &consumerBranches,
                        ConsumerLookups &lookups, const TMessages &messages);

    cns::DataSet &consumers;        // cdsConsumidor, on the consumer the rules test
    cns::DataSet &clients;          // cdsCliente, on the current client
    cns::DataSet &consumerBranches; // cdsConsFilial
    ConsumerLookups &lookups;
    const TMessages &msg;

    std::function<TNetConnection &()> net;
    QString workingBranch = QStringLiteral("T"); // the processing branch when working per branch, else "T"
    QString processingBranch;                    // FiliProc(), for the consumer-type levels
    std::function<QString()> clientFieldText;    // medCdCliente as shown
    std::function<QString()> cpfDigits;          // medCPF without its mask
    std::function<void(const QString &tab, const QString &field)> focus; // brings the tab, focuses the field's control
    QObject *busyForm = nullptr;

    cns::Field &field(QStringView name) const; // of the consumer record
    QString text(QStringView name) const;
    QString clientCode() const;
    QString consumerCode() const;
    bool editing() const;   // the consumer record is being edited or inserted
    bool inserting() const;

    // Brings the tab forward, focuses the field's control, shows the text of key and aborts.
    [[noreturn]] void fail(const QString &tab, const QString &field, const QString &key, const QStringList &args = {}) const;
    // Calls a method of the consumer module behind the busy indicator and returns its first packet.
    cns::Packet fetch(const QString &method, const QList<cns::Value> &args, int busyKind = 0) const;
};
