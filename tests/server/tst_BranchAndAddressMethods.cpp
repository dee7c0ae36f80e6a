#include "ChangeSet.h"
#include "Corvane.h"
#include "DataSet.h"
#include "DbSession.h"
#include "HttpServer.h"
#include "Packet.h"
#include "ServerFixture.h"
#include "TNetConnection.h"

#include <QTest>

#include <functional>

using namespace cns;
using ServerFixture::client;
using ServerFixture::column;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmConsumidor";

// A consumer of the fixture by its numbers: client 1 has 75 (every tenth inactive, consumer 1 tied
// to 0001 and 0002, with address "01"), client 2 has 3 active ones; client 1 is associated with
// 0001 and 0002, client 2 with 0002, client 3 with 0003.
struct Who
{
    int client, consumer;
};

// A change made on a packet as the screen makes it.
using Edit = std::function<void(DataSet &)>;

void appendAddress(DataSet &ds, Who who, const QString &street)
{
    ds.Append();
    ds.FieldByName(u"CDCLIENTE").setAsString(client(who.client));
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(who.consumer));
    ds.FieldByName(u"DSENDECONS").setAsString(street);
    ds.FieldByName(u"CDPAIS").setAsString("1058");
    ds.FieldByName(u"SGESTADO").setAsString("SP");
    ds.FieldByName(u"CDMUNICIPIO").setAsString("0001");
    ds.FieldByName(u"CDBAIRRO").setAsString("0000000001");
    ds.Post();
}

void appendLink(DataSet &ds, Who who, const QString &branch)
{
    ds.Append();
    ds.FieldByName(u"CDFILIAL").setAsString(branch);
    ds.FieldByName(u"CDCLIENTE").setAsString(client(who.client));
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(who.consumer));
    ds.Post();
}

void deleteRow(DataSet &ds, const QString &field, const QString &value)
{
    QVERIFY(ds.Locate(field, {Value(value)}));
    ds.Delete();
}

