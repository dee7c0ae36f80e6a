#include "ChangeSet.h"
#include "Consiste.h"
#include "ConsumerRecord.h"
#include "DataSet.h"
#include "DbSession.h"
#include "Packet.h"
#include "ServerFixture.h"

#include <QTest>
#include <functional>

using namespace cns;
using ServerFixture::client;
using ServerFixture::column;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmConsumidor";

// "client/consumer" with the codes' numbers, in the packet's order.
QStringList pairs(const Packet &p)
{
    QStringList out;
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        out.append(QString("%1/%2")
                       .arg(p.value(i, u"CDCLIENTE").toString().toInt())
                       .arg(p.value(i, u"CDCONSUMIDOR").toString().toInt()));
    return out;
}

struct Seed
{
    int client, consumer;
    QString situation, badge, login;
    int linkedTo; // 0: no link
};

// Consumers this suite adds to the fixture. Client 2 carries check digits on its badges.
const QList<Seed> kSeeds = {
    {2, 81, "1", "123456789", "", 0}, // its key: "1234567897"
    {2, 82, "1", "19", "", 0}, // its key: "191"
    {2, 83, "2", "19", "", 0},
    {1, 91, "1", "1234567897", "maria.silva", 0},
    {1, 92, "1", "abc9x", "", 0},
    {3, 1, "1", "B10001", "", 0}, // same code and badge as consumer 1 of client 1
    {3, 91, "1", "", " Maria.Silva ", 0},
    {3, 96, "1", "", "", 0},
    {3, 97, "1", "", "", 96},
};

void seed(DbSession &s)
{
    s.begin(true);
    for (const Seed &c : kSeeds) {
        s.exec("INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDSITCONSUMI, CDIDCONSUMID, "
               "NMLOGINCONS, CDCONSVINCULO) "
               "VALUES (:C, :K, :N, :S, :B, :L, :V)",
               {{"C", Value(client(c.client))},
                {"K", Value(consumer(c.consumer))},
                {"N", Value(QString("Semente %1-%2").arg(c.client).arg(c.consumer))},
                {"S", Value(c.situation)},
                {"B", c.badge.isEmpty() ? Value() : Value(c.badge)},
                {"L", c.login.isEmpty() ? Value() : Value(c.login)},
                {"V", c.linkedTo ? Value(consumer(c.linkedTo)) : Value()}});
    }
    s.commit();
}

QList<Value> setArgs(const ChangeSet &changes, const QList<bool> &blank)
{
    QList<Value> args {Value(changes)};
    for (const bool b : blank)
        args.append(Value(b ? -1 : 0)); // the screen sends true as -1
    return args;
}

QList<bool> noneBlank()
{
    return QList<bool>(10, false);
}

} // namespace

class tst_ConsumerMethods : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void backends_data();
    void sameBadgeByComparisonKey_data();
    void sameBadgeByComparisonKey();
    void branchesOfAConsumer_data() { backends_data(); }
    void branchesOfAConsumer();
    void siteAccessCodeLeavesOutOnlyTheEditedConsumer_data();
    void siteAccessCodeLeavesOutOnlyTheEditedConsumer();
    void mainConsumerRules_data();
    void mainConsumerRules();
    void existingCodeAndLinkedConsumers_data() { backends_data(); }
    void existingCodeAndLinkedConsumers();
    void blankValuesAreStoredAsNull_data();
    void blankValuesAreStoredAsNull();
    void concurrentChangeAppliesNothing_data() { backends_data(); }
    void concurrentChangeAppliesNothing();
    void deleteTakesBranchesAndAddresses_data() { backends_data(); }
    void deleteTakesBranchesAndAddresses();
    void deleteOfAMainConsumerIsRefused_data() { backends_data(); }
    void deleteOfAMainConsumerIsRefused();
    void badgeRegisterKeepsEveryBadge_data() { backends_data(); }
    void badgeRegisterKeepsEveryBadge();
    void saveRulesAreKeptByTheServer_data() { backends_data(); }
    void saveRulesAreKeptByTheServer();
    void rulesLeaveUnchangedValuesAlone_data() { backends_data(); }
    void rulesLeaveUnchangedValuesAlone();
    void textsAreCutBetweenCharactersOnSave_data() { backends_data(); }
    void textsAreCutBetweenCharactersOnSave();
    void fingerprintTemplatesAreNeverCut_data() { backends_data(); }
    void fingerprintTemplatesAreNeverCut();

