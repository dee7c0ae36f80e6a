// getPrincipal of 30,000 consumers: in-process and over HTTP on loopback, against reading the same
// rows through the sqlite3 C API, measured in one run.
#include "BenchDatabase.h"
#include "BenchTimer.h"
#include "RawConsumerRead.h"
#include "ConsumerQueries.h"
#include "Corvane.h"
#include "DbSession.h"
#include "DemoData.h"
#include "Dispatcher.h"
#include "HttpServer.h"
#include "NamedSql.h"
#include "Packet.h"
#include "Schema.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <sqlite3.h>

using namespace cns;

namespace {

const QString kClient = bench::kBenchClient;
constexpr int kConsumers = 30000;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    const DatabaseUrl url = bench::seedDatabase(path, kConsumers);
    auto dispatcher = Dispatcher::standard(url);
    dispatcher->setLogSink(nullptr);
    const QList<Value> args{Value(kClient), Value(QStringLiteral("T"))};
    const int rows = int(dispatcher->call(QStringLiteral("Cns72200.rdmConsumidor"), QStringLiteral("getPrincipal"), args)
                             .at(0).toPacket().rowCount());
    std::printf("getPrincipal of %d consumers (73 fields, 7 names joined)\n", rows);

    const double raw = medianMs(7, [&] { bench::rawRead(path, kClient); });
    const double inProcess = medianMs(7, [&] {
        dispatcher->call(QStringLiteral("Cns72200.rdmConsumidor"), QStringLiteral("getPrincipal"), args).at(0).toPacket();
    });

    // The HTTP server runs on a thread of its own; the client calls from this one.
    QThread serverThread;
    serverThread.start();
    HttpServer::Options options;
    options.port = 0;
    HttpServer *server = nullptr;
    auto *anchor = new QObject;
    anchor->moveToThread(&serverThread);
    QMetaObject::invokeMethod(
        anchor,
        [&] {
            server = new HttpServer(*dispatcher, options);
            QString error;
            server->listen(&error);
        },
        Qt::BlockingQueuedConnection);
    Corvane::SimpleContext ctx;
    ctx.webURL = QStringLiteral("127.0.0.1");
    ctx.webPort = server->port();
    Corvane::install(&ctx);
    TNetConnection net;
    const double http = medianMs(7, [&] { net.Call(QStringLiteral("getPrincipal"), args).at(0).toPacket(); });
    net.Close();
    QMetaObject::invokeMethod(anchor, [&] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    delete anchor;

    std::printf("%-44s %9.1f ms\n", "reference: sqlite3 C API, same rows", raw);
    report("in-process dispatcher (packet ready)", inProcess, raw, 2.0);
    report("HTTP on loopback (packet decoded)", http, raw, 3.0);
    return 0;
}