// The links of client 1's active consumers to a branch, in the links() form.
QStringList activeOfClient1(const QString &branch)
{
    QStringList out;
    for (int n = 1; n <= ServerFixture::kClient1Consumers; ++n) {
        if (n % 10 != 0)
            out.append(QString("1/%1/%2").arg(n).arg(branch));
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class tst_BranchAndAddressMethods : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void backends_data();
    void addressesAreNumberedWithinTheConsumer_data() { backends_data(); }
    void addressesAreNumberedWithinTheConsumer();
    void hundredthAddressIsRefused_data() { backends_data(); }
    void hundredthAddressIsRefused();
    void refusedAddressChangeStoresNothing_data();
    void refusedAddressChangeStoresNothing();
    void keyBeyondItsColumnIsRefused_data() { backends_data(); }
    void keyBeyondItsColumnIsRefused();
    void staleAddressChangeIsRefused_data() { backends_data(); }
    void staleAddressChangeIsRefused();
    void branchLinksAreMadeAndDeleted_data() { backends_data(); }
    void branchLinksAreMadeAndDeleted();
    void refusedBranchLinkStoresNothing_data();
    void refusedBranchLinkStoresNothing();
    void branchUpdateTiesActiveConsumersOfItsClients_data() { backends_data(); }
    void branchUpdateTiesActiveConsumersOfItsClients();
    void listUpdateTiesTheClientsConsumers_data();
    void listUpdateTiesTheClientsConsumers();
    void refusedListUpdateStoresNothing_data();
    void refusedListUpdateStoresNothing();
    void branchLinkOverHttp_data() { backends_data(); }
    void branchLinkOverHttp();

private:
    bool open(const QString &backend)
    {
        // A database of its own for each run: the sessions of earlier ones stay open on this thread.
        static int serial = 0;
        const QString url = ServerFixture::create(backend, QString("tst_branchaddr_%1").arg(++serial));
        if (url.isEmpty())
            return false;
        m_dispatcher = ServerFixture::dispatcher(url);
        return true;
    }
    DbSession &db() { return DbSession::forThread(m_dispatcher->url()); }
    Value call(const QString &method, const QList<Value> &args) { return m_dispatcher->call(kModule, method, args); }
    QString error(const QString &method, const QList<Value> &args)
    {
        const Value r = call(method, args);
        return r.isError() ? r.errorText() : QString();
    }
    QString save(const QString &method, const DataSet &ds) { return error(method, {Value(ds.Delta())}); }
    void load(DataSet &ds, const QString &method, Who who)
    {
        const Value r = call(method, {Value(client(who.client)), Value(consumer(who.consumer))});
        QVERIFY2(!r.isError(), qPrintable(r.isError() ? r.errorText() : QString()));
        ds.setData(r.at(0).toPacket());
    }
    // The numbers and streets of a consumer's further addresses, in number order.
    QStringList addresses(Who who)
    {
        DataSet ds("cdsEndeCons");
        load(ds, "getEndeCons", who);
        const Packet p = ds.Data();
        QStringList out;
        for (qsizetype i = 0; i < p.rowCount(); ++i)
            out.append(p.value(i, u"CDENDECONS").toString() + ' ' + p.value(i, u"DSENDECONS").toString());
        return out;
    }
    // Every further address as "client/consumer/number street", sorted.
    QStringList allAddresses()
    {
        const Packet p = db().select("SELECT CDCLIENTE, CDCONSUMIDOR, CDENDECONS, DSENDECONS FROM ENDECONS", {},
                                     {{"CDCLIENTE", FieldType::String, 21},
                                      {"CDCONSUMIDOR", FieldType::String, 21},
                                      {"CDENDECONS", FieldType::String, 2},
                                      {"DSENDECONS", FieldType::String, 100}});
        QStringList out;
        for (qsizetype i = 0; i < p.rowCount(); ++i)
            out.append(QString("%1/%2/%3 %4")
                           .arg(p.value(i, 0).toString().toInt())
                           .arg(p.value(i, 1).toString().toInt())
                           .arg(p.value(i, 2).toString(), p.value(i, 3).toString()));
        out.sort();
        return out;
    }
    // Every branch link as "client/consumer/branch" with the codes' numbers, sorted.
    QStringList links(const QString &branch = {})
    {
        const Packet p = db().select("SELECT CDCLIENTE, CDCONSUMIDOR, CDFILIAL FROM CONSUMIFILIAL", {},
                                     {{"CDCLIENTE", FieldType::String, 21},
                                      {"CDCONSUMIDOR", FieldType::String, 21},
                                      {"CDFILIAL", FieldType::String, 4}});
        QStringList out;
        for (qsizetype i = 0; i < p.rowCount(); ++i) {
            if (branch.isEmpty() || p.value(i, 2).toString() == branch)
                out.append(QString("%1/%2/%3")
                               .arg(p.value(i, 0).toString().toInt())
                               .arg(p.value(i, 1).toString().toInt())
                               .arg(p.value(i, 2).toString()));
        }
        out.sort();
        return out;
    }
    static QStringList sorted(QStringList l)
    {
        l.sort();
        return l;
    }

    std::unique_ptr<Dispatcher> m_dispatcher;
};

void tst_BranchAndAddressMethods::init()
{
    QFETCH(QString, backend);
    if (!open(backend))
        QSKIP("PostgreSQL not running (CNS_TEST_PG_URL unset)");
}

void tst_BranchAndAddressMethods::cleanup()
{
    m_dispatcher.reset();
}

void tst_BranchAndAddressMethods::backends_data()
{
    ServerFixture::backendRows({"sqlite", "postgresql"});
}

void tst_BranchAndAddressMethods::addressesAreNumberedWithinTheConsumer()
{
    // A consumer's first address.
    DataSet ds("cdsEndeCons");
    load(ds, "getEndeCons", {1, 5});
    appendAddress(ds, {1, 5}, "Rua Primeira, 1");
    QCOMPARE(save("SetEndeCons", ds), QString());
    QCOMPARE(addresses({1, 5}), QStringList({"01 Rua Primeira, 1"}));

    // Two new ones in one call, beside the "01" the fixture gives consumer 1.
    load(ds, "getEndeCons", {1, 1});
    appendAddress(ds, {1, 1}, "Rua Segunda, 2");
    appendAddress(ds, {1, 1}, "Rua Terceira, 3");
    QCOMPARE(save("SetEndeCons", ds), QString());
    QCOMPARE(addresses({1, 1}), QStringList({"01 Rua Augusta, 100", "02 Rua Segunda, 2", "03 Rua Terceira, 3"}));

    // After a delete in the middle the next number follows the highest; after the last one is
    // deleted in the same call, its number is given again.
    load(ds, "getEndeCons", {1, 1});
    deleteRow(ds, "CDENDECONS", "02");
    QCOMPARE(save("SetEndeCons", ds), QString());
    load(ds, "getEndeCons", {1, 1});
    appendAddress(ds, {1, 1}, "Rua Quarta, 4");
    QCOMPARE(save("SetEndeCons", ds), QString());
    load(ds, "getEndeCons", {1, 1});
    deleteRow(ds, "CDENDECONS", "04");
    appendAddress(ds, {1, 1}, "Rua Quinta, 5");
    QCOMPARE(save("SetEndeCons", ds), QString());
    QCOMPARE(addresses({1, 1}), QStringList({"01 Rua Augusta, 100", "03 Rua Terceira, 3", "04 Rua Quinta, 5"}));

    // Numbers are the consumer's own: the same consumer code of another client starts at "01".
    load(ds, "getEndeCons", {2, 1});
    appendAddress(ds, {2, 1}, "Avenida Outra, 9");
    QCOMPARE(save("SetEndeCons", ds), QString());
    QCOMPARE(addresses({2, 1}), QStringList({"01 Avenida Outra, 9"}));

    // An edit keeps the number.
    load(ds, "getEndeCons", {2, 1});
    ds.Edit();
    ds.FieldByName(u"DSENDECONS").setAsString("Avenida Outra, 10");
    ds.Post();
    QCOMPARE(save("SetEndeCons", ds), QString());
    QCOMPARE(addresses({2, 1}), QStringList({"01 Avenida Outra, 10"}));
}

void tst_BranchAndAddressMethods::hundredthAddressIsRefused()
{
    // Consumer 3 holds 98 addresses: every number but "07", up to "99".
    db().begin(true);
    for (int n = 1; n <= 99; ++n) {
        if (n != 7)
            db().exec(
                "INSERT INTO ENDECONS (CDCLIENTE, CDCONSUMIDOR, CDENDECONS, DSENDECONS) VALUES (:C, :K, :N, 'Rua')",
                {{"C", Value(client(1))},
                 {"K", Value(consumer(3))},
                 {"N", Value(QString("%1").arg(n, 2, 10, QChar('0')))}});
    }
    db().commit();
    DataSet ds("cdsEndeCons");
    load(ds, "getEndeCons", {1, 3});
    appendAddress(ds, {1, 3}, "Rua Noventa e Nove");
    QCOMPARE(save("SetEndeCons", ds), QString());
    QVERIFY(addresses({1, 3}).contains("07 Rua Noventa e Nove"));

    const QStringList before = allAddresses();
    load(ds, "getEndeCons", {1, 3});
    appendAddress(ds, {1, 3}, "Rua Cem");
    const QString refusal = save("SetEndeCons", ds);
    QVERIFY2(refusal.contains("99 endereços") && refusal.contains(consumer(3)), qPrintable(refusal));
    QCOMPARE(allAddresses(), before);
}

void tst_BranchAndAddressMethods::refusedAddressChangeStoresNothing_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<Edit>("edit"); // on the addresses of consumer 1 of client 1, after a good new one
    QTest::addColumn<QStringList>("message");
    const QList<std::tuple<const char *, Edit, QStringList>> cases = {
        {"consumer missing",
         [](DataSet &ds) {
             appendAddress(ds, {1, 999}, "Rua de Ninguém");
         },
         QStringList {consumer(999), "não cadastrado"}},
        {"number moved",
         [](DataSet &ds) {
             QVERIFY(ds.Locate("CDENDECONS", {Value("01")}));
             ds.Edit();
             ds.FieldByName(u"CDENDECONS").setAsString("05");
             ds.Post();
         },
         QStringList {"não pode mudar"}},
        {"consumer moved",
         [](DataSet &ds) {
             QVERIFY(ds.Locate("CDENDECONS", {Value("01")}));
             ds.Edit();
             ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(4));
             ds.Post();
         },
         QStringList {"não pode mudar"}},
        {"number given twice",
         [](DataSet &ds) {
             appendAddress(ds, {1, 1}, "Rua Repetida");
             ds.Edit();
             ds.FieldByName(u"CDENDECONS").setAsString("01");
             ds.Post();
         },
         QStringList {"Já existe", "CDENDECONS 01"}},
    };
    for (const QString b : {"sqlite", "postgresql"}) {
        for (const auto &[name, edit, message] : cases)
            QTest::addRow("%s %s", qPrintable(b), name) << b << edit << message;
    }
}