private:
    Value call(const QString &backend, const QString &method, const QList<Value> &args)
    {
        return m_dispatchers[backend]->call(kModule, method, args);
    }
    Packet packet(const QString &backend, const QString &method, const QList<Value> &args)
    {
        const Value r = call(backend, method, args);
        if (r.isError())
            qWarning("%s: %s", qPrintable(method), qPrintable(r.errorText()));
        return r.isError() ? Packet() : r.at(0).toPacket();
    }
    // The consumers of a client as the screen holds them, the cursor on one of them when given.
    void load(const QString &backend, DataSet &ds, int clientNo, int consumerNo = 0)
    {
        ds.setData(packet(backend, "getPrincipal", {Value(client(clientNo)), Value("T")}));
        if (consumerNo)
            QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(consumerNo))}));
    }
    // SetConsumidor with the packet's changes: the server's refusal, or empty.
    QString saveError(const QString &backend, const DataSet &ds, const QList<bool> &blank = noneBlank())
    {
        const Value r = call(backend, "SetConsumidor", setArgs(ds.Delta(), blank));
        return r.isError() ? r.errorText() : QString();
    }
    // A new consumer of client 4 (who has none in the fixture), not yet posted.
    void appendConsumer(const QString &backend, DataSet &ds, int code, const QString &name)
    {
        load(backend, ds, 4);
        ds.Append();
        ds.FieldByName(u"CDCLIENTE").setAsString(client(4));
        ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(code));
        ds.FieldByName(u"NMCONSUMIDOR").setAsString(name);
        ds.FieldByName(u"IDSITCONSUMI").setAsString("1");
    }
    DbSession &db(const QString &backend) { return DbSession::forThread(m_dispatchers[backend]->url()); }
    // Every consumer's key and checked fields, and every branch tie: what a refused save must leave.
    QStringList everything(const QString &backend)
    {
        QStringList out;
        const Packet c = db(backend).select(
            "SELECT CDCLIENTE || '/' || CDCONSUMIDOR || '/' || COALESCE(NMCONSUMIDOR, '-') || '/' || COALESCE(IDSITCONSUMI, '-') "
            "|| '/' || COALESCE(CDTIPOCONS, '-') || '/' || COALESCE(CDCCUSCLIE, '-') || '/' || COALESCE(CAST(VRLIMDEBCONS AS VARCHAR(30)), '-') "
            "FROM CONSUMIDOR UNION ALL SELECT 'F' || CDCLIENTE || '/' || CDCONSUMIDOR || '/' || CDFILIAL FROM CONSUMIFILIAL ORDER BY 1",
            {}, {{"R", FieldType::String, 0}});
        for (qsizetype i = 0; i < c.rowCount(); ++i)
            out.append(c.value(i, 0).toString());
        return out;
    }
    QMap<QString, std::shared_ptr<Dispatcher>> m_dispatchers;
};

void tst_ConsumerMethods::initTestCase()
{
    m_dispatchers = ServerFixture::dispatchers("tst_consumermethods", [](DbSession &s) { seed(s); });
}

void tst_ConsumerMethods::cleanupTestCase()
{
    m_dispatchers.clear();
}

void tst_ConsumerMethods::backends_data()
{
    ServerFixture::backendRows(m_dispatchers.keys());
}

