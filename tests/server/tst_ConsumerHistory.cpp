#include "ChangeSet.h"
#include "ConsumerHistory.h"
#include "Corvane.h"
#include "DataSet.h"
#include "DbSession.h"
#include "HttpServer.h"
#include "Packet.h"
#include "Schema.h"
#include "ServerFixture.h"
#include "TNetConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace cns;
using ServerFixture::client;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmConsumidor";
const CallOrigin kAna{"ana", "0002"};

// A code as the entries show it in the comparisons: its number, or "-" for none.
QString number(const Value &v)
{
    return v.isNull() ? QString("-") : QString::number(v.toString().toLongLong());
}

QString text(const Value &v)
{
    return v.isNull() ? QString("-") : v.toString();
}

QList<Value> saveArgs(const ChangeSet &changes, QList<bool> blank = QList<bool>(10, false))
{
    QList<Value> args{Value(changes)};
    for (const bool b : blank)
        args.append(Value(b ? -1 : 0));
    return args;
}

// AlteraConsumidor's 26 arguments changing the sale type alone of the consumers of one client.
QList<Value> saleTypeOf(int clientNo, const QString &saleType)
{
    QList<Value> a = {Value(QString()), Value(QString())};
    for (int i = 0; i < 6; ++i)
        a.append(Value());
    a.append(Value(QString("N")));
    a += {Value(QString("_%1_").arg(client(clientNo))), Value(QString())};
    for (int i = 0; i < 3; ++i)
        a += {Value(QString()), Value(QString("T"))};
    a += {Value(saleType), Value(QString()), Value(QString())};
    for (const bool ticked : {true, false, false, false, false})
        a.append(Value(ticked));
    a.append(Value(QString("T")));
    return a;
}

} // namespace

// The consumers' history: what each write method records, on whose behalf, and nothing for a
// refused write; how it reads back; how it is thinned.
class tst_ConsumerHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void backends_data();
    void saveRecordsEachChangedFieldAndNoSecret_data() { backends_data(); }
    void saveRecordsEachChangedFieldAndNoSecret();
    void refusedWritesLeaveNoEntry_data() { backends_data(); }
    void refusedWritesLeaveNoEntry();
    void newAndDeletedConsumersShowTheirValues_data() { backends_data(); }
    void newAndDeletedConsumersShowTheirValues();
    void addressesAndBranchLinksAreNamed_data() { backends_data(); }
    void addressesAndBranchLinksAreNamed();
    void branchUpdatesRecordEachLinkAndTheCall_data() { backends_data(); }
    void branchUpdatesRecordEachLinkAndTheCall();
    void linkingRecordsTheNewMainConsumer_data() { backends_data(); }
    void linkingRecordsTheNewMainConsumer();
    void automaticChangeRecordsOnlyWhatChanged_data() { backends_data(); }
    void automaticChangeRecordsOnlyWhatChanged();
    void historyReadsNewestFirstAsTheScreenShowsValues_data() { backends_data(); }
    void historyReadsNewestFirstAsTheScreenShowsValues();
    void originComesThroughBothTransports_data() { backends_data(); }
    void originComesThroughBothTransports();
    void oldRowsArePurged_data() { backends_data(); }
    void oldRowsArePurged();
    void versionFourGetsTheHistory_data() { backends_data(); }
    void versionFourGetsTheHistory();

