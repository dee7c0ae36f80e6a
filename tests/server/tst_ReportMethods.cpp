#include "Packet.h"
#include "ServerFixture.h"

#include <QTest>

using namespace cns;
using ServerFixture::client;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmConsumidor";

QString list(const QStringList &keys)
{
    return "_" + keys.join("_") + "_";
}

} // namespace

// getConsumidorFilial: the consumers the report by branch and type offers for picking.
class tst_ReportMethods : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void consumersFollowClientsTypesAndBranch_data();
    void consumersFollowClientsTypesAndBranch();
    void keysNameClientAndConsumer_data() { backends(); }
    void keysNameClientAndConsumer();
    void badCallsAreRefused_data() { backends(); }
    void badCallsAreRefused();

private:
    void backends() { ServerFixture::backendRows(m_dispatchers.keys()); }
    Value call(const QString &backend, const QList<Value> &args)
    {
        return m_dispatchers[backend]->call(kModule, "getConsumidorFilial", args);
    }
    Packet consumers(const QString &backend, const QList<Value> &args)
    {
        const Value r = call(backend, args);
        if (r.isError())
            qWarning("getConsumidorFilial: %s", qPrintable(r.errorText()));
        return r.isError() ? Packet() : r.at(0).toPacket();
    }

    QMap<QString, std::shared_ptr<Dispatcher>> m_dispatchers;
};

void tst_ReportMethods::initTestCase()
{
    m_dispatchers = ServerFixture::dispatchers("tst_reportmethods");
}

void tst_ReportMethods::cleanupTestCase()
{
    m_dispatchers.clear();
}

// Client 1 (branches 0001 and 0002): 75 consumers, every third of type 02; client 2 (0002): 3
// consumers of type 02; client 3 (0003): none.
void tst_ReportMethods::consumersFollowClientsTypesAndBranch_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("clients");
    QTest::addColumn<QString>("clientsAll");
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("typesAll");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<int>("count");
    for (const QString &b : m_dispatchers.keys()) {
        const auto row = [&b](const char *name) {
            return &(QTest::newRow(qPrintable(b + ": " + name)) << b);
        };
        *row("all at 0001") << ""
                            << "T"
                            << ""
                            << "T"
                            << "0001" << 75;
        *row("all at 0002") << ""
                            << "T"
                            << ""
                            << "T"
                            << "0002" << 78;
        *row("client 2 at 0002") << list({client(2)}) << ""
                                 << ""
                                 << "T"
                                 << "0002" << 3;
        *row("client 2 is not of 0001") << list({client(2)}) << ""
                                        << ""
                                        << "T"
                                        << "0001" << 0;
        *row("type 02 at 0002") << ""
                                << "T" << list({"02"}) << ""
                                << "0002" << 28;
        *row("types 01 and 02") << ""
                                << "T" << list({"01", "02"}) << ""
                                << "0002" << 78;
        *row("client 1, type 01") << list({client(1)}) << "" << list({"01"}) << ""
                                  << "0002" << 50;
        *row("empty client list") << ""
                                  << ""
                                  << ""
                                  << "T"
                                  << "0002" << 0;
        *row("empty type list") << ""
                                << "T"
                                << ""
                                << ""
                                << "0002" << 0;
        *row("branch without consumers") << ""
                                         << "T"
                                         << ""
                                         << "T"
                                         << "0003" << 0;
    }
}

void tst_ReportMethods::consumersFollowClientsTypesAndBranch()
{
    QFETCH(QString, backend);
    QFETCH(QString, clients);
    QFETCH(QString, clientsAll);
    QFETCH(QString, types);
    QFETCH(QString, typesAll);
    QFETCH(QString, branch);
    QFETCH(int, count);
    const Packet p
        = consumers(backend, {Value(clients), Value(clientsAll), Value(types), Value(typesAll), Value(branch)});
    QCOMPARE(p.rowCount(), count);
}

void tst_ReportMethods::keysNameClientAndConsumer()
{
    QFETCH(QString, backend);
    const Packet p = consumers(backend, {Value(""), Value("T"), Value(""), Value("T"), Value("0002")});
    QCOMPARE(p.fields().size(), 4);
    QCOMPARE(p.fields().at(0).name, QString("IDMARCADO"));
    QCOMPARE(p.fields().at(3).name, QString("CODIGO"));
    // By name: "Ana Silva 15" of client 1 before the consumers of client 2.
    const QStringList names = ServerFixture::column(p, "NMCONSUMIDOR");
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) { return a.compare(b) < 0; });
    QCOMPARE(names.first(), sorted.first());
    QSet<QString> keys;
    for (qsizetype i = 0; i < p.rowCount(); ++i) {
        const QString key = p.value(i, u"CODIGO").toString();
        QCOMPARE(key.size(), 42);
        QCOMPARE(p.value(i, u"IDMARCADO").toString(), QString("N"));
        QVERIFY(key.endsWith(p.value(i, u"CDCONSUMIDOR").toString()));
        keys.insert(key);
    }
    // Consumer 1 exists in clients 1 and 2: two keys.
    QCOMPARE(keys.size(), 78);
    QVERIFY(keys.contains(client(1) + consumer(1)));
    QVERIFY(keys.contains(client(2) + consumer(1)));
}

void tst_ReportMethods::badCallsAreRefused()
{
    QFETCH(QString, backend);
    QVERIFY(call(backend, {Value(""), Value("T"), Value(""), Value("T")}).isError());
    QVERIFY(call(backend, {Value(""), Value("T"), Value(""), Value("T"), Value(QList<Value> {})}).isError());
}

QTEST_GUILESS_MAIN(tst_ReportMethods)
#include "tst_ReportMethods.moc"