void tst_BranchAndAddressMethods::refusedAddressChangeStoresNothing()
{
    QFETCH(Edit, edit);
    QFETCH(QStringList, message);
    const QStringList before = allAddresses();
    DataSet ds("cdsEndeCons");
    load(ds, "getEndeCons", {1, 1});
    appendAddress(ds, {1, 1}, "Rua Boa, 1");
    edit(ds);
    const QString refusal = save("SetEndeCons", ds);
    for (const QString &part : message)
        QVERIFY2(refusal.contains(part), qPrintable(refusal));
    QCOMPARE(allAddresses(), before);
}

void tst_BranchAndAddressMethods::keyBeyondItsColumnIsRefused()
{
    // A caller other than the screen may send a number of three characters: cut to two it would
    // take the place of address "10".
    ChangeSet changes({{"CDCLIENTE", FieldType::String, 21},
                       {"CDCONSUMIDOR", FieldType::String, 21},
                       {"CDENDECONS", FieldType::String, 3},
                       {"DSENDECONS", FieldType::String, 100}});
    Row::Builder b;
    for (const QString &v : {client(1), consumer(1), QString("100"), QString("Rua Longa")})
        b.addText(v);
    changes.add({ChangeSet::Op::Insert, {}, b.take()});
    const QStringList before = allAddresses();
    const QString refusal = error("SetEndeCons", {Value(changes)});
    QVERIFY2(refusal.contains("CDENDECONS") && refusal.contains("\"100\""), qPrintable(refusal));
    QCOMPARE(allAddresses(), before);
}

