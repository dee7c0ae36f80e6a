// The branch list update on SQLite and on PostgreSQL: setAtuFiliConsLista tying the 45,000
// consumers of the bench client to its branch when none of them is tied yet, and again when all
// are; setAtuFiliCons for the same branch, which takes every client of it. The reference is one
// plain INSERT ... SELECT of the same links by the client's code, on the same connection, in the
// same run: the SQL alone, its test of the links that exist included (the method also writes each
// new link into the consumers' history, which the reference does not). The target is the one set
// for the method: a client of 45,000 consumers well under a second. The links are deleted before
// each round, outside the time taken.
//
// bench/run-bench-branchlinks [rounds [sqlite|postgresql]] starts a private PostgreSQL cluster and
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
#include <cstdlib>
#include <functional>
#include <vector>

using namespace cns;
using bench::BenchStore;

namespace {

constexpr int kConsumers = 45000;
constexpr double kTargetMs = 1000; // a client of 45,000 consumers, well under a second
const QString kBranch = QStringLiteral("0001");

void untie(DbSession &db)
{
    db.begin(true);
    db.exec(QStringLiteral("DELETE FROM CONSUMIFILIAL WHERE CDFILIAL = :F"), {{QStringLiteral("F"), Value(kBranch)}});
    db.commit();
}

int plainInsert(DbSession &db)
{
    db.begin(true);
    const int n = db.exec(QStringLiteral("INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) "
                                         "SELECT C.CDCLIENTE, C.CDCONSUMIDOR, CAST(:F AS VARCHAR(4)) FROM CONSUMIDOR C "
                                         "WHERE C.CDCLIENTE = :C AND C.IDSITCONSUMI = '1' AND NOT EXISTS (SELECT 1 "
                                         "FROM CONSUMIFILIAL X WHERE X.CDCLIENTE = C.CDCLIENTE AND X.CDCONSUMIDOR = "
                                         "C.CDCONSUMIDOR AND X.CDFILIAL = :F)"),
                          {{QStringLiteral("F"), Value(kBranch)}, {QStringLiteral("C"), Value(bench::kBenchClient)}});
    db.commit();
    return n;
}

int serverCall(Dispatcher &dispatcher, const QString &method, const QList<Value> &args)
{
    const Value r = dispatcher.call(QStringLiteral("Cns72200.rdmConsumidor"), method, args);
    if (r.isError()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(method), qPrintable(r.errorText()));
        std::exit(1);
    }
    return int(r.at(1).toInt());
}

void measure(BenchStore &store, int rounds)
{
    store.makeSeed(kConsumers);
    const DatabaseUrl url = store.fresh(QStringLiteral("branchlinks"));
    const std::unique_ptr<Dispatcher> dispatcher = Dispatcher::standard(url);
    dispatcher->setLogSink(nullptr);
    DbSession &db = DbSession::forThread(url);
    const QList<Value> listArgs = {Value(QStringLiteral("_%1_").arg(kBranch)), Value(bench::kBenchClient)};
    std::vector<double> reference, list, again, branch;
    int tied = 0, tiedAll = 0, tiedAgain = 0;
    for (int i = 0; i <= rounds; ++i) { // the first round warms the caches up
        untie(db);
        const double r = elapsedMs([&] { tied = plainInsert(db); });
        untie(db);
        const double l
            = elapsedMs([&] { tied = serverCall(*dispatcher, QStringLiteral("setAtuFiliConsLista"), listArgs); });
        const double a
            = elapsedMs([&] { tiedAgain = serverCall(*dispatcher, QStringLiteral("setAtuFiliConsLista"), listArgs); });
        untie(db);
        const double b
            = elapsedMs([&] { tiedAll = serverCall(*dispatcher, QStringLiteral("setAtuFiliCons"), {Value(kBranch)}); });
        if (i > 0) {
            reference.push_back(r);
            list.push_back(l);
            again.push_back(a);
            branch.push_back(b);
        }
    }
    const QString name = store.name();
    std::printf("%s: one plain INSERT ... SELECT ... WHERE NOT EXISTS of the client's %d links %.1f ms\n",
                qPrintable(name), tied, median(reference));
    const auto timed = [&](const QString &what, double ms, const QString &detail) {
        std::printf("%-44s %9.1f ms   %s   target < %.0f ms   %s\n", qPrintable(what), ms, qPrintable(detail), kTargetMs,
                    ms < kTargetMs ? "ok" : "MISSED");
    };
    timed(QStringLiteral("setAtuFiliConsLista, none tied (%1)").arg(name), median(list),
          QStringLiteral("%1x the plain INSERT").arg(median(list) / median(reference), 0, 'f', 2));
    std::printf("%-44s %9.1f ms   (%d links made)\n",
                qPrintable(QStringLiteral("setAtuFiliConsLista, all tied (%1)").arg(name)), median(again), tiedAgain);
    timed(QStringLiteral("setAtuFiliCons, none tied (%1)").arg(name), median(branch),
          QStringLiteral("(%1 links made, every client of %2)").arg(tiedAll).arg(kBranch));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]).toLower() : QString();
    QTemporaryDir dir;
    std::vector<BenchStore> stores
        = BenchStore::chosen(only, dir.path(), QStringLiteral("cnsbench_links_"), "bench/run-bench-branchlinks");
    std::printf("branch list update of a client of %d consumers, median of %d rounds\n", kConsumers, rounds);
    for (BenchStore &store : stores)
        measure(store, rounds);
    return 0;
}