private:
    Value call(const QString &backend, const QString &method, const QList<Value> &args, const CallOrigin &origin = kAna)
    {
        return m_dispatchers[backend]->call(kModule, method, args, origin);
    }
    QString error(const QString &backend, const QString &method, const QList<Value> &args)
    {
        const Value r = call(backend, method, args);
        return r.isError() ? r.errorText() : QString();
    }
    DbSession &db(const QString &backend) { return DbSession::forThread(m_dispatchers[backend]->url()); }
    // The number of the last entry: the entries of what a test does come after it.
    qint64 mark(const QString &backend) { return db(backend).count("SELECT COALESCE(MAX(NRHISTCONS), 0) FROM HISTCONSUMIDOR", {}); }
    // The entries after the mark, in the order written: "method client/consumer table item field: before > after".
    QStringList entries(const QString &backend, qint64 after)
    {
        const Packet p = db(backend).select(
            "SELECT NMMETODO, CDCLIENTE, CDCONSUMIDOR, NMTABELA, CDITEMHIST, NMCAMPO, DSVALORANT, DSVALORNOVO FROM HISTCONSUMIDOR "
            "WHERE NRHISTCONS > :M ORDER BY NRHISTCONS",
            {{"M", Value(after)}},
            {{"M", FieldType::String, 0}, {"C", FieldType::String, 0}, {"K", FieldType::String, 0}, {"T", FieldType::String, 0},
             {"I", FieldType::String, 0}, {"F", FieldType::String, 0}, {"A", FieldType::String, 0}, {"N", FieldType::String, 0}});
        QStringList out;
        for (qsizetype i = 0; i < p.rowCount(); ++i)
            out.append(QString("%1 %2/%3 %4 %5 %6: %7 > %8")
                           .arg(text(p.value(i, 0)), number(p.value(i, 1)), number(p.value(i, 2)), text(p.value(i, 3)),
                                text(p.value(i, 4)), text(p.value(i, 5)), text(p.value(i, 6)), text(p.value(i, 7))));
        return out;
    }
    // Who and where of the entries after the mark, once each.
    QStringList origins(const QString &backend, qint64 after)
    {
        const Packet p = db(backend).select("SELECT DISTINCT CDOPERADOR || '@' || CDFILIAL FROM HISTCONSUMIDOR WHERE NRHISTCONS > :M",
                                            {{"M", Value(after)}}, {{"O", FieldType::String, 0}});
        return ServerFixture::column(p, "O");
    }
    void load(const QString &backend, DataSet &ds, int clientNo, int consumerNo = 0)
    {
        ds.setData(call(backend, "getPrincipal", {Value(client(clientNo)), Value("T")}).at(0).toPacket());
        if (consumerNo)
            QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(consumerNo))}));
    }

    QMap<QString, std::shared_ptr<Dispatcher>> m_dispatchers;
};

void tst_ConsumerHistory::initTestCase()
{
    m_dispatchers = ServerFixture::dispatchers("tst_consumerhistory");
}

void tst_ConsumerHistory::cleanupTestCase()
{
    m_dispatchers.clear();
}

void tst_ConsumerHistory::backends_data()
{
    ServerFixture::backendRows(m_dispatchers.keys());
}

void tst_ConsumerHistory::saveRecordsEachChangedFieldAndNoSecret()
{
    QFETCH(QString, backend);
    DataSet ds;
    load(backend, ds, 1, 5);
    const qint64 before = mark(backend);
    ds.Edit();
    ds.FieldByName(u"NMCONSUMIDOR").setAsString("Fabiana Nova");
    ds.FieldByName(u"VRLIMCREDCONS").setAsFloat(250);
    ds.FieldByName(u"CDSENHACONS").setAsString("SENHA-SECRETA-1");
    ds.FieldByName(u"DIGICONSUMIDOR").setAsString("MODELO-DIGITAL-1");
    ds.Post();
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(ds.Delta())), QString());
    ds.MergeChangeLog();
    const QString old = ServerFixture::consumerName(5);
    QCOMPARE(entries(backend, before), (QStringList{"SetConsumidor 1/5 CONSUMIDOR - NMCONSUMIDOR: " + old + " > Fabiana Nova",
                                                    "SetConsumidor 1/5 CONSUMIDOR - CDSENHACONS: - > alterada",
                                                    "SetConsumidor 1/5 CONSUMIDOR - VRLIMCREDCONS: - > 250",
                                                    "SetConsumidor 1/5 CONSUMIDOR - DIGICONSUMIDOR: - > capturada"}));
    QCOMPARE(origins(backend, before), QStringList{"ana@0002"});

    // The fingerprint removed, the limit left blank (the flag stores null), the name as it was.
    const qint64 second = mark(backend);
    ds.Edit();
    ds.FieldByName(u"DIGICONSUMIDOR").Clear();
    ds.Post();
    QList<bool> blank(10, false);
    blank[4] = true; // VRLIMCREDCONS
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(ds.Delta(), blank)), QString());
    QCOMPARE(entries(backend, second), (QStringList{"SetConsumidor 1/5 CONSUMIDOR - VRLIMCREDCONS: 250 > -",
                                                    "SetConsumidor 1/5 CONSUMIDOR - DIGICONSUMIDOR: - > removida"}));
    const qint64 secrets = db(backend).count("SELECT COUNT(*) FROM HISTCONSUMIDOR WHERE DSVALORANT LIKE '%SECRETA%' OR "
                                             "DSVALORNOVO LIKE '%SECRETA%' OR DSVALORNOVO LIKE '%MODELO%'",
                                             {});
    QCOMPARE(secrets, 0);
}

