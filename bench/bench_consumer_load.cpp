// Loading a client's consumers through the consumer screen (server call, packet, DataSet, grid model
// ready): 30,000 in one call against the same rows through the sqlite3 C API, and 240,000 in doubling
// chunks behind the name filter, per row and in memory against the rows written as CSV.
#include "BenchDatabase.h"
#include "BenchTimer.h"
#include "Corvane.h"
#include "DBGrid.h"
#include "DbSession.h"
#include "DemoData.h"
#include "Dispatcher.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "MaskEdit.h"
#include "RawConsumerRead.h"
#include "Schema.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "TfrmConsumidor.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>

using namespace cns;
using namespace cns::ui;

namespace {

const QString kClient = bench::kBenchClient;

// Answers the many-consumers prompt with the initial every bench consumer's name starts with.
class BenchDialogs : public HostDialogs
{
public:
    int message(const QString &text, MsgType, MsgButtons, const QString &) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return mrOk;
    }
    bool inputBox(const QString &, const QString &, QString *value) override
    {
        *value = QStringLiteral("V");
        return true;
    }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool chooseRow(const QString &, DataSet &, const QStringList &) override { return false; }
    bool chooseRows(const QString &, DataSet &, const QString &, QStringList *) override { return false; }
};

// The dispatcher, timing the calls it answers: the part of a load the server takes.
class TimingTarget : public CallTarget
{
public:
    explicit TimingTarget(CallTarget &inner) : m_inner(inner) {}
    double ms = 0;
    using CallTarget::call;
    Value call(const QString &module, const QString &method, const QList<Value> &args, const CallOrigin &origin) override
    {
        QElapsedTimer t;
        t.start();
        Value v = m_inner.call(module, method, args, origin);
        ms += double(t.nsecsElapsed()) / 1e6;
        return v;
    }

private:
    CallTarget &m_inner;
};

qint64 residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// The loaded rows written as CSV: the yardstick of the client's memory.
qint64 csvBytes(const DataSet &ds)
{
    qint64 bytes = 0;
    for (int r = 0; r < ds.rowCount(); ++r)
        for (int f = 0; f < ds.FieldCount(); ++f)
            bytes += ds.rowValue(r, f).isNull() ? 1 : ds.rowValue(r, f).toString().toUtf8().size() + 1;
    return bytes;
}

struct Database
{
    QTemporaryDir dir;
    QString path;
    DatabaseUrl url;
    QString registration;
    std::unique_ptr<Dispatcher> dispatcher;
};

void prepare(Database &d, int consumers)
{
    d.path = d.dir.filePath(QStringLiteral("bench.db"));
    d.url = bench::seedDatabase(d.path, consumers);
    DbSession &s = DbSession::forThread(d.url);
    // One initial for every name, so that the name filter lets every consumer through.
    s.begin(true);
    s.exec(QStringLiteral("UPDATE CONSUMIDOR SET NMCONSUMIDOR = 'V' || SUBSTR(NMCONSUMIDOR, 2) WHERE CDCLIENTE = :C"),
           {{QStringLiteral("C"), Value(kClient)}});
    s.commit();
    d.registration = s.select(QStringLiteral("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = :C"), {{QStringLiteral("C"), Value(kClient)}},
                              {{QStringLiteral("NRINSJURCLIE"), FieldType::String, 20}})
                         .value(0, 0)
                         .toString();
    d.dispatcher = Dispatcher::standard(d.url);
    d.dispatcher->setLogSink(nullptr);
}

// Chooses the bench client on a fresh screen and returns the load's time; the screen stays loaded.
double load(TfrmConsumidor &screen, const QString &registration)
{
    QElapsedTimer t;
    t.start();
    screen.medCdCliente->setText(registration);
    HandlerGuard::run([&] {
        screen.medCdClienteExit();
        screen.panClienteExit();
    });
    screen.dbgPadrao->model()->rowCount(); // the grid's model answers for the loaded rows
    QApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

double loadMedian(const QString &registration, int runs, int *rows)
{
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        TfrmConsumidor screen;
        screen.show();
        const double ms = load(screen, registration);
        *rows = screen.cdsConsumidor.RecordCount();
        if (i > 0) // the first run warms the caches
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchDialogs dialogs;
    HostDialogs::install(&dialogs);
    Corvane::SimpleContext ctx;
    ctx.filiProc = QStringLiteral("0001");
    Corvane::install(&ctx);

    Database small, big;
    prepare(small, TfrmConsumidor::kManyConsumers);
    prepare(big, 240000);

    // 30,000 consumers: one getPrincipal.
    TimingTarget smallTiming(*small.dispatcher);
    TNetConnection::setInProcessTarget(&smallTiming);
    small.url.open(TADOIBQuery::defaultConnectionName());
    const double raw = medianMs(5, [&] { bench::rawRead(small.path, kClient); });
    int rows30 = 0;
    const double screen30 = loadMedian(small.registration, 5, &rows30);
    std::printf("consumer screen, one client (73 fields, 7 names joined)\n");
    std::printf("%-44s %9.1f ms\n", "reference: sqlite3 C API, same rows", raw);
    report(qPrintable(QStringLiteral("screen load of %1 consumers, one call").arg(rows30)), screen30, raw, 3.0);
    std::printf("%-44s %9.1f ms\n", "  of which the server's calls (6 runs)", smallTiming.ms);

    // 240,000 consumers: doubling chunks, per row against the 30,000 case, memory against CSV.
    QSqlDatabase::removeDatabase(TADOIBQuery::defaultConnectionName());
    TimingTarget timing(*big.dispatcher);
    TNetConnection::setInProcessTarget(&timing);
    big.url.open(TADOIBQuery::defaultConnectionName());
    // Memory first, while the allocator holds nothing of an earlier load of this size.
    auto screen = std::make_unique<TfrmConsumidor>();
    screen->show();
    const qint64 before = residentBytes();
    load(*screen, big.registration);
    const qint64 grown = residentBytes() - before;
    const qint64 csv = csvBytes(screen->cdsConsumidor);
    screen.reset();
    int rows240 = 0;
    timing.ms = 0;
    const double ms240 = loadMedian(big.registration, 3, &rows240);
    std::printf("%-44s %9.1f ms\n", "  of which the server's calls (4 runs)", timing.ms);
    const double perRow30 = screen30 / rows30, perRow240 = ms240 / rows240;
    std::printf("%-44s %9.1f ms   %.2f us/row against %.2f us/row: %5.2fx   target <= 1.25x   %s\n",
                qPrintable(QStringLiteral("screen load of %1 consumers, chunked").arg(rows240)), ms240, perRow240 * 1000,
                perRow30 * 1000, perRow240 / perRow30, perRow240 / perRow30 <= 1.25 ? "ok" : "MISSED");
    std::printf("%-44s %9.1f MB   CSV of the rows %.1f MB: %5.2fx   target <= 2x   %s\n", "client memory growth", grown / 1048576.0,
                csv / 1048576.0, double(grown) / double(csv), grown <= 2 * csv ? "ok" : "MISSED");
    return 0;
}
