#include "Corvane.h"
#include "EErro.h"
#include "HttpServer.h"
#include "JsonCodec.h"
#include "Packet.h"
#include "DbSession.h"
#include "ServerFixture.h"
#include "TNetConnection.h"
#include "WireEnvelope.h"

#include <QTcpSocket>
#include <QTest>
#include <atomic>
#include <thread>

using namespace cns;
using ServerFixture::client;

namespace {

struct RawReply
{
    int status = 0;
    QByteArray body;
    bool closed = false;
};

// Sends bytes as they are and reads one reply (blocking; run it off the server's thread).
RawReply raw(quint16 port, const QByteArray &request)
{
    RawReply r;
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(3000))
        return r;
    s.write(request);
    s.waitForBytesWritten(3000);
    QByteArray in;
    while (s.waitForReadyRead(3000)) {
        in.append(s.readAll());
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            continue;
        const qsizetype lengthAt = in.toLower().indexOf("content-length:");
        const qsizetype length = in.mid(lengthAt + 15, in.indexOf("\r\n", lengthAt) - lengthAt - 15).trimmed().toLongLong();
        if (in.size() >= end + 4 + length) {
            r.status = in.mid(9, 3).toInt();
            r.body = in.mid(end + 4, length);
            break;
        }
    }
    r.closed = !s.waitForReadyRead(300) && s.state() != QAbstractSocket::ConnectedState;
    return r;
}

QByteArray post(const QByteArray &body, const QByteArray &extraHeaders = {})
{
    return "POST /call HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n" + extraHeaders
        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QString errorOf(const RawReply &r)
{
    const Value v = WireEnvelope::decodeReply(r.body);
    return v.isError() ? v.errorText() : QString();
}

} // namespace

class tst_HttpServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void badRequestsGetClearErrors_data();
    void badRequestsGetClearErrors();
    void bodyOverTheLimitIsRefusedBeforeReading();
    void tokenIsRequiredOffLoopback();
    void eightClientsOfTwoHundredCalls();
    void connectionIsKeptAndPipelinedRequestsAnswered();
    void changeSetAsPythonWritesItSaves_data();
    void changeSetAsPythonWritesItSaves();

private:
    QString m_url;
    std::map<QString, std::unique_ptr<Dispatcher>> m_backends; // sqlite, and postgresql when running
    std::unique_ptr<Dispatcher> m_dispatcher;
    std::unique_ptr<HttpServer> m_server;
    Corvane::SimpleContext m_ctx;
};

void tst_HttpServer::initTestCase()
{
    m_url = ServerFixture::create("sqlite", "tst_httpserver");
    m_dispatcher = ServerFixture::dispatcher(m_url);
    for (const QString backend : {"sqlite", "postgresql"}) {
        const QString url = ServerFixture::create(backend, "tst_httpserver_" + backend);
        if (!url.isEmpty())
            m_backends[backend] = ServerFixture::dispatcher(url);
    }
}

void tst_HttpServer::init()
{
    HttpServer::Options o;
    o.port = 0;
    o.maxBody = 4096;
    m_server = std::make_unique<HttpServer>(*m_dispatcher, o);
    QString error;
    QVERIFY2(m_server->listen(&error), qPrintable(error));
    m_ctx.webURL = "127.0.0.1";
    m_ctx.webPort = m_server->port();
    Corvane::install(&m_ctx);
}

void tst_HttpServer::cleanup()
{
    Corvane::install(nullptr);
    m_server.reset();
}

