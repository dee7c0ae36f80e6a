// The HTTP transport against clients that do what a careless script, a slow network or a hostile
// peer does, spoken as raw bytes over native sockets (which, unlike QTcpSocket, can half-close).
#include "CallTarget.h"
#include "HttpClient.h"
#include "HttpServer.h"
#include "ServerFixture.h"
#include "WireEnvelope.h"

#include <QSemaphore>
#include <QThread>
#include <QTest>
#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace cns;

namespace {

// Answers "grava" (a write: its runs counted, optionally held at a gate) and "le" (a read).
class ScriptedTarget : public CallTarget
{
public:
    using CallTarget::call;
    Value call(const QString &, const QString &method, const QList<Value> &, const CallOrigin &) override
    {
        if (method != u"grava")
            return Value(qint64(++reads));
        const qint64 n = ++writes_;
        if (holdWrites)
            gate.acquire();
        if (delayMs > 0)
            QThread::msleep(delayMs);
        return Value(n);
    }
    bool writes(const QString &, const QString &method) const override { return method == u"grava"; }

    std::atomic<int> reads{0};
    std::atomic<int> writes_{0};
    std::atomic<bool> holdWrites{false};
    std::atomic<int> delayMs{0};
    QSemaphore gate;
};

QByteArray post(const char *method, const QByteArray &extraHeaders = {})
{
    const QByteArray body = QByteArray(R"({"module":"M","method":")") + method + R"(","args":[]})";
    return "POST /call HTTP/1.1\r\nHost: x\r\n" + extraHeaders + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t n = ::send(fd, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        bytes = bytes.sliced(n);
    }
}

// Whether in holds a whole reply (head and the body its length announces).
bool wholeReply(const QByteArray &in)
{
    const qsizetype end = in.indexOf("\r\n\r\n");
    const qsizetype at = in.toLower().indexOf("content-length:");
    return end >= 0 && at >= 0 && in.size() >= end + 4 + in.mid(at + 15, in.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
}

// What arrives until the server closes the connection (or, with oneReply, until a whole reply is
// in), or until nothing came for quietMs.
QByteArray receive(int fd, bool oneReply, int quietMs = 5000)
{
    QByteArray in;
    char buf[65536];
    while (!(oneReply && wholeReply(in))) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        in.append(buf, n);
    }
    return in;
}

QByteArray readUntilClosed(int fd)
{
    return receive(fd, false);
}

QByteArray readOneReply(int fd)
{
    return receive(fd, true);
}

// The first reply's status and body in what a connection received.
std::pair<int, QByteArray> firstReply(const QByteArray &in)
{
    const qsizetype end = in.indexOf("\r\n\r\n");
    if (!in.startsWith("HTTP/1.1 ") || end < 0)
        return {0, {}};
    const qsizetype at = in.toLower().indexOf("content-length:");
    const qsizetype length = in.mid(at + 15, in.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
    return {in.mid(9, 3).toInt(), in.mid(end + 4, length)};
}

QString errorText(const QByteArray &body)
{
    const Value v = WireEnvelope::decodeReply(body);
    return v.isError() ? v.errorText() : QString();
}

} // namespace

class tst_HttpHardening : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void halfClosedClientGetsItsReply();
    void ambiguousHeadsAreRefused_data();
    void ambiguousHeadsAreRefused();
    void slowHeadOrBodyIsCutOff_data();
    void slowHeadOrBodyIsCutOff();
    void tokenIsCheckedWhenTheHeadEnds();
    void bytesAheadOfARunningCallAreBounded();
    void pipelinedRequestsAreAllAnswered();
    void repeatedWriteGetsTheFirstReply();
    void repeatWhileTheFirstRunsWaitsForIt();
    void droppedConnectionIsRetriedWithoutRunningTwice();
    void clientReadsARefusalSentWhileItStillWrites();

private:
    void start(HttpServer::Options o = {});

    std::unique_ptr<ScriptedTarget> m_target;
    std::unique_ptr<HttpServer> m_server;
};

void tst_HttpHardening::init()
{
    m_target = std::make_unique<ScriptedTarget>();
}

void tst_HttpHardening::cleanup()
{
    m_target->gate.release(1000);
    m_server.reset();
    m_target.reset();
}

void tst_HttpHardening::start(HttpServer::Options o)
{
    o.port = 0;
    m_server = std::make_unique<HttpServer>(*m_target, o);
    QString error;
    QVERIFY2(m_server->listen(&error), qPrintable(error));
}

// A client that ends its sending half once the request is out still reads the reply, also when the
// call is still running as the end arrives.
void tst_HttpHardening::halfClosedClientGetsItsReply()
{
    start();
    m_target->delayMs = 5;
    int answered = 0;
    ServerFixture::offThread([&] {
        for (int i = 0; i < 60; ++i) {
            const int fd = connectTo(m_server->port());
            sendAll(fd, post(i % 2 ? "grava" : "le"));
            ::shutdown(fd, SHUT_WR);
            const auto [status, body] = firstReply(readUntilClosed(fd));
            ::close(fd);
            if (status == 200 && body.startsWith(R"({"ok":true)"))
                ++answered;
        }
    });
    QCOMPARE(answered, 60);
}

void tst_HttpHardening::ambiguousHeadsAreRefused_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("status");
    const QByteArray body = R"({"module":"M","method":"le","args":[]})";
    const QByteArray length = "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    QTest::newRow("two equal lengths") << "POST /call HTTP/1.1\r\n" + length + length + "\r\n" + body << 400;
    QTest::newRow("two lengths") << "POST /call HTTP/1.1\r\n" + length + "Content-Length: 3\r\n\r\n" + body << 400;
    QTest::newRow("length and chunked") << "POST /call HTTP/1.1\r\n" + length + "Transfer-Encoding: chunked\r\n\r\n" + body << 400;
    QTest::newRow("signed length") << QByteArray("POST /call HTTP/1.1\r\nContent-Length: +38\r\n\r\n") + body << 400;
    QTest::newRow("listed length") << QByteArray("POST /call HTTP/1.1\r\nContent-Length: 38, 38\r\n\r\n") + body << 400;
    QTest::newRow("blank before colon") << "POST /call HTTP/1.1\r\nContent-Length : 38\r\n\r\n" + body << 400;
    QTest::newRow("folded line") << "POST /call HTTP/1.1\r\nX-A: 1\r\n b\r\n" + length + "\r\n" + body << 400;
    QTest::newRow("bare CR") << "POST /call HTTP/1.1\r\nX-A: 1\rContent-Length: 0\r\n" + length + "\r\n" + body << 400;
    QTest::newRow("HTTP/2.0") << "POST /call HTTP/2.0\r\n" + length + "\r\n" + body << 505;
    QTest::newRow("HTTP/1.2") << "POST /call HTTP/1.2\r\n" + length + "\r\n" + body << 505;
    QTest::newRow("no version") << "POST /call\r\n" + length + "\r\n" + body << 400;
    QTest::newRow("bad call id") << "POST /call HTTP/1.1\r\nX-Cns-Chamada: a b\r\n" + length + "\r\n" + body << 400;
}