void tst_BranchAndAddressMethods::staleAddressChangeIsRefused()
{
    DataSet first("cdsEndeCons"), second("cdsEndeCons");
    load(first, "getEndeCons", {1, 1});
    load(second, "getEndeCons", {1, 1});
    first.Edit();
    first.FieldByName(u"DSENDECONS").setAsString("Rua do Primeiro");
    first.Post();
    QCOMPARE(save("SetEndeCons", first), QString());

    // The stale edit goes with a new address in the same call: neither stays.
    second.Edit();
    second.FieldByName(u"DSENDECONS").setAsString("Rua do Segundo");
    second.Post();
    appendAddress(second, {1, 1}, "Rua Nova do Segundo");
    QVERIFY(save("SetEndeCons", second).contains("foi alterado por outro usuário"));
    QCOMPARE(addresses({1, 1}), QStringList({"01 Rua do Primeiro"}));

    // A stale delete is refused too, and one of a row deleted meanwhile says so.
    load(second, "getEndeCons", {1, 1});
    load(first, "getEndeCons", {1, 1});
    first.Edit();
    first.FieldByName(u"NRCEPCONS").setAsString("01310-100");
    first.Post();
    QCOMPARE(save("SetEndeCons", first), QString());
    deleteRow(second, "CDENDECONS", "01");
    QVERIFY(save("SetEndeCons", second).contains("foi alterado por outro usuário"));
    load(first, "getEndeCons", {1, 1});
    deleteRow(first, "CDENDECONS", "01");
    QCOMPARE(save("SetEndeCons", first), QString());
    QVERIFY(save("SetEndeCons", first).contains("foi excluído por outro usuário"));
    QCOMPARE(addresses({1, 1}), QStringList());
}

void tst_BranchAndAddressMethods::branchLinksAreMadeAndDeleted()
{
    DataSet ds("cdsConsFilial");
    load(ds, "getConsFilial", {1, 3});
    appendLink(ds, {1, 3}, "0002");
    appendLink(ds, {1, 3}, "0001");
    QCOMPARE(save("SetConsFilial", ds), QString());
    load(ds, "getConsFilial", {1, 3});
    QCOMPARE(column(ds.Data(), "CDFILIAL"), QStringList({"0001", "0002"}));
    QCOMPARE(column(ds.Data(), "NMFILIAL"), QStringList({"Matriz São Paulo", "Filial Campinas"}));

    // A link deleted and made again in one call is no duplicate.
    deleteRow(ds, "CDFILIAL", "0002");
    appendLink(ds, {1, 3}, "0002");
    QCOMPARE(save("SetConsFilial", ds), QString());

    // Deleting a link someone else deleted meanwhile is refused as any stale change.
    DataSet other("cdsConsFilial");
    load(ds, "getConsFilial", {1, 3});
    load(other, "getConsFilial", {1, 3});
    deleteRow(ds, "CDFILIAL", "0001");
    QCOMPARE(save("SetConsFilial", ds), QString());
    deleteRow(other, "CDFILIAL", "0001");
    deleteRow(other, "CDFILIAL", "0002");
    QVERIFY(save("SetConsFilial", other).contains("foi excluído por outro usuário"));
    QCOMPARE(links(), sorted({"1/1/0001", "1/1/0002", "1/3/0002"}));
}

