#pragma once

#include "CallOrigin.h"

#include <QByteArray>
#include <QString>
#include <memory>

class QTcpSocket;

namespace cns {

// A blocking HTTP/1.1 client for one server, keeping its connection alive between requests. It runs
// on the calling thread and needs no event loop. Failures raise EErro naming the address.
class HttpClient
{
public:
    struct Response
    {
        int status = 0;
        QByteArray contentType;
        QByteArray body;
    };

    HttpClient(QString host, int port);
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    void setTimeouts(int connectMs, int replyMs)
    {
        m_connectTimeoutMs = connectMs;
        m_replyTimeoutMs = replyMs;
    }
    void setBearerToken(const QString &token) { m_token = token.toUtf8(); }

    void connectToServer();
    void disconnectFromServer();
    bool isConnected() const;

    // The origin goes in the headers X-Cns-Operador and X-Cns-Filial, percent-encoded UTF-8, so that
    // no code of an operator can break the request's head.
    Response post(const QByteArray &path, const QByteArray &contentType, const QByteArray &body, const CallOrigin &origin = {});

    QString address() const { return m_host + u':' + QString::number(m_port); }

private:
    // Sends the request and reads the reply on the current connection; false when the connection
    // dropped before the whole reply came (a kept-alive connection the server had closed, or a
    // network fault), so that the caller may send again on a new one.
    bool exchange(const QByteArray &request, Response *response);
    bool readLine(QByteArray *line, qint64 deadline);
    // More of the reply into m_buffer; false when the connection ended with nothing more.
    bool receive(qint64 deadline);
    bool readExactly(qint64 n, QByteArray *out, qint64 deadline);
    [[noreturn]] void fail(const QString &what);

    QString m_host;
    int m_port;
    QByteArray m_token;
    int m_connectTimeoutMs = 5000;
    int m_replyTimeoutMs = 300000;
    std::unique_ptr<QTcpSocket> m_socket;
    QByteArray m_buffer;
};

} // namespace cns
