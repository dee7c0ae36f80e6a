// The automatic change of many consumers on SQLite and on PostgreSQL: AlteraConsumidor changing
// the sale type, the balance verification and the six limits of the 100,000 consumers of the bench
// client (its client picked in a list, the other filters on "Todos"), against one plain UPDATE of
// the same rows and columns by the client's code, on the same connection, in the same run. Each
// round writes values no consumer holds yet, so that every round writes every row.
//
// bench/run-bench-autochange [rounds [sqlite|postgresql]] starts a private PostgreSQL cluster and
// runs this; without CNS_TEST_PG_URL only SQLite is measured.
#include "BenchDatabase.h"
#include "BenchStore.h"
#include "BenchTimer.h"
#include "DbSession.h"
#include "Dispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <vector>

using namespace cns;
using bench::BenchStore;

namespace {

constexpr int kConsumers = 100000;
constexpr double kTarget = 1.5;

const char *const kLimits[] = {"VRAVICREDCONS", "VRLIMCREDCONS", "VRMAXCREDCONS", "VRAVIDEBCONS", "VRLIMDEBCONS", "VRMAXDEBCONS"};

// The screen's 26 arguments: sale type and verification ticked, limits of the round's value.
QList<Value> alteraArgs(int round)
{
    QList<Value> a = {Value(QString()), Value(QString())};
    for (int i = 0; i < 6; ++i)
        a.append(Value(double(round * 10 + i)));
    a.append(Value(QStringLiteral("S")));
    a += {Value(QStringLiteral("_%1_").arg(bench::kBenchClient)), Value(QString())};
    for (int i = 0; i < 3; ++i)
        a += {Value(QString()), Value(QStringLiteral("T"))};
    a += {Value(QString::number(round % 7 + 1)), Value(QString()), Value(QString())};
    for (const bool ticked : {true, false, true, false, false})
        a.append(Value(ticked));
    a.append(Value(QStringLiteral("T")));
    return a;
}

int plainUpdate(DbSession &db, int round)
{
    QStringList set = {QStringLiteral("IDTPVENDACONS = :P_TV"), QStringLiteral("IDVERSALDCON = 'S'")};
    QHash<QString, Value> params = {{QStringLiteral("P_TV"), Value(QString::number(round % 7 + 1))},
                                    {QStringLiteral("P_C"), Value(bench::kBenchClient)}};
    for (int i = 0; i < 6; ++i) {
        set.append(QStringLiteral("%1 = :P_%1").arg(QLatin1String(kLimits[i])));
        params.insert(QStringLiteral("P_") + QLatin1String(kLimits[i]), Value(double(round * 10 + i)));
    }
    db.begin(true);
    const int n = db.exec(QStringLiteral("UPDATE CONSUMIDOR SET %1 WHERE CDCLIENTE = :P_C").arg(set.join(QStringLiteral(", "))), params);
    db.commit();
    return n;
}

int altera(Dispatcher &dispatcher, int round)
{
    const Value r = dispatcher.call(QStringLiteral("Cns72200.rdmConsumidor"), QStringLiteral("AlteraConsumidor"), alteraArgs(round));
    if (r.isError()) {
        std::fprintf(stderr, "AlteraConsumidor: %s\n", qPrintable(r.errorText()));
        std::exit(1);
    }
    return int(r.at(0).toInt());
}

void check(int changed, const char *what)
{
    if (changed != kConsumers) {
        std::fprintf(stderr, "%s changed %d consumers, not %d\n", what, changed, kConsumers);
        std::exit(1);
    }
}

void measure(BenchStore &store, int rounds)
{
    store.makeSeed(kConsumers);
    const DatabaseUrl url = store.fresh(QStringLiteral("autochange"));
    const std::unique_ptr<Dispatcher> dispatcher = Dispatcher::standard(url);
    dispatcher->setLogSink(nullptr);
    DbSession &db = DbSession::forThread(url);
    // The two alternate round by round: each writes every row anew, and PostgreSQL's table grows
    // with the old versions of the rows until it is vacuumed, so that measuring one after the other
    // would burden the second.
    int round = 0;
    std::vector<double> reference, server;
    for (int i = 0; i <= rounds; ++i) {
        const double r = elapsedMs([&] { check(plainUpdate(db, ++round), "the plain UPDATE"); });
        const double s = elapsedMs([&] { check(altera(*dispatcher, ++round), "AlteraConsumidor"); });
        if (i > 0) { // the first round warms the caches up
            reference.push_back(r);
            server.push_back(s);
        }
    }
    std::printf("%s: one plain UPDATE of %d consumers %.1f ms\n", qPrintable(store.name()), kConsumers, median(reference));
    report(qPrintable(QStringLiteral("AlteraConsumidor (%1)").arg(store.name())), median(server), median(reference), kTarget);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]).toLower() : QString();
    QTemporaryDir dir;
    std::vector<BenchStore> stores = BenchStore::chosen(only, dir.path(), QStringLiteral("cnsbench_auto_"), "bench/run-bench-autochange");
    std::printf("automatic change of %d consumers (sale type, verification, six limits), median of %d rounds\n", kConsumers, rounds);
    for (BenchStore &store : stores)
        measure(store, rounds);
    return 0;
}
