#pragma once

#include <QHostAddress>
#include <QObject>
#include <QThreadPool>
#include <memory>

class QTcpServer;

namespace cns {

class CallTarget;

// The application server's HTTP transport: POST /call with a JSON envelope, GET /health. Sockets are
// read and written on the server's thread; each call runs on a worker of a pool, so calls of many
// clients run at once, each worker with its own database session. A body over the limit, a missing
// or wrong token, a malformed request and an unknown path each get a clear JSON error reply; the
// server keeps serving the others.
class HttpServer : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QHostAddress address = QHostAddress::LocalHost;
        quint16 port = 8211;
        QByteArray token;                    // required as "Authorization: Bearer <token>" when not empty
        qint64 maxBody = qint64(512) << 20;  // bytes
        int workers = 0;                     // 0: twice the cores, at least 4
        int idleTimeoutMs = 120000;          // a kept-alive connection idle this long is closed
    };

    HttpServer(CallTarget &target, Options options, QObject *parent = nullptr);
    ~HttpServer() override;

    // Starts listening; false with the reason in error when it cannot. A non-loopback address
    // without a token is refused.
    bool listen(QString *error);
    quint16 port() const;
    const Options &options() const { return m_options; }
    CallTarget &target() { return m_target; }
    QThreadPool &pool() { return m_pool; }

private:
    void onNewConnection();

    CallTarget &m_target;
    Options m_options;
    std::unique_ptr<QTcpServer> m_server;
    QThreadPool m_pool;
};

} // namespace cns
