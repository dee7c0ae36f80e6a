#pragma once

#include <QByteArray>
#include <QObject>
#include <memory>

class QSocketNotifier;

namespace cns {

// One accepted TCP connection, read and written on its native descriptor. Qt's QTcpSocket closes
// the whole connection when the peer ends its sending half, so a client that sends its request and
// then shuts down its writing (as many scripts do) would never get the reply; here the end of the
// peer's data is only a mark, and the reply still goes out. Reading stops while the received bytes
// not yet taken reach the limit the connection sets, so a client cannot make the server hold more
// than that: TCP's own flow control keeps the rest on the client's side.
class HttpSocket : public QObject
{
    Q_OBJECT

public:
    HttpSocket(qintptr descriptor, QObject *parent);
    ~HttpSocket() override;

    // Bytes received and not yet taken.
    const QByteArray &received() const { return m_in; }
    // Takes the first n bytes received (all of them without a copy when n is all there is).
    QByteArray take(qsizetype n);
    // The most bytes held in received() before reading pauses; reading resumes below it.
    void setReadLimit(qsizetype bytes);
    // Room for a body about to come, so that it grows in place instead of being copied as it grows.
    void reserve(qsizetype bytes) { m_in.reserve(bytes); }
    // True once the peer has sent all it will send (it half-closed or went away).
    bool peerFinished() const { return m_peerFinished; }
    bool isOpen() const { return m_descriptor >= 0; }

    void write(const QByteArray &bytes);
    // Closes once everything written has gone out and the next dropFirst bytes the peer sends (a
    // refused body it is still sending) have been dropped: a client still writing its body would
    // otherwise see the connection end before it reads the refusal.
    void closeAfterWriting(qint64 dropFirst = 0);
    // Closes at once, dropping what was not sent.
    void abort();

signals:
    // New bytes in received(), or the peer's end.
    void readable();
    // The connection is over: closed after writing, aborted, or failed.
    void closed();

private:
    void onReadable();
    void onWritable();
    void flush();
    void updateReading();
    void shutDown();

    int m_descriptor;
    std::unique_ptr<QSocketNotifier> m_reader;
    std::unique_ptr<QSocketNotifier> m_writer;
    QByteArray m_in;
    QByteArray m_out;
    qsizetype m_outAt = 0; // bytes of m_out already sent
    qsizetype m_readLimit = 64 * 1024;
    qint64 m_dropLeft = 0; // bytes still to drop before the end of a closing connection
    bool m_peerFinished = false;
    bool m_closeWhenWritten = false;
    bool m_shutDown = false;
};

} // namespace cns
