#pragma once

#include "HttpRequestHead.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace cns {

class HttpServer;
class HttpSocket;

// One client connection of the HTTP transport: reads requests (HTTP/1.1 with keep-alive, one at a
// time), answers protocol errors itself, hands calls to the server's worker pool and writes their
// replies. What it holds of a client's bytes is bounded at every moment: a head of at most
// kMaxHead bytes, then the body its Content-Length announced (within the server's limit); bytes
// sent ahead wait in the network while a call runs. A head must arrive within the server's head
// time and a body at its minimum rate. It deletes itself when the connection ends, once no call of
// its own is still running.
class HttpConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kMaxHead = 64 * 1024;

    HttpConnection(qintptr descriptor, HttpServer &server);
    ~HttpConnection() override;

private:
    void process();
    bool readHead();
    void dispatch(QByteArray body);
    void runCall(QByteArray body);
    void finishCall(const QByteArray &reply);
    void reply(int status, const QByteArray &json, bool close = false, qint64 unreadBody = 0);
    void refuseBody(int status, const QString &text);
    void replyError(int status, const QString &text, bool close = false);
    void onDeadline();
    void onClosed();
    void waitForNextRequest();

    HttpSocket *m_socket;
    HttpServer &m_server;
    HttpRequestHead m_request;
    bool m_haveHead = false;
    bool m_busy = false;
    bool m_closing = false; // the reply under way is the last: no more requests are read
    bool m_closed = false;
    QTimer m_idle;     // between requests of a kept-alive connection
    QTimer m_deadline; // from a request's first byte to its last
};

} // namespace cns