void tst_ConsumerMethods::sameBadgeByComparisonKey_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("client");
    QTest::addColumn<int>("consumer");
    QTest::addColumn<QStringList>("found");
    for (const QString &b : m_dispatchers.keys()) {
        const QByteArray name = b.toUtf8();
        const char *n = name.constData();
        QTest::addRow("%s stored in lower case", n) << b << "ABC9X" << 4 << 1 << QStringList {"1/92"};
        QTest::addRow("%s key in lower case", n) << b << "abc9x" << 4 << 1 << QStringList {"1/92"};
        QTest::addRow("%s plain and check-digit badges", n)
            << b << "1234567897" << 4 << 1 << QStringList {"1/91", "2/81"};
        QTest::addRow("%s last char not the digit", n) << b << "1234567890" << 4 << 1 << QStringList {};
        QTest::addRow("%s check-digit badge unchecked", n) << b << "123456789" << 4 << 1 << QStringList {};
        QTest::addRow("%s inactive ignored", n) << b << "191" << 4 << 1 << QStringList {"2/82"};
        QTest::addRow("%s current consumer left out", n) << b << "191" << 2 << 82 << QStringList {};
        QTest::addRow("%s same code in another client", n) << b << "B10001" << 1 << 1 << QStringList {"3/1"};
        QTest::addRow("%s same code seen from there", n) << b << "B10001" << 3 << 1 << QStringList {"1/1"};
        QTest::addRow("%s empty key", n) << b << "" << 4 << 1 << QStringList {};
        QTest::addRow("%s one digit", n) << b << "0" << 4 << 1 << QStringList {};
    }
}

void tst_ConsumerMethods::sameBadgeByComparisonKey()
{
    QFETCH(QString, backend);
    QFETCH(QString, key);
    QFETCH(int, client);
    QFETCH(int, consumer);
    QFETCH(QStringList, found);
    const QList<Value> args
        = {Value(key), Value(ServerFixture::consumer(consumer)), Value(ServerFixture::client(client))};
    const Packet ident = packet(backend, "getIdentIgual", args);
    QCOMPARE(pairs(ident), found);
    QCOMPARE(column(ident, "IDBLOQCDIDCONS"), QStringList(found.size(), "N"));
    const Packet same = packet(backend, "getCrachaIgual", args);
    QCOMPARE(pairs(same), found);
    QCOMPARE(same.fields().size(), 3);
    if (!found.isEmpty())
        QVERIFY(!same.value(0, u"NMCONSUMIDOR").toString().isEmpty());
}

void tst_ConsumerMethods::branchesOfAConsumer()
{
    QFETCH(QString, backend);
    const QString c1 = client(1), k1 = consumer(1);
    QCOMPARE(column(packet(backend, "getVdCrachaFilial", {Value(k1), Value(c1)}), "CDFILIAL"),
             QStringList({"0001", "0002"}));
    QCOMPARE(packet(backend, "getVdCrachaFilial", {Value(consumer(3)), Value(c1)}).rowCount(), 0);
    const QList<QPair<QString, QStringList>> cases
        = {{"0002", {"0002"}}, {"T", {"0001", "0002"}}, {"", {"0001", "0002"}}, {"0003", {}}};
    for (const auto &[branch, expected] : cases)
        QCOMPARE(column(packet(backend, "getVdConsFilial", {Value(c1), Value(k1), Value(branch)}), "CDFILIAL"),
                 expected);
}

void tst_ConsumerMethods::siteAccessCodeLeavesOutOnlyTheEditedConsumer_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("consumer");
    QTest::addColumn<QString>("clientField");
    QTest::addColumn<QStringList>("found");
    for (const QString &b : m_dispatchers.keys()) {
        const QByteArray name = b.toUtf8();
        const char *n = name.constData();
        QTest::addRow("%s edited one left out", n)
            << b << "MARIA.SILVA" << 91 << "11.222.333/0001-81" << QStringList {"3/91"};
        QTest::addRow("%s other client's same code", n)
            << b << "maria.silva " << 91 << "529.982.247-25" << QStringList {"1/91"};
        QTest::addRow("%s another consumer", n)
            << b << "Maria.Silva" << 5 << "11.222.333/0001-81" << QStringList {"1/91", "3/91"};
        QTest::addRow("%s field without digits", n) << b << "maria.silva" << 91 << "" << QStringList {"1/91", "3/91"};
        QTest::addRow("%s only a prefix", n) << b << "maria" << 5 << "" << QStringList {};
        QTest::addRow("%s blank code", n) << b << "  " << 5 << "" << QStringList {};
    }
}