void tst_HttpHardening::ambiguousHeadsAreRefused()
{
    QFETCH(QByteArray, head);
    QFETCH(int, status);
    start();
    QByteArray in;
    ServerFixture::offThread([&] {
        const int fd = connectTo(m_server->port());
        sendAll(fd, head);
        in = readUntilClosed(fd);
        ::close(fd);
    });
    const auto [got, body] = firstReply(in);
    QCOMPARE(got, status);
    QVERIFY(!errorText(body).isEmpty());
    QCOMPARE(in.size(), in.indexOf("\r\n\r\n") + 4 + body.size()); // nothing read past the refused head
    QCOMPARE(m_target->reads.load(), 0);
}

// A head that does not end in its time, or a body slower than the minimum rate, is answered 408
// and its connection closed, however steadily its bytes trickle in.
void tst_HttpHardening::slowHeadOrBodyIsCutOff_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("drip");
    QTest::addColumn<QString>("message");
    QTest::newRow("head") << QByteArray("POST /call HTTP/1.1\r\n") << QByteArray("X") << "cabeçalho";
    QTest::newRow("body") << QByteArray("POST /call HTTP/1.1\r\nContent-Length: 600\r\n\r\n") << QByteArray("{") << "corpo";
}

void tst_HttpHardening::slowHeadOrBodyIsCutOff()
{
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, drip);
    QFETCH(QString, message);
    HttpServer::Options o;
    o.headTimeoutMs = 300;
    o.minBodyBytesPerSecond = 1000;
    this->start(o);
    QByteArray in;
    ServerFixture::offThread([&] {
        const int fd = connectTo(m_server->port());
        sendAll(fd, start);
        for (int i = 0; i < 100 && in.isEmpty(); ++i) {
            sendAll(fd, drip);
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0)
                in = readOneReply(fd);
        }
        ::close(fd);
    });
    const auto [status, body] = firstReply(in);
    QCOMPARE(status, 408);
    QVERIFY2(errorText(body).contains(message), qPrintable(errorText(body)));
}

