#include "HttpClient.h"

#include "EErro.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QUrl>
#include <QUuid>

namespace cns {

namespace {
constexpr qint64 kMaxReply = qint64(1) << 31; // 2 GiB: anything larger is not a reply of ours
constexpr int kTries = 3;                      // of a call whose connection dropped before its reply
}

HttpClient::HttpClient(QString host, int port) : m_host(std::move(host)), m_port(port) {}

HttpClient::~HttpClient() = default;

void HttpClient::fail(const QString &what)
{
    const QString reason = m_socket ? m_socket->errorString() : QString();
    disconnectFromServer();
    throw EErro(QStringLiteral("Falha na comunicação com o servidor de aplicação em %1: %2%3")
                    .arg(address(), what, reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason)));
}

void HttpClient::connectToServer()
{
    if (isConnected())
        return;
    m_socket = std::make_unique<QTcpSocket>();
    m_buffer.clear();
    m_socket->connectToHost(m_host, quint16(m_port));
    if (!m_socket->waitForConnected(m_connectTimeoutMs)) {
        const bool timedOut = m_socket->error() == QAbstractSocket::SocketTimeoutError;
        const QString reason = m_socket->errorString();
        m_socket.reset();
        throw EErro(QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1: %2.")
                        .arg(address(), timedOut ? QStringLiteral("tempo de conexão esgotado") : reason));
    }
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

void HttpClient::disconnectFromServer()
{
    if (!m_socket)
        return;
    m_socket->abort();
    m_socket.reset();
    m_buffer.clear();
}

bool HttpClient::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool HttpClient::readLine(QByteArray *line, qint64 deadline)
{
    for (;;) {
        const qsizetype nl = m_buffer.indexOf('\n');
        if (nl >= 0) {
            *line = m_buffer.left(nl);
            if (line->endsWith('\r'))
                line->chop(1);
            m_buffer.remove(0, nl + 1);
            return true;
        }
        if (m_buffer.size() > 64 * 1024)
            fail(QStringLiteral("cabeçalho de resposta grande demais"));
        if (!receive(deadline))
            return false;
    }
}

bool HttpClient::receive(qint64 deadline)
{
    // What came before the server closed stays readable after the close: a refusal sent while the
    // request was still going out is read, not taken for a lost connection.
    if (m_socket->bytesAvailable() == 0) {
        const qint64 left = deadline - QDeadlineTimer::current().deadline();
        if (left <= 0)
            fail(QStringLiteral("tempo de resposta esgotado"));
        if (!m_socket->waitForReadyRead(int(std::min<qint64>(left, 1 << 30)))) {
            if (m_socket->error() == QAbstractSocket::SocketTimeoutError)
                fail(QStringLiteral("tempo de resposta esgotado"));
            if (m_socket->bytesAvailable() == 0)
                return false;
        }
    }
    m_buffer.append(m_socket->readAll());
    return true;
}

bool HttpClient::readExactly(qint64 n, QByteArray *out, qint64 deadline)
{
    out->reserve(out->size() + n);
    while (m_buffer.size() < n) {
        if (!receive(deadline))
            return false;
    }
    out->append(m_buffer.constData(), n);
    m_buffer.remove(0, n);
    return true;
}

bool HttpClient::exchange(const QByteArray &request, Response *response)
{
    const qint64 deadline = QDeadlineTimer::current().deadline() + m_replyTimeoutMs;
    // A server that refuses the request early (a body over its limit) answers and closes while
    // the request still goes out: the answer is read all the same.
    m_socket->write(request);
    while (m_socket->bytesToWrite() > 0 && m_socket->waitForBytesWritten(m_replyTimeoutMs)) {
    }
    QByteArray statusLine;
    if (!readLine(&statusLine, deadline))
        return false;
    // HTTP/1.1 200 OK
    const QList<QByteArray> parts = statusLine.split(' ');
    bool ok = false;
    response->status = parts.size() >= 2 ? parts.at(1).toInt(&ok) : 0;
    if (!statusLine.startsWith("HTTP/1.") || !ok)
        fail(QStringLiteral("resposta que não é HTTP"));
    qint64 length = -1;
    bool chunked = false, closeAfter = false;
    for (;;) {
        QByteArray header;
        if (!readLine(&header, deadline))
            return false;
        if (header.isEmpty())
            break;
        const qsizetype colon = header.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = header.left(colon).trimmed().toLower();
        const QByteArray value = header.mid(colon + 1).trimmed();
        if (name == "content-length")
            length = value.toLongLong(&ok);
        else if (name == "transfer-encoding" && value.toLower().contains("chunked"))
            chunked = true;
        else if (name == "content-type")
            response->contentType = value;
        else if (name == "connection" && value.toLower() == "close")
            closeAfter = true;
    }
    response->body.clear();
    if (chunked) {
        for (;;) {
            QByteArray sizeLine;
            if (!readLine(&sizeLine, deadline))
                return false;
            const qint64 n = sizeLine.split(';').at(0).trimmed().toLongLong(&ok, 16);
            if (!ok || n < 0 || response->body.size() + n > kMaxReply)
                fail(QStringLiteral("resposta com bloco inválido"));
            if (n == 0) {
                QByteArray trailer;
                while (readLine(&trailer, deadline) && !trailer.isEmpty()) {
                }
                break;
            }
            QByteArray crlf;
            if (!readExactly(n, &response->body, deadline) || !readLine(&crlf, deadline))
                return false;
        }
    } else if (length >= 0) {
        if (length > kMaxReply)
            fail(QStringLiteral("resposta grande demais"));
        if (!readExactly(length, &response->body, deadline))
            return false;
    } else {
        // No length: the body runs to the end of the connection.
        while (m_socket->waitForReadyRead(m_replyTimeoutMs))
            m_buffer.append(m_socket->readAll());
        response->body = std::exchange(m_buffer, {});
        closeAfter = true;
    }
    if (closeAfter)
        disconnectFromServer();
    return true;
}

HttpClient::Response HttpClient::post(const QByteArray &path, const QByteArray &contentType, const QByteArray &body,
                                      const CallOrigin &origin)
{
    // The call's name for the server, the same on every try: a try whose connection dropped may
    // have arrived, and the server answers a repeat of a write with the first one's reply instead
    // of running it again.
    const QByteArray id = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    QByteArray request;
    request.reserve(body.size() + 256);
    request.append("POST ").append(path).append(" HTTP/1.1\r\nHost: ").append(address().toUtf8());
    request.append("\r\nContent-Type: ").append(contentType);
    request.append("\r\nContent-Length: ").append(QByteArray::number(body.size()));
    request.append("\r\nX-Cns-Chamada: ").append(id);
    if (!origin.operador.isEmpty())
        request.append("\r\nX-Cns-Operador: ").append(QUrl::toPercentEncoding(origin.operador));
    if (!origin.filial.isEmpty())
        request.append("\r\nX-Cns-Filial: ").append(QUrl::toPercentEncoding(origin.filial));
    if (!m_token.isEmpty())
        request.append("\r\nAuthorization: Bearer ").append(m_token);
    request.append("\r\nConnection: keep-alive\r\n\r\n").append(body);

    for (int attempt = 1;; ++attempt) {
        connectToServer();
        Response response;
        if (exchange(request, &response)) {
            return response;
        }
        if (attempt == kTries)
            fail(QStringLiteral("conexão encerrada pelo servidor"));
        disconnectFromServer();
    }
}

} // namespace cns