void tst_ConsumerMethods::siteAccessCodeLeavesOutOnlyTheEditedConsumer()
{
    QFETCH(QString, backend);
    QFETCH(QString, code);
    QFETCH(int, consumer);
    QFETCH(QString, clientField);
    QFETCH(QStringList, found);
    const Packet p
        = packet(backend, "getNomeSite", {Value(code), Value(ServerFixture::consumer(consumer)), Value(clientField)});
    QCOMPARE(pairs(p), found);
    if (found.contains("3/91"))
        QCOMPARE(p.value(found.indexOf("3/91"), u"NMFANTCLIE").toString(), QString("João da Silva"));
}

void tst_ConsumerMethods::mainConsumerRules_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    for (const QString &b : m_dispatchers.keys()) {
        const QByteArray name = b.toUtf8();
        const char *n = name.constData();
        QTest::addRow("%s unpadded code", n) << b << "1" << true;
        QTest::addRow("%s padded code", n) << b << consumer(1) << true;
        QTest::addRow("%s itself", n) << b << "5" << false;
        QTest::addRow("%s inactive", n) << b << "10" << false;
        QTest::addRow("%s linked to another", n) << b << "2" << false;
        QTest::addRow("%s of another client", n) << b << "81" << false;
        QTest::addRow("%s unknown", n) << b << "999" << false;
        QTest::addRow("%s blank", n) << b << " " << false;
    }
}

void tst_ConsumerMethods::mainConsumerRules()
{
    QFETCH(QString, backend);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    const Packet check = packet(backend, "getVdConsVinculo", {Value(client(1)), Value(consumer(5)), Value(typed)});
    QCOMPARE(check.rowCount(), accepted ? 1 : 0);
    if (accepted)
        QCOMPARE(check.value(0, u"1"), Value(1));
    // The lookup offers exactly what the check accepts.
    const Packet candidates = packet(backend, "getConsVinculo", {Value(client(1)), Value(consumer(5))});
    QCOMPARE(column(candidates, "CDCONSUMIDOR").contains(Consiste::Ajusta(typed, 21)), accepted);
    QStringList names = column(candidates, "NMCONSUMIDOR");
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
}

void tst_ConsumerMethods::existingCodeAndLinkedConsumers()
{
    QFETCH(QString, backend);
    QCOMPARE(pairs(packet(backend, "getPesqConsumidor", {Value(client(1)), Value(consumer(5))})), QStringList {"1/5"});
    QCOMPARE(packet(backend, "getPesqConsumidor", {Value(client(4)), Value(consumer(5))}).rowCount(), 0);
    const Packet linked = packet(backend, "getConsuVinculados", {Value(client(1)), Value(consumer(1))});
    QCOMPARE(column(linked, "CDCONSUMIDOR"), QStringList {consumer(2)});
    QCOMPARE(column(linked, "NMCONSUMIDOR"), QStringList {ServerFixture::consumerName(2)});
    QCOMPARE(packet(backend, "getConsuVinculados", {Value(client(2)), Value(consumer(1))}).rowCount(),
             0); // other client
}

void tst_ConsumerMethods::blankValuesAreStoredAsNull_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("blankMask"); // bit i: value field i left blank
    for (const QString &b : m_dispatchers.keys()) {
        const QByteArray name = b.toUtf8();
        const char *n = name.constData();
        QTest::addRow("%s all blank", n) << b << 11 << 0x3FF;
        QTest::addRow("%s none blank", n) << b << 12 << 0;
        QTest::addRow("%s every other", n) << b << 13 << 0x155;
        QTest::addRow("%s credit limit blank, debit maximum zero", n) << b << 14 << 0x10;
    }
}

