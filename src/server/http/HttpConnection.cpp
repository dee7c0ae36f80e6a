#include "HttpConnection.h"

#include "CallTarget.h"
#include "EErro.h"
#include "HttpServer.h"
#include "JsonCodec.h"
#include "WireEnvelope.h"

#include <QCryptographicHash>
#include <QPointer>
#include <QTcpSocket>

namespace cns {

namespace {

constexpr qsizetype kMaxHead = 64 * 1024;

QByteArray statusText(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
    }
}

// Compares without leaking through timing how much of the token matched.
bool sameToken(const QByteArray &a, const QByteArray &b)
{
    const QByteArray ha = QCryptographicHash::hash(a, QCryptographicHash::Sha256);
    const QByteArray hb = QCryptographicHash::hash(b, QCryptographicHash::Sha256);
    unsigned char diff = 0;
    for (qsizetype i = 0; i < ha.size(); ++i)
        diff |= static_cast<unsigned char>(ha.at(i) ^ hb.at(i));
    return diff == 0;
}

} // namespace

HttpConnection::HttpConnection(QTcpSocket *socket, HttpServer &server) : QObject(&server), m_socket(socket), m_server(server)
{
    m_socket->setParent(this);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpConnection::closeWhenIdle);
    m_idle.setSingleShot(true);
    m_idle.setInterval(server.options().idleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, this, [this] { m_socket->disconnectFromHost(); });
    m_idle.start();
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::closeWhenIdle()
{
    m_closing = true;
    if (!m_busy)
        deleteLater();
}

void HttpConnection::onReadyRead()
{
    if (m_discard > 0) {
        m_discard -= m_socket->readAll().size();
        if (m_discard <= 0)
            m_socket->disconnectFromHost();
        return;
    }
    if (m_closing)
        return;
    m_buffer.append(m_socket->readAll());
    m_idle.start();
    process();
}

bool HttpConnection::authorized() const
{
    const QByteArray &token = m_server.options().token;
    if (token.isEmpty())
        return true;
    const QByteArray prefix = "Bearer ";
    return m_request.authorization.startsWith(prefix) && sameToken(m_request.authorization.mid(prefix.size()).trimmed(), token);
}

bool HttpConnection::parseHead(qsizetype headEnd)
{
    const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
    m_buffer.remove(0, headEnd + 4);
    m_request = Request();
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3) {
        replyError(400, QStringLiteral("Requisição HTTP mal formada."), true);
        return false;
    }
    m_request.method = first.at(0);
    m_request.path = first.at(1);
    m_request.version = first.at(2);
    if (!m_request.version.startsWith("HTTP/1.")) {
        replyError(505, QStringLiteral("Versão de HTTP não suportada."), true);
        return false;
    }
    m_request.keepAlive = m_request.version != "HTTP/1.0";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            m_request.length = value.toLongLong(&ok);
            if (!ok || m_request.length < 0) {
                replyError(400, QStringLiteral("Content-Length inválido."), true);
                return false;
            }
        } else if (name == "connection") {
            const QByteArray v = value.toLower();
            if (v.contains("close"))
                m_request.keepAlive = false;
            else if (v.contains("keep-alive"))
                m_request.keepAlive = true;
        } else if (name == "authorization") {
            m_request.authorization = value;
        } else if (name == "expect") {
            m_request.expectContinue = value.toLower() == "100-continue";
        } else if (name == "transfer-encoding") {
            m_request.chunked = true;
        }
    }
    return true;
}