// A write the server refuses rolls back, and its history with it.
void tst_ConsumerHistory::refusedWritesLeaveNoEntry()
{
    QFETCH(QString, backend);
    const qint64 before = mark(backend);
    DataSet first, second;
    load(backend, first, 1, 6);
    load(backend, second, 1, 6);
    first.Edit();
    first.FieldByName(u"NMCONSUMIDOR").setAsString("Primeiro Nome");
    first.Post();
    second.Edit();
    second.FieldByName(u"NMCONSUMIDOR").setAsString("Segundo Nome");
    second.FieldByName(u"VRLIMDEBCONS").setAsFloat(77);
    second.Post();
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(first.Delta())), QString());
    const qint64 stored = mark(backend);
    QVERIFY(stored > before);
    // The second was read before the first saved: refused, its limit not recorded though it came first.
    QVERIFY(error(backend, "SetConsumidor", saveArgs(second.Delta())).contains("alterado por outro usuário"));
    QVERIFY(!error(backend, "setAtuFiliCons", {Value("9999")}).isEmpty());
    QVERIFY(!error(backend, "setAtuFiliConsLista", {Value("_0003_"), Value(client(1))}).isEmpty());
    QVERIFY(!error(backend, "setCadAutoVinculo", {Value(client(1)), Value(consumer(5)), Value("_" + consumer(11) + "_" + consumer(20) + "_")})
                 .isEmpty());
    QVERIFY(!error(backend, "AlteraConsumidor", saleTypeOf(2, "9")).isEmpty());
    QCOMPARE(entries(backend, stored), QStringList());
}

void tst_ConsumerHistory::newAndDeletedConsumersShowTheirValues()
{
    QFETCH(QString, backend);
    DataSet ds;
    load(backend, ds, 4);
    const qint64 before = mark(backend);
    ds.Append();
    ds.FieldByName(u"CDCLIENTE").setAsString(client(4));
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(61));
    ds.FieldByName(u"NMCONSUMIDOR").setAsString("Novo Consumidor");
    ds.FieldByName(u"IDSITCONSUMI").setAsString("1");
    ds.Post();
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(ds.Delta())), QString());
    ds.MergeChangeLog();
    const QStringList made = entries(backend, before);
    QVERIFY2(made.contains("SetConsumidor 4/61 CONSUMIDOR - NMCONSUMIDOR: - > Novo Consumidor"), qPrintable(made.join('\n')));
    QVERIFY(made.contains("SetConsumidor 4/61 CONSUMIDOR - IDSITCONSUMI: - > 1"));
    // The key names the consumer; it is no field of its own.
    QVERIFY(made.filter("CDCONSUMIDOR:").isEmpty());

    const qint64 deleted = mark(backend);
    QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(61))}));
    ds.Delete();
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(ds.Delta())), QString());
    const QStringList gone = entries(backend, deleted);
    QVERIFY(gone.contains("SetConsumidor 4/61 CONSUMIDOR - NMCONSUMIDOR: Novo Consumidor > -"));
    QCOMPARE(gone.size(), made.size());
}