void tst_ConsumerMethods::blankValuesAreStoredAsNull()
{
    QFETCH(QString, backend);
    QFETCH(int, code);
    QFETCH(int, blankMask);
    const QStringList &valueFields = ConsumerRecord::valueFlagFields();
    QList<bool> blank, inverse;
    for (int i = 0; i < valueFields.size(); ++i) {
        blank.append(blankMask & (1 << i));
        inverse.append(!blank.last());
    }
    auto stored = [&](const QList<bool> &expected) {
        DataSet ds("cdsConsumidor");
        load(backend, ds, 4, code);
        for (int i = 0; i < valueFields.size(); ++i) {
            const Field &f = ds.FieldByName(valueFields.at(i));
            QVERIFY2(expected.at(i) ? f.IsNull() : f.AsValue() == Value(0.0), qPrintable(valueFields.at(i)));
        }
    };
    auto zeroAll = [&](DataSet &ds) {
        for (const QString &f : valueFields)
            ds.FieldByName(f).setAsFloat(0);
        ds.FieldByName(u"NMTIPOCONS").setAsString("Colaborador"); // a display name: not a column
        ds.Post();
    };

    DataSet ds("cdsConsumidor");
    appendConsumer(backend, ds, code, "Novo Consumidor");
    zeroAll(ds);
    QCOMPARE(saveError(backend, ds, blank), QString());
    stored(blank);

    // Saved again the other way round: a null becomes 0, an unchanged 0 becomes null.
    load(backend, ds, 4, code);
    ds.Edit();
    zeroAll(ds);
    QCOMPARE(saveError(backend, ds, inverse), QString());
    stored(inverse);

    load(backend, ds, 4, code);
    ds.Delete();
    QCOMPARE(saveError(backend, ds), QString());
    QCOMPARE(packet(backend, "getPesqConsumidor", {Value(client(4)), Value(consumer(code))}).rowCount(), 0);
}

void tst_ConsumerMethods::concurrentChangeAppliesNothing()
{
    QFETCH(QString, backend);
    auto rename = [](DataSet &ds, int code, const QString &name) {
        QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(code))}));
        ds.Edit();
        ds.FieldByName(u"NMCONSUMIDOR").setAsString(name);
        ds.Post();
    };
    DataSet first("cdsConsumidor"), second("cdsConsumidor");
    load(backend, first, 2);
    load(backend, second, 2);
    rename(first, 1, "Primeiro Operador");
    QCOMPARE(saveError(backend, first), QString());

    // A good change and a stale one in the same call: neither stays.
    rename(second, 2, "Segundo Operador B");
    rename(second, 1, "Segundo Operador A");
    QVERIFY(saveError(backend, second).contains("foi alterado por outro usuário"));
    // A stale delete is refused too.
    second.CancelUpdates();
    QVERIFY(second.Locate("CDCONSUMIDOR", {Value(consumer(1))}));
    second.Delete();
    QVERIFY(!saveError(backend, second).isEmpty());

    const Packet now = packet(backend, "getPrincipal", {Value(client(2)), Value("T")});
    QCOMPARE(column(now, "NMCONSUMIDOR").mid(0, 2), QStringList({"Primeiro Operador", "Consumidor 2 da filial"}));
}

void tst_ConsumerMethods::deleteTakesBranchesAndAddresses()
{
    QFETCH(QString, backend);
    // Client 4's consumer shares its code with consumer 1 of client 1, who has branches and an address.
    DataSet ds("cdsConsumidor");
    appendConsumer(backend, ds, 1, "Homônimo");
    ds.Post();
    QCOMPARE(saveError(backend, ds), QString());
    DbSession &s = db(backend);
    s.begin(true);
    const QHash<QString, Value> key = {{"C", Value(client(4))}, {"K", Value(consumer(1))}};
    s.exec("INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) VALUES (:C, :K, '0003')", key);
    s.exec(
        "INSERT INTO ENDECONS (CDCLIENTE, CDCONSUMIDOR, CDENDECONS, DSENDECONS) VALUES (:C, :K, '01', 'Rua Nova, 1')",
        key);
    s.commit();

    load(backend, ds, 4, 1);
    ds.Delete();
    QCOMPARE(saveError(backend, ds), QString());
    QCOMPARE(s.count("SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K", key), 0);
    QCOMPARE(s.count("SELECT COUNT(*) FROM ENDECONS WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K", key), 0);
    QCOMPARE(packet(backend, "getConsFilial", {Value(client(1)), Value(consumer(1))}).rowCount(), 2);
    QCOMPARE(packet(backend, "getEndeCons", {Value(client(1)), Value(consumer(1))}).rowCount(), 1);
}

