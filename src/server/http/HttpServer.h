#pragma once

#include "CallMemory.h"

#include <QHostAddress>
#include <QObject>
#include <QThreadPool>
#include <memory>

namespace cns {

class CallTarget;
class HttpListener;

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
        qint64 maxBody = kDefaultMaxBody;    // bytes
        int workers = 0;                     // 0: twice the cores, at least 4
        int idleTimeoutMs = 120000;          // a kept-alive connection idle this long is closed
        int headTimeoutMs = 10000;           // from a request's first byte to the end of its head
        int minBodyBytesPerSecond = 64 * 1024; // the slowest a body may come, after that time
        int listenBacklog = 1024;            // connections the system queues before they are accepted
    };
    // About twice the body of a 200,000-line import's confirmation (69 MB), the largest call of the system.
    static constexpr qint64 kDefaultMaxBody = qint64(128) << 20;

    HttpServer(CallTarget &target, Options options, QObject *parent = nullptr);
    ~HttpServer() override;

    // Starts listening; false with the reason in error when it cannot. A non-loopback address
    // without a token is refused.
    bool listen(QString *error);
    quint16 port() const;
    const Options &options() const { return m_options; }
    CallTarget &target() { return m_target; }
    QThreadPool &pool() { return m_pool; }
    CallMemory &calls() { return m_calls; }

private:

    CallTarget &m_target;
    Options m_options;
    std::unique_ptr<HttpListener> m_server;
    QThreadPool m_pool;
    CallMemory m_calls;
};

} // namespace cns