void HttpConnection::process()
{
    while (!m_busy && !m_closing) {
        if (!m_haveHead) {
            const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
            if (headEnd < 0) {
                if (m_buffer.size() > kMaxHead)
                    replyError(431, QStringLiteral("Cabeçalho da requisição grande demais."), true);
                return;
            }
            if (!parseHead(headEnd))
                return;
            m_haveHead = true;
            if (!authorized()) {
                replyError(401, QStringLiteral("Acesso negado: token ausente ou inválido."), true);
                return;
            }
            if (m_request.chunked) {
                replyError(411, QStringLiteral("Envie o corpo com Content-Length."), true);
                return;
            }
            if (m_request.length > m_server.options().maxBody) {
                refuseBody(413, QStringLiteral("Requisição de %1 bytes excede o limite de %2 bytes do servidor.")
                                    .arg(m_request.length)
                                    .arg(m_server.options().maxBody));
                return;
            }
            if (m_request.expectContinue && m_request.length > 0)
                m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
        }
        const qint64 length = std::max<qint64>(m_request.length, 0);
        if (m_buffer.size() < length)
            return;
        m_request.body = m_buffer.left(length);
        m_buffer.remove(0, length);
        m_haveHead = false;
        dispatch();
    }
}

void HttpConnection::dispatch()
{
    if (m_request.path == "/health") {
        reply(200, WireEnvelope::encodeReply(Value(QStringLiteral("ok"))));
        return;
    }
    if (m_request.path != "/call") {
        replyError(404, QStringLiteral("Caminho %1 desconhecido; use POST /call.").arg(QString::fromLatin1(m_request.path.left(100))));
        return;
    }
    if (m_request.method != "POST") {
        replyError(405, QStringLiteral("Use POST em /call."));
        return;
    }
    m_busy = true;
    m_idle.stop();
    QPointer<HttpConnection> self(this);
    CallTarget *target = &m_server.target();
    QByteArray body = std::move(m_request.body);
    m_server.pool().start([self, target, body = std::move(body)] {
        QByteArray out;
        try {
            const WireEnvelope::Request req = WireEnvelope::decodeRequest(body);
            out = WireEnvelope::encodeReply(target->call(req.module, req.method, req.args));
        } catch (const EErro &e) {
            out = WireEnvelope::encodeReply(Value::error(e.message()));
        } catch (const std::exception &e) {
            out = WireEnvelope::encodeReply(Value::error(QStringLiteral("Erro interno no servidor de aplicação: %1").arg(QString::fromUtf8(e.what()))));
        }
        // The connection cannot go away while it is busy, so the pointer is still good here.
        QMetaObject::invokeMethod(self.data(), [self, out = std::move(out)]() mutable {
            if (self)
                self->finishCall(std::move(out));
        }, Qt::QueuedConnection);
    });
}

void HttpConnection::finishCall(QByteArray json)
{
    m_busy = false;
    if (m_closing) {
        deleteLater();
        return;
    }
    reply(200, json);
    m_idle.start();
    process(); // a request that arrived meanwhile
}

void HttpConnection::reply(int status, const QByteArray &json, bool close)
{
    const bool keep = m_request.keepAlive && !close;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText(status)
        + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " + QByteArray::number(json.size())
        + (keep ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
    m_socket->write(head);
    m_socket->write(json);
    if (!keep) {
        m_closing = true;
        m_socket->disconnectFromHost();
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            closeWhenIdle();
    }
}

// Answers before the body is read, then drops the body as it comes (for up to a few seconds), so that
// the client reads the answer instead of a reset connection.
void HttpConnection::refuseBody(int status, const QString &text)
{
    const QByteArray json = WireEnvelope::encodeReply(Value::error(text));
    m_socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText(status)
                    + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " + QByteArray::number(json.size())
                    + "\r\nConnection: close\r\n\r\n" + json);
    m_closing = true;
    m_discard = m_request.length - m_buffer.size();
    m_buffer.clear();
    if (m_discard <= 0) {
        m_socket->disconnectFromHost();
        return;
    }
    QTimer::singleShot(5000, this, [this] { m_socket->disconnectFromHost(); });
}

void HttpConnection::replyError(int status, const QString &text, bool close)
{
    reply(status, WireEnvelope::encodeReply(Value::error(text)), close);
}

} // namespace cns