void tst_HttpServer::badRequestsGetClearErrors_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("mentions");
    const auto call = [](const char *json) { return post(json); };
    QTest::newRow("malformed json") << call(R"({"module": "Cns72200.rdmConsumidor", "method": )") << 200 << "JSON inválido";
    QTest::newRow("no method") << call(R"({"module": "Cns72200.rdmConsumidor"})") << 200 << "faltam";
    QTest::newRow("argument count") << call(R"({"module":"Cns72200.rdmConsumidor","method":"getCliente","args":["T"]})") << 200
                                    << "espera 4 argumento(s)";
    QTest::newRow("argument kind") << call(R"({"module":"Cns72200.rdmConsumidor","method":"getCountConsumidor","args":[[1]]})")
                                   << 200 << "argumento 1 (cliente)";
    QTest::newRow("unknown module") << call(R"({"module":"X.rdm","method":"getCliente","args":[]})") << 200 << "Módulo";
    QTest::newRow("unknown method") << call(R"({"module":"Cns72200.rdmConsumidor","method":"apagaTudo","args":[]})") << 200
                                    << "Método";
    QTest::newRow("bad packet") << call(R"({"module":"Cns72200.rdmConsumidor","method":"getCliente","args":[{"fields":[{"name":"A","type":"x"}],"rows":[]}]})")
                                << 200 << "tipo de campo desconhecido";
    QTest::newRow("unknown path") << QByteArray("GET /nada HTTP/1.1\r\nHost: x\r\n\r\n") << 404 << "desconhecido";
    QTest::newRow("get on call") << QByteArray("GET /call HTTP/1.1\r\nHost: x\r\n\r\n") << 405 << "POST";
    QTest::newRow("not http") << QByteArray("HELLO\r\n\r\n") << 400 << "mal formada";
    QTest::newRow("operator not utf-8") << post(R"({"module":"Cns72200.rdmConsumidor","method":"getParaVend","args":[]})", "X-Cns-Operador: %FF%FE\r\n")
                                        << 400 << "X-Cns-Operador inválido";
    QTest::newRow("operator with a line break")
        << post(R"({"module":"Cns72200.rdmConsumidor","method":"getParaVend","args":[]})", "X-Cns-Operador: ana%0D%0AX-Outro: 1\r\n") << 400
        << "X-Cns-Operador inválido";
    QTest::newRow("branch too long") << post(R"({"module":"Cns72200.rdmConsumidor","method":"getParaVend","args":[]})",
                                             "X-Cns-Filial: " + QByteArray(41, '1') + "\r\n")
                                     << 400 << "X-Cns-Filial inválido";
    QTest::newRow("chunked") << QByteArray("POST /call HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n") << 411
                             << "Content-Length";
}

void tst_HttpServer::badRequestsGetClearErrors()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QString, mentions);
    RawReply r;
    ServerFixture::offThread([&] { r = raw(m_server->port(), request); });
    QCOMPARE(r.status, status);
    QVERIFY2(errorOf(r).contains(mentions), qPrintable(errorOf(r)));
    // And the server goes on serving.
    RawReply ok;
    ServerFixture::offThread([&] {
        ok = raw(m_server->port(), post(R"({"module":"Cns72200.rdmConsumidor","method":"getCountConsumidor","args":["000000000000000000001"]})"));
    });
    QCOMPARE(ok.status, 200);
    QCOMPARE(WireEnvelope::decodeReply(ok.body).toInt(), ServerFixture::kClient1Consumers);
}

void tst_HttpServer::bodyOverTheLimitIsRefusedBeforeReading()
{
    const QByteArray big = R"({"module":"Cns72200.rdmConsumidor","method":"getCliente","args":[")" + QByteArray(20000, 'x') + R"(","T","","T"]})";
    RawReply r;
    ServerFixture::offThread([&] { r = raw(m_server->port(), post(big)); });
    QCOMPARE(r.status, 413);
    QVERIFY2(errorOf(r).contains("excede o limite de 4096 bytes"), qPrintable(errorOf(r)));
    QVERIFY(r.closed);
    // Through the framework's connection the refusal is an error value with the server's text.
    Value v;
    ServerFixture::offThread([&] {
        TNetConnection net;
        v = net.Call("getCliente", {Value(QString(20000, 'x')), Value("T"), Value(""), Value("T")});
    });
    QVERIFY2(v.isError() && v.errorText().contains("excede o limite"), qPrintable(v.errorText()));
}

void tst_HttpServer::tokenIsRequiredOffLoopback()
{
    HttpServer::Options open;
    open.address = QHostAddress::Any;
    open.port = 0;
    HttpServer refused(*m_dispatcher, open);
    QString error;
    QVERIFY(!refused.listen(&error));
    QVERIFY2(error.contains("token"), qPrintable(error));

    HttpServer::Options guarded = open;
    guarded.token = "s3gr3d0";
    HttpServer server(*m_dispatcher, guarded);
    QVERIFY2(server.listen(&error), qPrintable(error));
    const QByteArray body = R"({"module":"Cns72200.rdmConsumidor","method":"getParaVend","args":[]})";
    RawReply none, wrong, right;
    ServerFixture::offThread([&] {
        none = raw(server.port(), post(body));
        wrong = raw(server.port(), post(body, "Authorization: Bearer errado\r\n"));
        right = raw(server.port(), post(body, "Authorization: Bearer s3gr3d0\r\n"));
    });
    QCOMPARE(none.status, 401);
    QVERIFY(errorOf(none).contains("token"));
    QCOMPARE(wrong.status, 401);
    QCOMPARE(right.status, 200);
    QCOMPARE(WireEnvelope::decodeReply(right.body).at(0).toPacket().rowCount(), 1);
}