void tst_ConsumerMethods::deleteOfAMainConsumerIsRefused()
{
    QFETCH(QString, backend);
    auto exists = [&](int code) {
        return packet(backend, "getPesqConsumidor", {Value(client(3)), Value(consumer(code))}).rowCount() == 1;
    };
    DataSet ds("cdsConsumidor");
    load(backend, ds, 3, 96);
    ds.Delete();
    const QString refused = saveError(backend, ds);
    QVERIFY2(refused.contains("Semente 3-97 (" + consumer(97) + ")"), qPrintable(refused));
    QVERIFY(exists(96));

    // Unlinking in the same call lets the delete through.
    load(backend, ds, 3, 97);
    ds.Edit();
    ds.FieldByName(u"CDCONSVINCULO").Clear();
    ds.Post();
    QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(96))}));
    ds.Delete();
    QCOMPARE(saveError(backend, ds), QString());
    QVERIFY(!exists(96));

    // A link saved to a main consumer that is gone is refused, and the consumer keeps its old state.
    load(backend, ds, 3, 97);
    ds.Edit();
    ds.FieldByName(u"CDCONSVINCULO").setAsString(consumer(96));
    ds.Post();
    QVERIFY(saveError(backend, ds).contains("consumidor principal"));
    load(backend, ds, 3, 97);
    QVERIFY(ds.FieldByName(u"CDCONSVINCULO").IsNull());
}

void tst_ConsumerMethods::badgeRegisterKeepsEveryBadge()
{
    QFETCH(QString, backend);
    auto registered = [&] {
        return column(
            db(backend).select("SELECT CDIDCONSUMID FROM REGIDENTCONS WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K "
                               "ORDER BY CDIDCONSUMID",
                               {{"C", Value(client(4))}, {"K", Value(consumer(20))}}, {{"B", FieldType::String, 21}}),
            "B");
    };
    DataSet ds("cdsConsumidor");
    auto saveWith = [&](const char *field, const QString &value) {
        load(backend, ds, 4, 20);
        ds.Edit();
        ds.FieldByName(QString(field)).setAsString(value);
        ds.Post();
        QCOMPARE(saveError(backend, ds), QString());
    };
    appendConsumer(backend, ds, 20, "Crachá Trocado");
    ds.FieldByName(u"CDIDCONSUMID").setAsString("R1");
    ds.Post();
    QCOMPARE(saveError(backend, ds), QString());
    QCOMPARE(registered(), QStringList {"R1"});
    saveWith("CDIDCONSUMID", "R2");
    QCOMPARE(registered(), QStringList({"R1", "R2"}));
    saveWith("NMCONSUMIDOR", "Outro Nome");
    saveWith("CDIDCONSUMID", "R1"); // given back: no second row
    QCOMPARE(registered(), QStringList({"R1", "R2"}));
    load(backend, ds, 4, 20);
    ds.Delete();
    QCOMPARE(saveError(backend, ds), QString());
    QCOMPARE(registered(), QStringList({"R1", "R2"}));
}

