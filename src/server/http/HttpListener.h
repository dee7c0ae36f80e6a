#pragma once

#include <QTcpServer>

namespace cns {

// The listening socket, handing each accepted connection's descriptor on as it is, since the
// server reads and writes its connections itself (HttpSocket says why).
class HttpListener : public QTcpServer
{
    Q_OBJECT

public:
    using QTcpServer::QTcpServer;

signals:
    void accepted(qintptr descriptor);

protected:
    void incomingConnection(qintptr descriptor) override { emit accepted(descriptor); }
};

} // namespace cns