void tst_HttpServer::eightClientsOfTwoHundredCalls()
{
    std::atomic<int> failures{0};
    std::atomic<int> calls{0};
    QStringList firstError;
    std::mutex lock;
    ServerFixture::offThread([&] {
        std::vector<std::thread> clients;
        for (int c = 0; c < 8; ++c) {
            clients.emplace_back([&, c] {
                TNetConnection net;
                for (int i = 0; i < 200; ++i) {
                    try {
                        bool good = false;
                        switch ((i + c) % 4) {
                        case 0: good = net.Call("getCountConsumidor", {Value(client(1))}).toInt() == ServerFixture::kClient1Consumers; break;
                        case 1: good = net.Call("getPrincipal", {Value(client(1)), Value("T")}).at(0).toPacket().rowCount()
                                       == ServerFixture::kClient1Consumers; break;
                        case 2: good = net.Call("getCliente", {Value(""), Value("T"), Value(""), Value("T")}).at(0).toPacket().rowCount() == 5; break;
                        default: good = !net.Call("getConsFilial", {Value(client(1)), Value(ServerFixture::consumer(1))}).isError(); break;
                        }
                        if (!good)
                            ++failures;
                    } catch (const EErro &e) {
                        ++failures;
                        std::lock_guard<std::mutex> g(lock);
                        firstError.append(e.message());
                    }
                    ++calls;
                }
            });
        }
        for (auto &t : clients)
            t.join();
    });
    QVERIFY2(failures == 0, qPrintable(firstError.value(0)));
    QCOMPARE(calls.load(), 1600);
}

void tst_HttpServer::connectionIsKeptAndPipelinedRequestsAnswered()
{
    const QByteArray one = post(R"({"module":"Cns72200.rdmConsumidor","method":"getCountConsumidor","args":["000000000000000000002"]})");
    QByteArray all;
    ServerFixture::offThread([&] {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, m_server->port());
        s.waitForConnected(3000);
        s.write(one + one + one); // three requests in one write
        while (all.count("HTTP/1.1 200") < 3 && s.waitForReadyRead(3000))
            all.append(s.readAll());
    });
    QCOMPARE(all.count("HTTP/1.1 200"), 3);
    QCOMPARE(all.count(R"({"ok":true,"result":3})"), 3);
}

void tst_HttpServer::changeSetAsPythonWritesItSaves_data()
{
    QTest::addColumn<QString>("backend");
    for (const auto &[backend, dispatcher] : m_backends)
        QTest::newRow(qPrintable(backend)) << backend;
}

// What json.dumps(call, indent=2) writes: blanks after colons, one member per line, non-ASCII
// letters as \u escapes. Such a client saves a consumer like the host does.
void tst_HttpServer::changeSetAsPythonWritesItSaves()
{
    QFETCH(QString, backend);
    HttpServer::Options o;
    o.port = 0;
    HttpServer server(*m_backends.at(backend), o);
    QString error;
    QVERIFY2(server.listen(&error), qPrintable(error));
    auto field = [](const char *name, int size) {
        return QByteArray(R"(
        {
          "name": ")") + name + R"(",
          "type": "text",
          "size": )" + QByteArray::number(size) + R"(
        })";
    };
    const QByteArray body = R"({
  "module": "Cns72200.rdmConsumidor",
  "method": "SetConsumidor",
  "args": [
    {
      "fields": [)" + field("CDCLIENTE", 21) + "," + field("CDCONSUMIDOR", 21) + "," + field("NMCONSUMIDOR", 50) + ","
        + field("IDSITCONSUMI", 1) + R"(
      ],
      "changes": [
        {
          "op": "insert",
          "new": [
            ")" + client(4).toLatin1() + R"(",
            "PY1",
            "Jos\u00e9 d'\u00c1vila \ud83d\ude00",
            "1"
          ]
        }
      ]
    },
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0
  ]
})";
    RawReply r;
    ServerFixture::offThread([&] { r = raw(server.port(), post(body)); });
    QCOMPARE(r.status, 200);
    QVERIFY2(errorOf(r).isEmpty(), qPrintable(errorOf(r)));
    const Packet stored = DbSession::forThread(m_backends.at(backend)->url())
                              .select("SELECT NMCONSUMIDOR FROM CONSUMIDOR WHERE CDCLIENTE = :C AND CDCONSUMIDOR = 'PY1'",
                                      {{"C", Value(client(4))}}, {{"N", FieldType::String, 0}});
    QCOMPARE(stored.rowCount(), 1);
    QCOMPARE(stored.value(0, 0).toString(), QString::fromUtf8("José d'Ávila \xF0\x9F\x98\x80"));
}

QTEST_GUILESS_MAIN(tst_HttpServer)
#include "tst_HttpServer.moc"