// SetConsumidor keeps the consumer record's rules whatever its caller checked: each refusal names
// the consumer, and nothing of the change set stays (a good row sent with a bad one included). The
// server once moved a consumer to a client that did not exist, leaving its branches behind.
void tst_ConsumerMethods::saveRulesAreKeptByTheServer()
{
    QFETCH(QString, backend);
    struct Case
    {
        const char *name;
        std::function<void(DataSet &)> change; // on a new consumer 60 of client 4, or on consumer 1 of client 1
        bool update;
        QString named, reason;
    };
    auto set = [](const char *field, const QString &value) {
        return [field, value](DataSet &ds) { ds.FieldByName(QString(field)).setAsString(value); };
    };
    auto clear = [](const char *field) { return [field](DataSet &ds) { ds.FieldByName(QString(field)).Clear(); }; };
    const QString added = consumer(60) + " - Novo", first = consumer(1) + " - " + ServerFixture::consumerName(1);
    const QString keyKept = "O cliente e o código de um consumidor gravado não podem ser alterados";
    const QList<Case> cases = {
        {"unknown client", set("CDCLIENTE", client(99)), false, added, "Cliente " + client(99) + " não cadastrado."},
        {"blank client", set("CDCLIENTE", " "), false, added, "Cliente deve ser informado."},
        {"blank code", set("CDCONSUMIDOR", "  "), false, "Novo", "Consumidor deve ser informado."},
        {"blank name", set("NMCONSUMIDOR", "   "), false, consumer(60), "Nome deve ser informado."},
        {"null name", clear("NMCONSUMIDOR"), false, consumer(60), "Nome deve ser informado."},
        {"situation 3", set("IDSITCONSUMI", "3"), false, added, "A situação deve ser 1 (Ativo) ou 2 (Inativo); veio \"3\"."},
        {"no situation", clear("IDSITCONSUMI"), false, added, "A situação deve ser 1 (Ativo) ou 2 (Inativo); veio \"\"."},
        {"unknown type", set("CDTIPOCONS", "99"), false, added, "Tipo de consumidor 99 não cadastrado."},
        {"another client's cost centre", set("CDCCUSCLIE", "0000000001"), false, added,
         "Centro de custo 0000000001 não cadastrado para o cliente deste consumidor."},
        {"amount beyond its column", [](DataSet &ds) { ds.FieldByName(u"VRLIMDEBCONS").setAsFloat(1e15); }, false, consumer(60),
         "o campo VRLIMDEBCONS aceita números de até 14 dígitos antes da vírgula"},
        {"moved to another client", set("CDCLIENTE", client(4)), true, first,
         keyKept + " (" + client(1) + "/" + consumer(1) + " para " + client(4) + "/" + consumer(1) + ")"},
        {"moved to an unknown client", set("CDCLIENTE", client(99)), true, first, keyKept},
        {"code changed", set("CDCONSUMIDOR", consumer(99)), true, first, keyKept},
        {"name blanked", set("NMCONSUMIDOR", ""), true, consumer(1), "Nome deve ser informado."},
        {"situation changed to 0", set("IDSITCONSUMI", "0"), true, first, "veio \"0\""},
        {"type changed to an unknown one", set("CDTIPOCONS", "77"), true, first, "Tipo de consumidor 77 não cadastrado."},
    };
    const QStringList before = everything(backend);
    for (const Case &c : cases) {
        DataSet ds("cdsConsumidor");
        if (c.update) {
            load(backend, ds, 1, 1);
            ds.Edit();
        } else {
            // A good consumer goes in the same change set, before the bad one.
            appendConsumer(backend, ds, 59, "Bom");
            ds.Post();
            ds.Append();
            ds.FieldByName(u"CDCLIENTE").setAsString(client(4));
            ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(60));
            ds.FieldByName(u"NMCONSUMIDOR").setAsString("Novo");
            ds.FieldByName(u"IDSITCONSUMI").setAsString("1");
        }
        c.change(ds);
        ds.Post();
        const QString refused = saveError(backend, ds);
        QVERIFY2(refused.contains(c.reason), qPrintable(QString("%1: %2").arg(c.name, refused)));
        QVERIFY2(refused.contains(c.named), qPrintable(QString("%1: %2").arg(c.name, refused)));
        QCOMPARE(everything(backend), before);
    }
}

// A rule looks only at what a save writes: a consumer stored before the rules (here one of client 2
// with client 1's cost centre) can still be renamed; a good type and cost centre are taken.
void tst_ConsumerMethods::rulesLeaveUnchangedValuesAlone()
{
    QFETCH(QString, backend);
    DataSet ds("cdsConsumidor");
    load(backend, ds, 2, 3);
    QCOMPARE(ds.FieldByName(u"CDCCUSCLIE").AsString(), QString("0000000001"));
    ds.Edit();
    ds.FieldByName(u"NMCONSUMIDOR").setAsString("Renomeado com centro antigo");
    ds.Post();
    QCOMPARE(saveError(backend, ds), QString());

    load(backend, ds, 1);
    ds.Append();
    ds.FieldByName(u"CDCLIENTE").setAsString(client(1));
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(161));
    ds.FieldByName(u"NMCONSUMIDOR").setAsString("Completo");
    ds.FieldByName(u"IDSITCONSUMI").setAsString("2");
    ds.FieldByName(u"CDTIPOCONS").setAsString("02");
    ds.FieldByName(u"CDCCUSCLIE").setAsString("0000000001");
    ds.Post();
    QCOMPARE(saveError(backend, ds), QString());
    load(backend, ds, 1, 161);
    QCOMPARE(ds.FieldByName(u"CDTIPOCONS").AsString(), QString("02"));
    ds.Delete();
    QCOMPARE(saveError(backend, ds), QString());
}