void tst_ConsumerHistory::addressesAndBranchLinksAreNamed()
{
    QFETCH(QString, backend);
    const qint64 before = mark(backend);
    DataSet addresses;
    addresses.setData(call(backend, "getEndeCons", {Value(client(1)), Value(consumer(1))}).at(0).toPacket());
    addresses.Append();
    addresses.FieldByName(u"CDCLIENTE").setAsString(client(1));
    addresses.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(1));
    addresses.FieldByName(u"DSENDECONS").setAsString("Rua Nova, 5");
    addresses.Post();
    QCOMPARE(error(backend, "SetEndeCons", {Value(addresses.Delta())}), QString());

    DataSet links;
    links.setData(call(backend, "getConsFilial", {Value(client(1)), Value(consumer(3))}).at(0).toPacket());
    links.Append();
    links.FieldByName(u"CDCLIENTE").setAsString(client(1));
    links.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(3));
    links.FieldByName(u"CDFILIAL").setAsString("0002");
    links.Post();
    QCOMPARE(error(backend, "SetConsFilial", {Value(links.Delta())}), QString());
    links.MergeChangeLog();
    QVERIFY(links.Locate("CDFILIAL", {Value("0002")}));
    links.Delete();
    QCOMPARE(error(backend, "SetConsFilial", {Value(links.Delta())}), QString());
    QCOMPARE(entries(backend, before), (QStringList{"SetEndeCons 1/1 ENDECONS 02 DSENDECONS: - > Rua Nova, 5",
                                                    "SetConsFilial 1/3 CONSUMIFILIAL - CDFILIAL: - > 0002",
                                                    "SetConsFilial 1/3 CONSUMIFILIAL - CDFILIAL: 0002 > -"}));
}

void tst_ConsumerHistory::branchUpdatesRecordEachLinkAndTheCall()
{
    QFETCH(QString, backend);
    const qint64 before = mark(backend);
    const Value made = call(backend, "setAtuFiliConsLista", {Value("_0002_"), Value(client(2))});
    QCOMPARE(made.at(1).toInt(), 3);
    QCOMPARE(entries(backend, before), (QStringList{"setAtuFiliConsLista 2/1 CONSUMIFILIAL - CDFILIAL: - > 0002",
                                                    "setAtuFiliConsLista 2/2 CONSUMIFILIAL - CDFILIAL: - > 0002",
                                                    "setAtuFiliConsLista 2/3 CONSUMIFILIAL - CDFILIAL: - > 0002",
                                                    "setAtuFiliConsLista 2/- - - CHAMADA: - > filiais 0002; vínculos criados: 3"}));
    // Nothing left to tie: the call alone.
    const qint64 again = mark(backend);
    QCOMPARE(call(backend, "setAtuFiliConsLista", {Value("0002"), Value(client(2))}).at(1).toInt(), 0);
    QCOMPARE(entries(backend, again), QStringList{"setAtuFiliConsLista 2/- - - CHAMADA: - > filiais 0002; vínculos criados: 0"});
    // Every client of the branch: one entry per link made, and the call's with the branch and the count.
    const qint64 all = mark(backend);
    const int tied = int(call(backend, "setAtuFiliCons", {Value("0002")}).at(1).toInt());
    const QStringList each = entries(backend, all);
    QCOMPARE(each.size(), tied + 1);
    QCOMPARE(each.filter("setAtuFiliCons 1/").size(), tied);
    QCOMPARE(each.last(), QString("setAtuFiliCons -/- - - CHAMADA: - > filial 0002; vínculos criados: %1").arg(tied));
    QCOMPARE(origins(backend, before), QStringList{"ana@0002"});
}

void tst_ConsumerHistory::linkingRecordsTheNewMainConsumer()
{
    QFETCH(QString, backend);
    const qint64 before = mark(backend);
    QCOMPARE(error(backend, "setCadAutoVinculo", {Value(client(1)), Value(consumer(8)), Value("_" + consumer(13) + "_" + consumer(14) + "_")}),
             QString());
    const QString main = consumer(8);
    QCOMPARE(entries(backend, before),
             (QStringList{"setCadAutoVinculo 1/13 CONSUMIDOR - CDCONSVINCULO: - > " + main,
                          "setCadAutoVinculo 1/14 CONSUMIDOR - CDCONSVINCULO: - > " + main,
                          "setCadAutoVinculo 1/- - - CHAMADA: - > consumidor principal " + main
                              + "; consumidores listados: 2; vinculados agora: 2"}));
}

