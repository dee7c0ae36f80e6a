#include "EErro.h"
#include "Parallel.h"

#include <QSemaphore>
#include <QTest>
#include <atomic>
#include <thread>

using namespace cns;

class tst_Threads : public QObject
{
    Q_OBJECT

private slots:
    void bothRunAtTheSameTime();
    void hereRaisesFirstAndBothRunToTheirEnd_data();
    void hereRaisesFirstAndBothRunToTheirEnd();
};

// here() waits for there() to have started: they only meet when they run at the same time, there()
// on a thread of the pool.
void tst_Threads::bothRunAtTheSameTime()
{
    QSemaphore started;
    std::thread::id hereThread, thereThread;
    bool met = false;
    Parallel::bothAtOnce(
        [&] {
            hereThread = std::this_thread::get_id();
            met = started.tryAcquire(1, 10000);
        },
        [&] {
            thereThread = std::this_thread::get_id();
            started.release();
        });
    QVERIFY(met);
    QCOMPARE(hereThread, std::this_thread::get_id());
    QVERIFY(thereThread != hereThread);
}

void tst_Threads::hereRaisesFirstAndBothRunToTheirEnd_data()
{
    QTest::addColumn<bool>("hereFails");
    QTest::addColumn<bool>("thereFails");
    QTest::addColumn<QString>("raised");
    QTest::newRow("both") << true << true << "aqui";
    QTest::newRow("only there") << false << true << "lá";
    QTest::newRow("only here") << true << false << "aqui";
    QTest::newRow("neither") << false << false << "";
}

// The error raised is here()'s, as a loop doing here() first would have met it; neither piece is cut
// short by the other's failure.
void tst_Threads::hereRaisesFirstAndBothRunToTheirEnd()
{
    QFETCH(bool, hereFails);
    QFETCH(bool, thereFails);
    QFETCH(QString, raised);
    std::atomic<int> finished{0};
    QString caught;
    try {
        Parallel::bothAtOnce(
            [&] {
                ++finished;
                if (hereFails)
                    throw EErro(QStringLiteral("aqui"));
            },
            [&] {
                ++finished;
                if (thereFails)
                    throw EErro(QStringLiteral("lá"));
            });
    } catch (const EErro &e) {
        caught = e.message();
    }
    QCOMPARE(caught, raised);
    QCOMPARE(finished.load(), 2);
}

QTEST_GUILESS_MAIN(tst_Threads)
#include "tst_Threads.moc"