// A name longer than its 50 places is cut where a character ends, on the server too (a caller
// other than the screen may send it whole): an emoji or a letter and its accent across the end are
// left out whole, and what is stored reads back as it was cut on both databases.
void tst_ConsumerMethods::textsAreCutBetweenCharactersOnSave()
{
    QFETCH(QString, backend);
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80"), acute = QString(QChar(0x0301));
    const QList<QPair<QString, QString>> names = {
        {QString(49, u'y') + grin, QString(49, u'y')},
        {QString(48, u'y') + grin, QString(48, u'y') + grin},
        {QString(49, u'y') + QChar(0xE9) + "z", QString(49, u'y') + QChar(0xE9)},
        {QString(49, u'y') + "e" + acute, QString(49, u'y')},
    };
    ChangeSet changes({{"CDCLIENTE", FieldType::String, 21}, {"CDCONSUMIDOR", FieldType::String, 21},
                       {"NMCONSUMIDOR", FieldType::String, 0}, {"IDSITCONSUMI", FieldType::String, 1}});
    for (int i = 0; i < names.size(); ++i) {
        Row::Builder b;
        for (const QString &v : {client(4), consumer(40 + i), names.at(i).first, QString("1")})
            b.addText(v);
        changes.add({ChangeSet::Op::Insert, {}, b.take()});
    }
    const Value reply = call(backend, "SetConsumidor", setArgs(changes, noneBlank()));
    QVERIFY2(!reply.isError(), qPrintable(reply.isError() ? reply.errorText() : QString()));
    DataSet ds("cdsConsumidor");
    load(backend, ds, 4);
    for (int i = 0; i < names.size(); ++i) {
        QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(40 + i))}));
        QCOMPARE(ds.FieldByName(u"NMCONSUMIDOR").AsString(), names.at(i).second);
        ds.Delete();
    }
    QCOMPARE(saveError(backend, ds), QString());
}

// Fingerprint templates are stored whole or not at all, whatever the caller: 2000 characters fit,
// one more is refused, naming the finger, and nothing of the change set stays.
void tst_ConsumerMethods::fingerprintTemplatesAreNeverCut()
{
    QFETCH(QString, backend);
    const auto save = [&](const QString &first, const QString &second) {
        ChangeSet changes({{"CDCLIENTE", FieldType::String, 21}, {"CDCONSUMIDOR", FieldType::String, 21},
                           {"NMCONSUMIDOR", FieldType::String, 50}, {"IDSITCONSUMI", FieldType::String, 1},
                           {"DIGICONSUMIDOR", FieldType::String, 0}, {"DIGICONSUMIDOR2", FieldType::String, 0}});
        Row::Builder b;
        for (const QString &v : {client(4), consumer(70), QString("Digitais"), QString("1"), first, second})
            b.addText(v);
        changes.add({ChangeSet::Op::Insert, {}, b.take()});
        const Value reply = call(backend, "SetConsumidor", setArgs(changes, noneBlank()));
        return reply.isError() ? reply.errorText() : QString();
    };
    const QStringList before = everything(backend);
    QString refused = save(QString(2000, u'A'), QString(2001, u'B'));
    QVERIFY2(refused.contains("A Digital 2 tem 2001 caracteres e o campo aceita no máximo 2000."), qPrintable(refused));
    QVERIFY2(refused.contains(consumer(70) + " - Digitais"), qPrintable(refused));
    refused = save(QString(2001, u'A'), QString());
    QVERIFY2(refused.contains("A Digital 1 tem 2001 caracteres"), qPrintable(refused));
    QCOMPARE(everything(backend), before);

    QCOMPARE(save(QString(2000, u'A'), QString(1999, u'B')), QString());
    DataSet ds("cdsConsumidor");
    load(backend, ds, 4, 70);
    QCOMPARE(ds.FieldByName(u"DIGICONSUMIDOR").AsString(), QString(2000, u'A'));
    QCOMPARE(ds.FieldByName(u"DIGICONSUMIDOR2").AsString(), QString(1999, u'B'));
    ds.Delete();
    QCOMPARE(saveError(backend, ds), QString());
}

QTEST_GUILESS_MAIN(tst_ConsumerMethods)
#include "tst_ConsumerMethods.moc"
