#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace cns {

class HttpServer;

// One client connection of the HTTP transport: parses requests (HTTP/1.1 with keep-alive, one at a
// time), answers protocol errors itself, hands calls to the server's worker pool and writes their
// replies. It deletes itself when the client goes, once no call of its own is still running.
class HttpConnection : public QObject
{
    Q_OBJECT

public:
    HttpConnection(QTcpSocket *socket, HttpServer &server);
    ~HttpConnection() override;

private:
    struct Request
    {
        QByteArray method, path, version;
        qint64 length = -1;
        bool keepAlive = true;
        bool expectContinue = false;
        bool chunked = false;
        QByteArray authorization;
        QByteArray body;
    };

    void onReadyRead();
    void process();
    bool parseHead(qsizetype headEnd);
    void dispatch();
    void finishCall(QByteArray reply);
    void reply(int status, const QByteArray &json, bool close = false);
    void replyError(int status, const QString &text, bool close = false);
    void closeWhenIdle();
    void refuseBody(int status, const QString &text);
    bool authorized() const;

    QTcpSocket *m_socket;
    HttpServer &m_server;
    QByteArray m_buffer;
    Request m_request;
    bool m_haveHead = false;
    bool m_busy = false;
    bool m_closing = false;
    qint64 m_discard = 0; // bytes of a refused body still to drop before closing
    QTimer m_idle;
};

} // namespace cns