void tst_ConsumerHistory::automaticChangeRecordsOnlyWhatChanged()
{
    QFETCH(QString, backend);
    db(backend).exec("UPDATE CONSUMIDOR SET IDTPVENDACONS = '3' WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K",
                     {{"C", Value(client(2))}, {"K", Value(consumer(2))}});
    const qint64 before = mark(backend);
    QCOMPARE(call(backend, "AlteraConsumidor", saleTypeOf(2, "3")).at(0).toInt(), 3);
    // The call's own row; each changed consumer's fields are read as the screen reads them.
    QCOMPARE(entries(backend, before),
             (QStringList{"AlteraConsumidor -/- - - CHAMADA: - > IDTPVENDACONS = 3; filtros: clientes _" + client(2)
                          + "_, consumidores T, centros de custo T, tipos T, filial T; consumidores alterados: 3"}));
    const auto lines = [&](int consumerNo) {
        const Packet h = call(backend, "getHistCons", {Value(client(2)), Value(consumer(consumerNo))}).at(0).toPacket();
        QStringList out;
        for (qsizetype i = 0; i < h.rowCount(); ++i) {
            if (h.value(i, u"NMMETODO").toString() == u"AlteraConsumidor")
                out.append(h.value(i, u"NMTABELA").toString() + " " + h.value(i, u"NMCAMPO").toString() + ": "
                           + text(h.value(i, u"DSVALORANT")) + " > " + text(h.value(i, u"DSVALORNOVO")) + " by "
                           + h.value(i, u"CDOPERADOR").toString());
        }
        return out;
    };
    QCOMPARE(lines(1), QStringList{"CONSUMIDOR IDTPVENDACONS: - > 3 by ana"});
    QCOMPARE(lines(2), QStringList());
    QCOMPARE(lines(3), QStringList{"CONSUMIDOR IDTPVENDACONS: - > 3 by ana"});
}

void tst_ConsumerHistory::historyReadsNewestFirstAsTheScreenShowsValues()
{
    QFETCH(QString, backend);
    DataSet ds;
    load(backend, ds, 1, 9);
    ds.Edit();
    ds.FieldByName(u"VRLIMDEBCONS").setAsFloat(1234.5);
    ds.FieldByName(u"DTNASCCONS").setAsDateTime(QDateTime(QDate(1991, 7, 23), QTime(0, 0)));
    ds.Post();
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(ds.Delta())), QString());
    ds.MergeChangeLog();
    ds.Edit();
    ds.FieldByName(u"NMCONSUMIDOR").setAsString("Isabela Depois");
    ds.Post();
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(ds.Delta())), QString());
    const Packet h = call(backend, "getHistCons", {Value(client(1)), Value(consumer(9))}).at(0).toPacket();
    QStringList shown;
    for (qsizetype i = 0; i < h.rowCount(); ++i)
        shown.append(h.value(i, u"NMCAMPO").toString() + ": " + text(h.value(i, u"DSVALORANT")) + " > " + text(h.value(i, u"DSVALORNOVO")));
    // The branch links of an earlier test come after (older).
    QCOMPARE(shown.mid(0, 3), (QStringList{"NMCONSUMIDOR: " + ServerFixture::consumerName(9) + " > Isabela Depois",
                                 "DTNASCCONS: 10/01/1980 > 23/07/1991", "VRLIMDEBCONS: 13,50 > 1.234,50"}));
    const QDateTime when = h.value(0, u"DTHRHISTCONS").toDateTime();
    QVERIFY(when.isValid());
    QCOMPARE(h.value(0, u"CDOPERADOR").toString(), QString("ana"));
    QCOMPARE(h.value(0, u"CDFILIAL").toString(), QString("0002"));
    QCOMPARE(h.value(0, u"NMMETODO").toString(), QString("SetConsumidor"));
}

