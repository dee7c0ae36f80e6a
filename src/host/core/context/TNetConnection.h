#pragma once

#include "CallTarget.h"
#include "Value.h"

#include <QList>
#include <QString>
#include <memory>

namespace cns {
class HttpClient;
}

// A screen's connection to the application server. Just before it connects it takes the host and
// port from the context (Corvane::WebURL, WebPort): an empty host means the server that runs inside
// the host (the dispatcher registered with setInProcessTarget), otherwise HTTP with keep-alive.
// Call sends a method by name with positional arguments, on behalf of the context's operator and
// processing branch (the X-Cns-Operador and X-Cns-Filial headers over HTTP), and returns the reply as it came (an
// error reply is an error value, which Consiste::CheckResultServ raises). A server that cannot be
// reached, refuses the connection or does not answer in time raises EErro naming its address.
class TNetConnection
{
public:
    explicit TNetConnection(QString serverName = QStringLiteral("Cns72200.rdmConsumidor"));
    ~TNetConnection();
    TNetConnection(const TNetConnection &) = delete;
    TNetConnection &operator=(const TNetConnection &) = delete;

    QString ServerName; // the remote data module Call addresses
    QString Host;       // as last taken from the context
    int Port = 0;
    int ConnectTimeoutMs = 5000;
    int ReplyTimeoutMs = 300000;

    void Open();
    void Close();
    bool Connected() const;

    cns::Value Call(const QString &method, const QList<cns::Value> &args = {});
    cns::Value Call(const QString &module, const QString &method, const QList<cns::Value> &args);

    // The operator and processing branch of the host's context, which every call carries.
    static cns::CallOrigin origin();

    static void setInProcessTarget(cns::CallTarget *target);
    static cns::CallTarget *inProcessTarget();

private:
    bool m_open = false;
    std::unique_ptr<cns::HttpClient> m_http;
};
