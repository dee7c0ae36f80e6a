#include "Consiste.h"
#include "Corvane.h"
#include "EErro.h"
#include "Packet.h"
#include "TNetConnection.h"
#include "WireEnvelope.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <thread>

using namespace cns;

namespace {

// A small HTTP server on loopback, in its own thread, answering POST /call with the reply the test
// asks for. It counts connections and can misbehave on purpose.
class FakeServer
{
public:
    enum class Mode { Normal, CloseAfterReply, Slow, PlainError };

    std::function<Value(const WireEnvelope::Request &)> handler;
    std::atomic<Mode> mode{Mode::Normal};
    std::atomic<int> connections{0};
    std::atomic<int> requests{0};
    QByteArray lastAuthorization;

    FakeServer()
    {
        m_thread = std::thread([this] { run(); });
        while (m_port.load() == 0)
            QThread::msleep(5);
    }
    ~FakeServer()
    {
        m_stop = true;
        m_thread.join();
    }
    int port() const { return m_port.load(); }

private:
    void run()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        m_port = server.serverPort();
        while (!m_stop) {
            if (!server.waitForNewConnection(50))
                continue;
            std::unique_ptr<QTcpSocket> s(server.nextPendingConnection());
            ++connections;
            serve(*s);
        }
    }

    void serve(QTcpSocket &s)
    {
        QByteArray buf;
        while (!m_stop && s.state() == QAbstractSocket::ConnectedState) {
            if (!s.waitForReadyRead(50)) {
                if (s.state() != QAbstractSocket::ConnectedState)
                    return;
                continue;
            }
            buf.append(s.readAll());
            const qsizetype end = buf.indexOf("\r\n\r\n");
            if (end < 0)
                continue;
            const QByteArray head = buf.left(end);
            qsizetype length = 0;
            for (const QByteArray &line : head.split('\n')) {
                const QByteArray l = line.trimmed();
                if (l.toLower().startsWith("content-length:"))
                    length = l.mid(15).trimmed().toLongLong();
                if (l.toLower().startsWith("authorization:"))
                    lastAuthorization = l.mid(14).trimmed();
            }
            while (buf.size() < end + 4 + length && s.waitForReadyRead(1000))
                buf.append(s.readAll());
            const QByteArray body = buf.mid(end + 4, length);
            buf.remove(0, end + 4 + length);
            ++requests;
            if (mode == Mode::Slow)
                QThread::msleep(600);
            QByteArray reply;
            if (mode == Mode::PlainError) {
                reply = "HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n\r\nfail";
            } else {
                const QByteArray json = WireEnvelope::encodeReply(handler(WireEnvelope::decodeRequest(body)));
                reply = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                        + QByteArray::number(json.size()) + "\r\n\r\n" + json;
            }
            s.write(reply);
            s.waitForBytesWritten(1000);
            if (mode == Mode::CloseAfterReply) {
                s.disconnectFromHost();
                return;
            }
        }
    }

    std::thread m_thread;
    std::atomic<int> m_port{0};
    std::atomic<bool> m_stop{false};
};

class EchoTarget : public CallTarget
{
public:
    using CallTarget::call;
    Value call(const QString &module, const QString &method, const QList<Value> &args, const CallOrigin &) override
    {
        if (method == u"falha")
            return Value::error(QStringLiteral("Consumidor já cadastrado."));
        return Value(QList<Value>{Value(module), Value(method), Value(args)});
    }
};

Value echo(const WireEnvelope::Request &r)
{
    if (r.method == u"falha")
        return Value::error(QStringLiteral("Crachá já existente."));
    Packet p({{"CDFILIAL", FieldType::String, 4}, {"NMFILIAL", FieldType::String, 30}});
    p.addRow({Value(QStringLiteral("0001")), Value(QStringLiteral("Matriz"))});
    return Value(QList<Value>{Value(p), Value(r.method), Value(r.args)});
}

} // namespace

class tst_NetConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void inProcessCallsTheRegisteredDispatcher();
    void httpKeepsOneConnectionAlive();
    void droppedIdleConnectionIsOpenedAgain();
    void hostAndPortAreTakenWhenConnecting();
    void refusedConnectionNamesTheAddress();
    void unreachableServerNamesTheAddress();
    void slowServerTimesOut();
    void nonJsonReplyIsNamed();

private:
    void pointAt(const FakeServer &server)
    {
        m_ctx.webURL = QStringLiteral("127.0.0.1");
        m_ctx.webPort = server.port();
    }
    Corvane::SimpleContext m_ctx;
};

void tst_NetConnection::init()
{
    m_ctx = Corvane::SimpleContext();
    Corvane::install(&m_ctx);
}

void tst_NetConnection::cleanup()
{
    Corvane::install(nullptr);
    TNetConnection::setInProcessTarget(nullptr);
}