// A wrong token is refused as soon as the head is read: the announced body is never awaited.
void tst_HttpHardening::tokenIsCheckedWhenTheHeadEnds()
{
    HttpServer::Options o;
    o.token = "s3cret";
    start(o);
    QByteArray in;
    ServerFixture::offThread([&] {
        const int fd = connectTo(m_server->port());
        sendAll(fd, "POST /call HTTP/1.1\r\nAuthorization: Bearer errado\r\nContent-Length: 1000000\r\n\r\n");
        in = readOneReply(fd);
        ::close(fd);
    });
    QCOMPARE(firstReply(in).first, 401);
}

// While a call runs, what the same client sends ahead stays in the network: the server stops
// reading, so the client's sending blocks after the socket buffers, not after gigabytes.
void tst_HttpHardening::bytesAheadOfARunningCallAreBounded()
{
    start();
    m_target->holdWrites = true;
    qint64 accepted = 0;
    ServerFixture::offThread([&] {
        const int fd = connectTo(m_server->port());
        sendAll(fd, post("grava"));
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        const QByteArray junk(1 << 20, 'x');
        while (accepted < (qint64(512) << 20)) {
            const ssize_t n = ::send(fd, junk.constData(), size_t(junk.size()), MSG_NOSIGNAL);
            if (n > 0) {
                accepted += n;
                continue;
            }
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 500) <= 0)
                break; // the server reads no more
        }
        m_target->gate.release();
        ::close(fd);
    });
    QVERIFY2(accepted < (qint64(32) << 20), qPrintable(QString::number(accepted)));
}

void tst_HttpHardening::pipelinedRequestsAreAllAnswered()
{
    start();
    QByteArray in;
    ServerFixture::offThread([&] {
        const int fd = connectTo(m_server->port());
        QByteArray all;
        for (int i = 0; i < 300; ++i)
            all += post("le");
        sendAll(fd, all);
        while (in.count("HTTP/1.1 200") < 300) {
            pollfd p{fd, POLLIN, 0};
            char buf[65536];
            if (::poll(&p, 1, 5000) <= 0)
                break;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            in.append(buf, n);
        }
        ::close(fd);
    });
    QCOMPARE(in.count("HTTP/1.1 200"), 300);
    QCOMPARE(m_target->reads.load(), 300);
}

// The same call id again: a write is answered with its first reply and not run again; a read
// simply runs again.
void tst_HttpHardening::repeatedWriteGetsTheFirstReply()
{
    start();
    QList<QByteArray> bodies;
    ServerFixture::offThread([&] {
        for (const char *request : {"grava", "grava", "le", "le"}) {
            const int fd = connectTo(m_server->port());
            sendAll(fd, post(request, request[0] == 'g' ? "X-Cns-Chamada: c-1\r\n" : "X-Cns-Chamada: c-2\r\n"));
            ::shutdown(fd, SHUT_WR);
            bodies.append(firstReply(readUntilClosed(fd)).second);
            ::close(fd);
        }
    });
    QCOMPARE(bodies.at(0), QByteArray(R"({"ok":true,"result":1})"));
    QCOMPARE(bodies.at(1), bodies.at(0));
    QCOMPARE(m_target->writes_.load(), 1);
    QCOMPARE(m_target->reads.load(), 2);
    // The id of that write on another call is refused, never answered with the write's reply.
    int status = 0;
    ServerFixture::offThread([&] {
        const int fd = connectTo(m_server->port());
        sendAll(fd, post("le", "X-Cns-Chamada: c-1\r\n"));
        status = firstReply(readOneReply(fd)).first;
        ::close(fd);
    });
    QCOMPARE(status, 409);
    QCOMPARE(m_target->reads.load(), 2);
}