// The host's connection sends its context's operator and branch, in-process and over HTTP (where
// an operator's code outside ASCII travels percent-encoded).
void tst_ConsumerHistory::originComesThroughBothTransports()
{
    QFETCH(QString, backend);
    Corvane::SimpleContext ctx;
    Corvane::install(&ctx);
    TNetConnection::setInProcessTarget(m_dispatchers[backend].get());
    auto tie = [&](const QString &branch) {
        TNetConnection net;
        return net.Call("setAtuFiliConsLista", {Value("_" + branch + "_"), Value(client(1))});
    };
    ctx.operador = "maria";
    ctx.filiProc = "0003";
    const qint64 inProcess = mark(backend);
    QVERIFY(!tie("0001").isError());
    QCOMPARE(origins(backend, inProcess), QStringList{"maria@0003"});

    HttpServer::Options o;
    o.port = 0;
    HttpServer server(*m_dispatchers[backend], o);
    QString failure;
    QVERIFY2(server.listen(&failure), qPrintable(failure));
    ctx.webURL = "127.0.0.1";
    ctx.webPort = server.port();
    ctx.operador = "joão.ç 1";
    ctx.filiProc = "0001";
    const qint64 overHttp = mark(backend);
    Value reply;
    ServerFixture::offThread([&] { reply = tie("0002"); });
    QVERIFY2(!reply.isError(), qPrintable(reply.errorText()));
    QCOMPARE(origins(backend, overHttp), QStringList{"joão.ç 1@0001"});
    TNetConnection::setInProcessTarget(nullptr);
    Corvane::install(nullptr);
}

void tst_ConsumerHistory::oldRowsArePurged()
{
    QFETCH(QString, backend);
    DbSession &s = db(backend);
    s.exec("INSERT INTO HISTCONSUMIDOR (DTHRHISTCONS, CDCLIENTE, CDCONSUMIDOR, NMCAMPO) VALUES (:D, :C, :K, 'ANTIGO'), (:E, :C, :K, "
           "'RECENTE')",
           {{"D", Value(QDateTime::currentDateTimeUtc().addDays(-31))},
            {"E", Value(QDateTime::currentDateTimeUtc().addDays(-29))},
            {"C", Value(client(3))},
            {"K", Value(consumer(99))}});
    s.begin(true);
    QVERIFY(ConsumerHistory::purge(s, 30) >= 1);
    s.commit();
    const Packet left = s.select("SELECT NMCAMPO FROM HISTCONSUMIDOR WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K",
                                 {{"C", Value(client(3))}, {"K", Value(consumer(99))}}, {{"NMCAMPO", FieldType::String, 0}});
    QCOMPARE(ServerFixture::column(left, "NMCAMPO"), QStringList{"RECENTE"});
}

// A database of version 4 has no history: the upgrade makes it, and the writes record into it.
void tst_ConsumerHistory::versionFourGetsTheHistory()
{
    QFETCH(QString, backend);
    DbSession &s = db(backend);
    {
        QSqlQuery q(s.db());
        QVERIFY2(q.exec("DROP TABLE HISTCONSUMIDOR"), qPrintable(q.lastError().text()));
    }
    s.exec("UPDATE VERSAOBANCO SET NRVERSAO = 4");
    Schema::createOrUpgrade(s.db());
    QCOMPARE(Schema::installedVersion(s.db()), Schema::currentVersion());
    QCOMPARE(mark(backend), 0);
    DataSet ds;
    load(backend, ds, 1, 15);
    ds.Edit();
    ds.FieldByName(u"NMCONSUMIDOR").setAsString("Otávio Depois");
    ds.Post();
    QCOMPARE(error(backend, "SetConsumidor", saveArgs(ds.Delta())), QString());
    QCOMPARE(entries(backend, 0), QStringList{"SetConsumidor 1/15 CONSUMIDOR - NMCONSUMIDOR: " + ServerFixture::consumerName(15) + " > Otávio Depois"});
}

QTEST_GUILESS_MAIN(tst_ConsumerHistory)
#include "tst_ConsumerHistory.moc"