void tst_NetConnection::inProcessCallsTheRegisteredDispatcher()
{
    TNetConnection net;
    QVERIFY_THROWS_EXCEPTION(EErro, net.Open());
    QVERIFY(!net.Connected());
    EchoTarget target;
    TNetConnection::setInProcessTarget(&target);
    net.Open();
    QVERIFY(net.Connected());
    const Value reply = Consiste::CheckResultServ(net.Call(QStringLiteral("getCliente"), {Value(QStringLiteral("T"))}), true, 3);
    QCOMPARE(reply.at(0).toString(), QStringLiteral("Cns72200.rdmConsumidor"));
    QCOMPARE(reply.at(1).toString(), QStringLiteral("getCliente"));
    QCOMPARE(reply.at(2).at(0).toString(), QStringLiteral("T"));
    QVERIFY_THROWS_EXCEPTION(EErroServidor, Consiste::CheckResultServ(net.Call(QStringLiteral("falha")), true, 0));
    net.Close();
    QVERIFY(!net.Connected());
}

void tst_NetConnection::httpKeepsOneConnectionAlive()
{
    FakeServer server;
    server.handler = echo;
    pointAt(server);
    m_ctx.serverToken = QStringLiteral("abc123");
    TNetConnection net;
    for (int i = 0; i < 5; ++i) {
        const Value reply = net.Call(QStringLiteral("getParaVend"), {Value(i), Value(QStringLiteral("São"))});
        QCOMPARE(reply.at(0).toPacket().value(0, u"NMFILIAL").toString(), QStringLiteral("Matriz"));
        QCOMPARE(reply.at(2).at(0), Value(i));
        QCOMPARE(reply.at(2).at(1).toString(), QStringLiteral("São"));
    }
    QCOMPARE(server.connections.load(), 1);
    QCOMPARE(server.lastAuthorization, QByteArray("Bearer abc123"));
    try {
        Consiste::CheckResultServ(net.Call(QStringLiteral("falha")), true, 0);
        QFAIL("error reply passed");
    } catch (const EErroServidor &e) {
        QCOMPARE(e.message(), QStringLiteral("Crachá já existente."));
    }
}

void tst_NetConnection::droppedIdleConnectionIsOpenedAgain()
{
    FakeServer server;
    server.handler = echo;
    server.mode = FakeServer::Mode::CloseAfterReply;
    pointAt(server);
    TNetConnection net;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(net.Call(QStringLiteral("getCliente")).at(1).toString(), QStringLiteral("getCliente"));
        QTest::qWait(20); // let the close arrive
    }
    QCOMPARE(server.requests.load(), 3); // each request reached the server exactly once
    QCOMPARE(server.connections.load(), 3);
}

void tst_NetConnection::hostAndPortAreTakenWhenConnecting()
{
    FakeServer server;
    server.handler = echo;
    m_ctx.webURL = QStringLiteral("http://127.0.0.1/");
    m_ctx.webPort = 1; // changed before the connection opens
    TNetConnection net;
    m_ctx.webPort = server.port();
    net.Open();
    QCOMPARE(net.Host, QStringLiteral("127.0.0.1"));
    QCOMPARE(net.Port, server.port());
    QVERIFY(net.Call(QStringLiteral("getCliente")).kind() == Value::Kind::Array);
}

void tst_NetConnection::refusedConnectionNamesTheAddress()
{
    int freePort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        freePort = probe.serverPort();
    }
    m_ctx.webURL = QStringLiteral("127.0.0.1");
    m_ctx.webPort = freePort;
    TNetConnection net;
    try {
        net.Call(QStringLiteral("getCliente"));
        QFAIL("connected to nothing");
    } catch (const EErro &e) {
        QVERIFY2(e.message().contains(QStringLiteral("127.0.0.1:%1").arg(freePort)), qPrintable(e.message()));
        QVERIFY2(e.message().startsWith(QStringLiteral("Não foi possível conectar")), qPrintable(e.message()));
    }
    QVERIFY(!net.Connected());
    m_ctx.webPort = 70000;
    QVERIFY_THROWS_EXCEPTION(EErro, net.Open());
}

void tst_NetConnection::unreachableServerNamesTheAddress()
{
    m_ctx.webURL = QStringLiteral("192.0.2.1"); // documentation network: nothing answers there
    m_ctx.webPort = 8211;
    TNetConnection net;
    net.ConnectTimeoutMs = 300;
    try {
        net.Open();
        QFAIL("connected to an unreachable address");
    } catch (const EErro &e) {
        QVERIFY2(e.message().contains(QStringLiteral("192.0.2.1:8211")), qPrintable(e.message()));
    }
}

void tst_NetConnection::slowServerTimesOut()
{
    FakeServer server;
    server.handler = echo;
    server.mode = FakeServer::Mode::Slow;
    pointAt(server);
    TNetConnection net;
    net.ReplyTimeoutMs = 200;
    try {
        net.Call(QStringLiteral("getCliente"));
        QFAIL("no time-out");
    } catch (const EErro &e) {
        QVERIFY2(e.message().contains(QStringLiteral("tempo de resposta esgotado")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("127.0.0.1:%1").arg(server.port())), qPrintable(e.message()));
    }
    QCOMPARE(server.requests.load(), 1); // a time-out is not sent again
}

void tst_NetConnection::nonJsonReplyIsNamed()
{
    FakeServer server;
    server.mode = FakeServer::Mode::PlainError;
    pointAt(server);
    TNetConnection net;
    try {
        net.Call(QStringLiteral("getCliente"));
        QFAIL("plain reply accepted");
    } catch (const EErro &e) {
        QVERIFY2(e.message().contains(QStringLiteral("HTTP 500")), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(tst_NetConnection)
#include "tst_NetConnection.moc"
