#include "HttpSocket.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cns {

namespace {

constexpr qsizetype kReadPiece = 256 * 1024; // bytes read per notification, so that one client cannot hold the loop
constexpr int kLingerMs = 5000;              // how long a closing connection drops what still comes

} // namespace

HttpSocket::HttpSocket(qintptr descriptor, QObject *parent) : QObject(parent), m_descriptor(int(descriptor))
{
    ::fcntl(m_descriptor, F_SETFL, ::fcntl(m_descriptor, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    ::setsockopt(m_descriptor, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_reader = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Read);
    m_writer = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Write);
    m_writer->setEnabled(false);
    connect(m_reader.get(), &QSocketNotifier::activated, this, &HttpSocket::onReadable);
    connect(m_writer.get(), &QSocketNotifier::activated, this, &HttpSocket::onWritable);
}

HttpSocket::~HttpSocket()
{
    m_reader.reset();
    m_writer.reset();
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void HttpSocket::setReadLimit(qsizetype bytes)
{
    m_readLimit = bytes;
    updateReading();
}

QByteArray HttpSocket::take(qsizetype n)
{
    QByteArray out;
    if (n >= m_in.size()) {
        out = std::exchange(m_in, {});
    } else {
        out = m_in.left(n);
        m_in.remove(0, n);
    }
    updateReading();
    return out;
}

void HttpSocket::updateReading()
{
    if (m_reader)
        m_reader->setEnabled(!m_peerFinished && (m_closeWhenWritten || m_in.size() < m_readLimit));
}

void HttpSocket::onReadable()
{
    // After the reply of a closing connection, whatever still comes is dropped, so that the kernel
    // does not answer it with a reset that could destroy the reply on its way.
    const bool dropping = m_closeWhenWritten;
    const qsizetype room = dropping ? kReadPiece : std::min(kReadPiece, m_readLimit - m_in.size());
    if (room <= 0) {
        updateReading();
        return;
    }
    char scratch[64 * 1024];
    const qsizetype at = m_in.size();
    if (!dropping)
        m_in.resize(at + room);
    ssize_t n;
    do {
        n = ::recv(m_descriptor, dropping ? scratch : m_in.data() + at, size_t(dropping ? qsizetype(sizeof scratch) : room), 0);
    } while (n < 0 && errno == EINTR);
    if (!dropping)
        m_in.resize(at + std::max<ssize_t>(n, 0));
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            abort();
        return;
    }
    if (n == 0) {
        m_peerFinished = true;
        updateReading();
        if (dropping) {
            abort();
            return;
        }
    } else {
        updateReading();
        if (dropping) {
            m_dropLeft -= n;
            if (m_dropLeft <= 0 && m_outAt >= m_out.size())
                shutDown();
        }
    }
    if (!dropping)
        emit readable();
}

void HttpSocket::write(const QByteArray &bytes)
{
    if (m_descriptor < 0 || bytes.isEmpty())
        return;
    if (m_outAt >= m_out.size()) {
        m_out = bytes;
        m_outAt = 0;
    } else {
        m_out.remove(0, m_outAt);
        m_outAt = 0;
        m_out.append(bytes);
    }
    flush();
}

void HttpSocket::onWritable()
{
    flush();
}

void HttpSocket::flush()
{
    while (m_descriptor >= 0 && m_outAt < m_out.size()) {
        const ssize_t n = ::send(m_descriptor, m_out.constData() + m_outAt, size_t(m_out.size() - m_outAt), MSG_NOSIGNAL);
        if (n > 0) {
            m_outAt += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writer->setEnabled(true);
            return;
        }
        abort(); // the peer is gone
        return;
    }
    if (m_descriptor < 0)
        return;
    m_writer->setEnabled(false);
    m_out = QByteArray();
    m_outAt = 0;
    if (m_closeWhenWritten && m_dropLeft <= 0)
        shutDown();
}

void HttpSocket::closeAfterWriting(qint64 dropFirst)
{
    if (m_closeWhenWritten || m_descriptor < 0)
        return;
    m_closeWhenWritten = true;
    m_dropLeft = m_peerFinished ? 0 : dropFirst - m_in.size();
    m_in = QByteArray();
    updateReading();
    // Whatever comes, the connection ends in bounded time.
    QTimer::singleShot(kLingerMs, this, &HttpSocket::abort);
    if (m_outAt >= m_out.size() && m_dropLeft <= 0)
        shutDown();
}

void HttpSocket::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    ::shutdown(m_descriptor, SHUT_WR);
    if (m_peerFinished) {
        abort();
        return;
    }
    updateReading();
}

void HttpSocket::abort()
{
    if (m_descriptor < 0)
        return;
    m_reader.reset();
    m_writer.reset();
    ::close(m_descriptor);
    m_descriptor = -1;
    m_in = QByteArray();
    m_out = QByteArray();
    m_outAt = 0;
    emit closed();
}

} // namespace cns