void tst_BranchAndAddressMethods::refusedBranchLinkStoresNothing_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<Edit>("edit"); // on the links of consumer 1 of client 1, after a good new link of consumer 3
    QTest::addColumn<QStringList>("message");
    const QList<std::tuple<const char *, Edit, QStringList>> cases = {
        {"branch outside the client",
         [](DataSet &ds) {
             appendLink(ds, {1, 4}, "0003");
         },
         QStringList {"0003", "Apenas filiais associadas ao cliente", client(1)}},
        {"branch of another client's",
         [](DataSet &ds) {
             appendLink(ds, {2, 1}, "0001");
         },
         QStringList {"0001", "não está associada ao cliente " + client(2)}},
        {"duplicate of a stored link",
         [](DataSet &ds) {
             appendLink(ds, {1, 1}, "0001");
         },
         QStringList {"Filial 0001 já cadastrada", consumer(1)}},
        {"duplicate in the change set",
         [](DataSet &ds) {
             appendLink(ds, {1, 5}, "0002");
             appendLink(ds, {1, 5}, "0002");
         },
         QStringList {"Filial 0002 já cadastrada", consumer(5)}},
        {"consumer missing",
         [](DataSet &ds) {
             appendLink(ds, {1, 999}, "0001");
         },
         QStringList {consumer(999), "não cadastrado", "0001"}},
        {"blank branch",
         [](DataSet &ds) {
             appendLink(ds, {1, 4}, "  ");
         },
         QStringList {"Código da filial deve ser informado."}},
        {"link edited",
         [](DataSet &ds) {
             QVERIFY(ds.Locate("CDFILIAL", {Value("0002")}));
             ds.Edit();
             ds.FieldByName(u"CDFILIAL").setAsString("0003");
             ds.Post();
         },
         QStringList {"não pode ser alterado", "0002"}},
    };
    for (const QString b : {"sqlite", "postgresql"}) {
        for (const auto &[name, edit, message] : cases)
            QTest::addRow("%s %s", qPrintable(b), name) << b << edit << message;
    }
}

void tst_BranchAndAddressMethods::refusedBranchLinkStoresNothing()
{
    QFETCH(Edit, edit);
    QFETCH(QStringList, message);
    const QStringList before = links();
    DataSet ds("cdsConsFilial");
    load(ds, "getConsFilial", {1, 1});
    appendLink(ds, {1, 3}, "0001");
    edit(ds);
    const QString refusal = save("SetConsFilial", ds);
    for (const QString &part : message)
        QVERIFY2(refusal.contains(part), qPrintable(refusal));
    QCOMPARE(links(), before);
}

void tst_BranchAndAddressMethods::branchUpdateTiesActiveConsumersOfItsClients()
{
    const QStringList others = links("0001");
    // Branch 0002: client 1's active consumers (consumer 1 tied already) and client 2's three.
    QStringList expected = activeOfClient1("0002") + QStringList {"2/1/0002", "2/2/0002", "2/3/0002"};
    const Value reply = call("setAtuFiliCons", {Value("0002")});
    QVERIFY2(!reply.isError(), qPrintable(reply.isError() ? reply.errorText() : QString()));
    QCOMPARE(reply.at(1).toInt(), expected.size() - 1);
    QCOMPARE(links("0002"), sorted(expected));
    QCOMPARE(links("0001"), others);

    // Run again it finds nothing to add.
    QCOMPARE(call("setAtuFiliCons", {Value("0002")}).at(1).toInt(), 0);
    QCOMPARE(links("0002"), sorted(expected));

    // Client 3 has no consumer; a branch no client has ties nothing; an unknown one is refused.
    QCOMPARE(error("setAtuFiliCons", {Value("0003")}), QString());
    QCOMPARE(links("0003"), QStringList());
    const QStringList before = links();
    QVERIFY(error("setAtuFiliCons", {Value("0009")}).contains("Filial 0009 não cadastrada"));
    QVERIFY(error("setAtuFiliCons", {Value(" ")}).contains("Código da filial deve ser informado"));
    QCOMPARE(links(), before);
}