void tst_HttpHardening::repeatWhileTheFirstRunsWaitsForIt()
{
    start();
    m_target->holdWrites = true;
    QByteArray first, second;
    ServerFixture::offThread([&] {
        const int a = connectTo(m_server->port());
        sendAll(a, post("grava", "X-Cns-Chamada: c-9\r\n"));
        QThread::msleep(100); // the first is held at the gate
        const int b = connectTo(m_server->port());
        sendAll(b, post("grava", "X-Cns-Chamada: c-9\r\n"));
        ::shutdown(b, SHUT_WR);
        QThread::msleep(100);
        m_target->gate.release();
        ::shutdown(a, SHUT_WR);
        first = firstReply(readUntilClosed(a)).second;
        second = firstReply(readUntilClosed(b)).second;
        ::close(a);
        ::close(b);
    });
    QCOMPARE(first, QByteArray(R"({"ok":true,"result":1})"));
    QCOMPARE(second, first);
    QCOMPARE(m_target->writes_.load(), 1);
}

// The client's connection drops after its request reached the server (here a proxy that hangs up
// instead of passing the first reply on): the client tries again with the same call id and gets
// the first reply; the write ran once.
void tst_HttpHardening::droppedConnectionIsRetriedWithoutRunningTwice()
{
    start();
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(listener, 4) == 0);
    socklen_t size = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&a), &size);
    const quint16 serverPort = m_server->port();
    std::thread proxy([&] {
        for (int connection = 0; connection < 2; ++connection) {
            const int client = ::accept(listener, nullptr, nullptr);
            const int server = connectTo(serverPort);
            // One request: its head and the body its length announces.
            QByteArray request;
            char buf[65536];
            for (;;) {
                const qsizetype end = request.indexOf("\r\n\r\n");
                if (end >= 0) {
                    const qsizetype at = request.toLower().indexOf("content-length:");
                    const qsizetype length = request.mid(at + 15, request.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
                    if (request.size() >= end + 4 + length)
                        break;
                }
                const ssize_t n = ::recv(client, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                request.append(buf, n);
            }
            sendAll(server, request);
            ::shutdown(server, SHUT_WR);
            const QByteArray reply = readUntilClosed(server);
            if (connection > 0)
                sendAll(client, reply); // the first reply is lost with its connection
            ::close(server);
            ::close(client);
        }
    });
    Value result;
    QString error;
    ServerFixture::offThread([&] {
        try {
            HttpClient client(QStringLiteral("127.0.0.1"), ntohs(a.sin_port));
            const HttpClient::Response r =
                client.post("/call", "application/json", R"({"module":"M","method":"grava","args":[]})");
            result = WireEnvelope::decodeReply(r.body);
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
        }
    });
    proxy.join();
    ::close(listener);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(result, Value(qint64(1)));
    QCOMPARE(m_target->writes_.load(), 1);
}

// The server refuses a body over its limit as soon as the head is read and drops the rest of the
// body as it comes; the client, still writing, reads the refusal instead of a broken connection.
void tst_HttpHardening::clientReadsARefusalSentWhileItStillWrites()
{
    HttpServer::Options o;
    o.maxBody = 1000;
    start(o);
    HttpClient::Response r;
    QString error;
    ServerFixture::offThread([&] {
        try {
            HttpClient client(QStringLiteral("127.0.0.1"), m_server->port());
            r = client.post("/call", "application/json", QByteArray(32 << 20, ' '));
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
        }
    });
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(r.status, 413);
    QVERIFY2(errorText(r.body).contains(u"excede o limite de 1000 bytes"), qPrintable(errorText(r.body)));
}

QTEST_GUILESS_MAIN(tst_HttpHardening)
#include "tst_HttpHardening.moc"
