#include "HttpConnection.h"

#include "CallMemory.h"
#include "CallTarget.h"
#include "EErro.h"
#include "HttpServer.h"
#include "HttpSocket.h"
#include "WireEnvelope.h"

#include <QCryptographicHash>
#include <QPointer>

namespace cns {

namespace {

QByteArray statusText(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
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

bool authorized(const QByteArray &authorization, const QByteArray &token)
{
    if (token.isEmpty())
        return true;
    const QByteArray prefix = "Bearer ";
    return authorization.startsWith(prefix) && sameToken(authorization.mid(prefix.size()).trimmed(), token);
}

// Where the blank line ending a head starts, and its length; -1 while it has not come.
qsizetype headEnd(const QByteArray &in, qsizetype *separator)
{
    const qsizetype crlf = in.indexOf("\r\n\r\n");
    const qsizetype lf = in.indexOf("\n\n");
    if (lf >= 0 && (crlf < 0 || lf < crlf)) {
        *separator = 2;
        return lf;
    }
    *separator = 4;
    return crlf;
}

} // namespace

HttpConnection::HttpConnection(qintptr descriptor, HttpServer &server)
    : QObject(&server), m_socket(new HttpSocket(descriptor, this)), m_server(server)
{
    connect(m_socket, &HttpSocket::readable, this, &HttpConnection::process);
    connect(m_socket, &HttpSocket::closed, this, &HttpConnection::onClosed);
    m_idle.setSingleShot(true);
    m_idle.setInterval(server.options().idleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, m_socket, &HttpSocket::abort);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &HttpConnection::onDeadline);
    m_socket->setReadLimit(kMaxHead);
    m_idle.start();
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::onClosed()
{
    m_closed = true;
    m_idle.stop();
    m_deadline.stop();
    if (!m_busy)
        deleteLater();
}

void HttpConnection::process()
{
    while (!m_busy && !m_closing && m_socket->isOpen()) {
        if (!m_haveHead) {
            if (m_socket->received().isEmpty()) {
                if (m_socket->peerFinished())
                    m_socket->closeAfterWriting();
                return;
            }
            if (!m_deadline.isActive()) {
                // From the first byte of a request, more bytes do not buy more time.
                m_idle.stop();
                m_deadline.start(m_server.options().headTimeoutMs);
            }
            if (!readHead())
                return;
        }
        const qint64 length = std::max<qint64>(m_request.length, 0);
        if (m_socket->received().size() < length) {
            if (m_socket->peerFinished())
                replyError(400, QStringLiteral("Corpo da requisição incompleto: a conexão terminou antes dos %1 bytes anunciados.").arg(length),
                           true);
            return;
        }
        QByteArray body = m_socket->take(length);
        m_haveHead = false;
        m_deadline.stop();
        m_socket->setReadLimit(kMaxHead);
        dispatch(std::move(body));
    }
}

bool HttpConnection::readHead()
{
    qsizetype separator = 0;
    const qsizetype end = headEnd(m_socket->received(), &separator);
    if (end < 0) {
        if (m_socket->received().size() >= kMaxHead)
            replyError(431, QStringLiteral("Cabeçalho da requisição grande demais."), true);
        else if (m_socket->peerFinished())
            m_socket->closeAfterWriting();
        return false;
    }
    QByteArray head = m_socket->take(end + separator);
    head.truncate(end);
    int status = 0;
    QString error;
    if (!HttpRequestHead::parse(head, &m_request, &status, &error)) {
        replyError(status, error, true);
        return false;
    }
    const HttpServer::Options &options = m_server.options();
    if (!authorized(m_request.authorization, options.token)) {
        refuseBody(401, QStringLiteral("Acesso negado: token ausente ou inválido."));
        return false;
    }
    if (m_request.chunked) {
        refuseBody(411, QStringLiteral("Envie o corpo com Content-Length."));
        return false;
    }
    if (m_request.length > options.maxBody) {
        refuseBody(413, QStringLiteral("Requisição de %1 bytes excede o limite de %2 bytes do servidor.").arg(m_request.length).arg(options.maxBody));
        return false;
    }
    const qint64 length = std::max<qint64>(m_request.length, 0);
    m_haveHead = true;
    m_socket->reserve(length);
    m_socket->setReadLimit(std::max<qint64>(length, 1));
    m_deadline.start(int(std::min<qint64>(options.headTimeoutMs + length * 1000 / std::max(options.minBodyBytesPerSecond, 1), INT_MAX)));
    if (m_request.expectContinue && length > 0)
        m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    return true;
}

void HttpConnection::dispatch(QByteArray body)
{
    if (m_request.path == "/health") {
        reply(200, WireEnvelope::encodeReply(Value(QStringLiteral("ok"))));
        waitForNextRequest();
        return;
    }
    if (m_request.path != "/call") {
        replyError(404, QStringLiteral("Caminho %1 desconhecido; use POST /call.").arg(QString::fromLatin1(m_request.path.left(100))));
        waitForNextRequest();
        return;
    }
    if (m_request.method != "POST") {
        replyError(405, QStringLiteral("Use POST em /call."));
        waitForNextRequest();
        return;
    }
    const QByteArray id = m_request.callId;
    m_busy = true;
    m_idle.stop();
    if (!id.isEmpty()) {
        QPointer<HttpConnection> self(this);
        const CallMemory::Start start = m_server.calls().begin(id, body, [self](const QByteArray &reply) {
            if (self)
                self->finishCall(reply);
        });
        if (start == CallMemory::Start::Answered)
            return; // with the first try's reply, now or when it ends
        if (start == CallMemory::Start::Conflict) {
            m_busy = false;
            replyError(409, QStringLiteral("A chamada %1 já foi feita com outro conteúdo: cada chamada precisa de um X-Cns-Chamada próprio.")
                                .arg(QString::fromLatin1(id)));
            waitForNextRequest();
            return;
        }
    }
    runCall(std::move(body));
}

void HttpConnection::runCall(QByteArray body)
{
    QPointer<HttpConnection> self(this);
    HttpServer *server = &m_server;
    const QByteArray id = m_request.callId;
    m_server.pool().start([self, server, id, origin = m_request.origin, body = std::move(body)]() mutable {
        QByteArray out;
        bool writes = true;
        try {
            const WireEnvelope::Request req = WireEnvelope::decodeRequest(body);
            body = QByteArray(); // the call's values hold what it needs
            writes = server->target().writes(req.module, req.method);
            out = WireEnvelope::encodeReply(server->target().call(req.module, req.method, req.args, origin));
        } catch (const EErro &e) {
            out = WireEnvelope::encodeReply(Value::error(e.message()));
        } catch (const std::exception &e) {
            // What failed is for the server's log; the caller learns only that it did.
            qWarning("cns-server: falha ao ler ou responder uma chamada: %s", e.what());
            out = WireEnvelope::encodeReply(Value::error(
                QStringLiteral("Erro interno no servidor de aplicação ao ler a chamada. Os detalhes foram registrados no log do servidor de aplicação.")));
        }
        // Back on the server's thread: the server outlives its connections and remembers the reply
        // even when this connection went away, for the call's next try.
        QMetaObject::invokeMethod(server, [self, server, id, writes, out = std::move(out)] {
            if (!id.isEmpty())
                server->calls().finish(id, out, writes); // answers the tries that wait for it
            if (self)
                self->finishCall(out);
        }, Qt::QueuedConnection);
    });
}

void HttpConnection::finishCall(const QByteArray &json)
{
    m_busy = false;
    if (m_closed) {
        deleteLater();
        return;
    }
    reply(200, json);
    waitForNextRequest();
    process(); // a request that arrived meanwhile
}

void HttpConnection::waitForNextRequest()
{
    m_deadline.stop();
    if (!m_closing && !m_closed)
        m_idle.start();
}

void HttpConnection::onDeadline()
{
    if (m_haveHead)
        refuseBody(408, QStringLiteral("Tempo esgotado ao receber o corpo da requisição."));
    else
        replyError(408, QStringLiteral("Tempo esgotado ao receber o cabeçalho da requisição."), true);
}

// Refuses a request whose head was read: its body, as far as it still comes, is dropped before the
// connection ends, so that the client reads the refusal instead of a broken connection.
void HttpConnection::refuseBody(int status, const QString &text)
{
    reply(status, WireEnvelope::encodeReply(Value::error(text)), true, std::max<qint64>(m_request.length, 0));
}

void HttpConnection::reply(int status, const QByteArray &json, bool close, qint64 unreadBody)
{
    // A client that ended its sending gets its reply and the end of the connection.
    const bool keep = m_request.keepAlive && !close && !m_socket->peerFinished();
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText(status)
        + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " + QByteArray::number(json.size())
        + (keep ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
    // One send for the usual small reply; a large one goes out as it is, without a copy.
    if (json.size() < 64 * 1024) {
        m_socket->write(out + json);
    } else {
        m_socket->write(out);
        m_socket->write(json);
    }
    if (!keep) {
        m_closing = true;
        m_idle.stop();
        m_deadline.stop();
        m_socket->closeAfterWriting(unreadBody);
    }
}

void HttpConnection::replyError(int status, const QString &text, bool close)
{
    reply(status, WireEnvelope::encodeReply(Value::error(text)), close);
}

} // namespace cns