void tst_BranchAndAddressMethods::listUpdateTiesTheClientsConsumers_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("branches");
    for (const QString b : {"sqlite", "postgresql"}) {
        QTest::addRow("%s both branches", qPrintable(b)) << b << "_0001_0002_" << QStringList {"0001", "0002"};
        QTest::addRow("%s a bare code", qPrintable(b)) << b << "0002" << QStringList {"0002"};
        QTest::addRow("%s one listed twice", qPrintable(b)) << b << "_0001_0001_" << QStringList {"0001"};
    }
}

void tst_BranchAndAddressMethods::listUpdateTiesTheClientsConsumers()
{
    QFETCH(QString, list);
    QFETCH(QStringList, branches);
    // Client 2's consumers share branch 0002 and must be left alone.
    db().begin(true);
    db().exec("DELETE FROM CONSUMIFILIAL WHERE CDCLIENTE = :C", {{"C", Value(client(2))}});
    db().commit();
    QStringList expected = {"1/1/0001", "1/1/0002"};
    for (const QString &b : branches)
        expected += activeOfClient1(b);
    expected.removeDuplicates();
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(error("setAtuFiliConsLista", {Value(list), Value(client(1))}), QString());
        QCOMPARE(links(), sorted(expected));
    }
}

void tst_BranchAndAddressMethods::refusedListUpdateStoresNothing_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("client");
    QTest::addColumn<QStringList>("message");
    for (const QString b : {"sqlite", "postgresql"}) {
        const QByteArray tag = b.toUtf8();
        const char *t = tag.constData();
        QTest::addRow("%s outsider after a good one", t)
            << b << "_0001_0003_" << 1 << QStringList {"A filial 0003 não está associada", client(1)};
        QTest::addRow("%s two outsiders", t) << b << "_0003_0002_0009_" << 2 << QStringList {"As filiais 0003, 0009"};
        QTest::addRow("%s empty list", t) << b << "" << 1 << QStringList {"Nenhuma filial foi selecionada"};
        QTest::addRow("%s only underscores", t) << b << "__" << 1 << QStringList {"Nenhuma filial foi selecionada"};
        QTest::addRow("%s unknown client", t) << b << "_0001_" << 99 << QStringList {client(99), "não cadastrado"};
    }
}

void tst_BranchAndAddressMethods::refusedListUpdateStoresNothing()
{
    QFETCH(QString, list);
    QFETCH(int, client);
    QFETCH(QStringList, message);
    const QStringList before = links();
    const QString refusal = error("setAtuFiliConsLista", {Value(list), Value(ServerFixture::client(client))});
    for (const QString &part : message)
        QVERIFY2(refusal.contains(part), qPrintable(refusal));
    QCOMPARE(links(), before);
}

void tst_BranchAndAddressMethods::branchLinkOverHttp()
{
    HttpServer::Options o;
    o.port = 0;
    HttpServer server(*m_dispatcher, o);
    QString listenError;
    QVERIFY2(server.listen(&listenError), qPrintable(listenError));
    Corvane::SimpleContext ctx;
    ctx.webURL = "127.0.0.1";
    ctx.webPort = server.port();
    Corvane::install(&ctx);
    DataSet ds("cdsConsFilial");
    load(ds, "getConsFilial", {1, 4});
    appendLink(ds, {1, 4}, "0002");
    Value saved, refused, bulk;
    ServerFixture::offThread([&] {
        TNetConnection net;
        saved = net.Call("SetConsFilial", {Value(ds.Delta())});
        refused = net.Call("SetConsFilial", {Value(ds.Delta())});
        bulk = net.Call("setAtuFiliConsLista", {Value("_0001_"), Value(client(2))});
    });
    Corvane::install(nullptr);
    QVERIFY2(!saved.isError(), qPrintable(saved.isError() ? saved.errorText() : QString()));
    QVERIFY2(refused.isError() && refused.errorText().contains("Filial 0002 já cadastrada"),
             qPrintable(refused.errorText()));
    QVERIFY2(bulk.isError() && bulk.errorText().contains("0001"), qPrintable(bulk.errorText()));
    QVERIFY(links().contains("1/4/0002"));
}

QTEST_GUILESS_MAIN(tst_BranchAndAddressMethods)
#include "tst_BranchAndAddressMethods.moc"
