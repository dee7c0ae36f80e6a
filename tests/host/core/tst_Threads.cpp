#include "Disposer.h"
#include "EErro.h"
#include "TwoHalves.h"

#include <QTest>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace cns;

namespace {

// Records where and whether it was destroyed.
struct Tracked
{
    std::atomic<int> *destroyed;
    std::thread::id *where;
    Tracked(std::atomic<int> *d, std::thread::id *w) : destroyed(d), where(w) {}
    Tracked(Tracked &&o) noexcept : destroyed(std::exchange(o.destroyed, nullptr)), where(o.where) {}
    ~Tracked()
    {
        if (!destroyed)
            return;
        *where = std::this_thread::get_id();
        ++*destroyed;
    }
};

} // namespace

class tst_Threads : public QObject
{
    Q_OBJECT

private slots:
    void halvesCoverEveryItemOnce_data();
    void halvesCoverEveryItemOnce();
    void halvesRaiseTheFirstHalfsErrorFirst();
    void disposerFreesElsewhereAndWaits();
};

void tst_Threads::halvesCoverEveryItemOnce_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("none") << 0;
    QTest::newRow("few, in one piece") << 10;
    QTest::newRow("many, odd") << 100001;
}

void tst_Threads::halvesCoverEveryItemOnce()
{
    QFETCH(int, count);
    std::vector<int> seen(size_t(count), 0);
    std::atomic<int> pieces{0};
    inTwoHalves(count, [&](qsizetype begin, qsizetype end) {
        ++pieces;
        for (qsizetype i = begin; i < end; ++i)
            ++seen[size_t(i)];
    });
    QVERIFY(std::all_of(seen.cbegin(), seen.cend(), [](int n) { return n == 1; }));
    QCOMPARE(pieces.load(), count > 10 ? 2 : 1);
}

// Both halves run to their end; the error of the lower half is the one raised, as a loop over the
// items in order would have met it first.
void tst_Threads::halvesRaiseTheFirstHalfsErrorFirst()
{
    std::atomic<int> finished{0};
    try {
        inTwoHalves(20000, [&](qsizetype begin, qsizetype) {
            ++finished;
            throw EErro(begin == 0 ? QStringLiteral("primeira") : QStringLiteral("segunda"));
        });
        QFAIL("no error raised");
    } catch (const EErro &e) {
        QCOMPARE(e.message(), QStringLiteral("primeira"));
    }
    QCOMPARE(finished.load(), 2);
    try {
        inTwoHalves(20000, [](qsizetype begin, qsizetype) {
            if (begin > 0)
                throw EErro(QStringLiteral("segunda"));
        });
        QFAIL("no error raised");
    } catch (const EErro &e) {
        QCOMPARE(e.message(), QStringLiteral("segunda"));
    }
}

void tst_Threads::disposerFreesElsewhereAndWaits()
{
    std::atomic<int> destroyed{0};
    std::vector<std::thread::id> where(50);
    for (auto &w : where)
        Disposer::dispose(Tracked(&destroyed, &w));
    Disposer::waitIdle();
    QCOMPARE(destroyed.load(), 50);
    for (const auto &w : where)
        QVERIFY(w != std::this_thread::get_id());
}

QTEST_GUILESS_MAIN(tst_Threads)
#include "tst_Threads.moc"
