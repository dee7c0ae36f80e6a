#include "DbSession.h"
#include "Packet.h"
#include "ServerFixture.h"

#include <QTest>
#include <functional>

using namespace cns;
using ServerFixture::client;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmConsumidor";

// The columns the automatic change may write, by group.
const QStringList kSaleColumns = {"IDTPVENDACONS"};
const QStringList kBalanceColumns = {"VRMESUBCONS", "VRPESUBCONS"};
const QStringList kVerificationColumns = {"IDVERSALDCON", "VRAVICREDCONS", "VRLIMCREDCONS", "VRMAXCREDCONS",
                                          "VRAVIDEBCONS", "VRLIMDEBCONS", "VRMAXDEBCONS"};
const QStringList kOtherColumns = {"NMCONSUMIDOR", "IDSITCONSUMI", "CDIDCONSUMID", "VRSUBSBASICO"};

QString list(const QStringList &keys)
{
    return "_" + keys.join("_") + "_";
}

// Consumers this suite adds: client 3 (branch 0003) gets four, and client 1 a second cost centre,
// held by its consumer 5; client 2 gets a cost centre with the code of client 1's first.
void seed(DbSession &s)
{
    s.begin(true);
    s.exec("INSERT INTO CCUSCLIE (CDCLIENTE, CDCCUSCLIE, NMCCUSCLIE) VALUES (:A, '0000000002', 'Produção'), "
           "(:B, '0000000001', 'Comercial'), (:C, '0000000009', 'Obra')",
           {{"A", Value(client(1))}, {"B", Value(client(2))}, {"C", Value(client(3))}});
    s.exec("UPDATE CONSUMIDOR SET CDCCUSCLIE = '0000000002' WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K",
           {{"C", Value(client(1))}, {"K", Value(consumer(5))}});
    for (int n = 1; n <= 4; ++n)
        s.exec("INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDSITCONSUMI, CDTIPOCONS, CDCCUSCLIE) "
               "VALUES (:C, :K, :N, '1', '01', '0000000009')",
               {{"C", Value(client(3))}, {"K", Value(consumer(n))}, {"N", Value(QString("Obra %1").arg(n))}});
    s.commit();
}

// The 26 arguments of AlteraConsumidor, every filter on "Todos" and nothing ticked unless set.
struct Change
{
    QString subsidy, percentage;
    QList<Value> limits = QList<Value>(6, Value());
    QString verification;
    QString clients, clientsAll = "T", consumers, consumersAll = "T", centres, centresAll = "T", types, typesAll = "T";
    QString saleType, newCentre, newType;
    bool sale = false, balance = false, verify = false, centre = false, type = false;
    QString branch = "T";

    QList<Value> args() const
    {
        QList<Value> a = {Value(subsidy), Value(percentage)};
        a += limits;
        for (const QString &t : {verification, clients, clientsAll, consumers, consumersAll, centres, centresAll, types,
                                 typesAll, saleType, newCentre, newType})
            a.append(Value(t));
        for (const bool f : {sale, balance, verify, centre, type})
            a.append(Value(f ? -1 : 0)); // the screen sends true as -1
        a.append(Value(branch));
        return a;
    }
};

// Every consumer, "client number/consumer number", with the text of each column it holds.
using Snapshot = QMap<QString, QMap<QString, QString>>;

} // namespace

class tst_AutoChangeMethods : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void backends_data();
    void listKeysNameEachRowAcrossClients_data() { backends_data(); }
    void listKeysNameEachRowAcrossClients();
    void consumerListFollowsTheFiltersAndTheBranch_data() { backends_data(); }
    void consumerListFollowsTheFiltersAndTheBranch();
    void eachFilterChangesExactlyItsConsumers_data() { backends_data(); }
    void eachFilterChangesExactlyItsConsumers();
    void onlyTheTickedGroupsAreWritten_data() { backends_data(); }
    void onlyTheTickedGroupsAreWritten();
    void blankValuesAreStoredAsNull_data() { backends_data(); }
    void blankValuesAreStoredAsNull();
    void badCallsAreRefusedAndChangeNothing_data() { backends_data(); }
    void badCallsAreRefusedAndChangeNothing();

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
    // The CODIGO of the row of a list whose shown code is code.
    QString key(const QString &backend, const QString &method, const QList<Value> &args, const QString &code)
    {
        const Packet p = packet(backend, method, args);
        for (qsizetype i = 0; i < p.rowCount(); ++i) {
            if (p.value(i, 2).toString() == code)
                return p.value(i, u"CODIGO").toString();
        }
        return {};
    }
    QString consumerKey(const QString &backend, int clientNo, int consumerNo)
    {
        return key(backend, "getAuxCons", {Value(list({client(clientNo)})), Value("T"), Value("T"), Value("T")},
                   consumer(consumerNo));
    }
    // AlteraConsumidor: the count it answers, or -1 with its refusal in error.
    qint64 change(const QString &backend, const Change &c, QString *error = nullptr)
    {
        const Value r = call(backend, "AlteraConsumidor", c.args());
        if (error)
            *error = r.isError() ? r.errorText() : QString();
        if (r.isError() && !error)
            qWarning("AlteraConsumidor: %s", qPrintable(r.errorText()));
        return r.isError() ? -1 : r.at(0).toInt();
    }
    Snapshot snapshot(const QString &backend);
    // The consumers whose row differs between before and after, and the columns that differ.
    static QStringList changedConsumers(const Snapshot &before, const Snapshot &after, QSet<QString> *columns = nullptr);
    // A value no consumer holds yet, so that every consumer a change reaches shows it.
    double fresh() { return 1000 + ++m_serial; }

    QMap<QString, std::shared_ptr<Dispatcher>> m_dispatchers;
    int m_serial = 0;
};

void tst_AutoChangeMethods::initTestCase()
{
    m_dispatchers = ServerFixture::dispatchers("tst_autochangemethods", [](DbSession &s) { seed(s); });
}

void tst_AutoChangeMethods::cleanupTestCase()
{
    m_dispatchers.clear();
}

void tst_AutoChangeMethods::backends_data()
{
    ServerFixture::backendRows(m_dispatchers.keys());
}

Snapshot tst_AutoChangeMethods::snapshot(const QString &backend)
{
    QList<FieldDef> fields = {{"CDCLIENTE", FieldType::String, 21}, {"CDCONSUMIDOR", FieldType::String, 21},
                              {"CDCCUSCLIE", FieldType::String, 10}, {"CDTIPOCONS", FieldType::String, 2}};
    for (const QStringList &group : {kSaleColumns, kBalanceColumns, kVerificationColumns, kOtherColumns}) {
        for (const QString &c : group)
            fields.append({c, c.startsWith("VR") ? FieldType::Float : FieldType::String, 200});
    }
    QStringList names;
    for (const FieldDef &f : fields)
        names.append(f.name);
    const Packet p = DbSession::forThread(m_dispatchers[backend]->url())
                         .select("SELECT " + names.join(", ") + " FROM CONSUMIDOR", {}, fields);
    Snapshot out;
    for (qsizetype i = 0; i < p.rowCount(); ++i) {
        QMap<QString, QString> row;
        for (int f = 2; f < fields.size(); ++f) {
            const Value v = p.value(i, f);
            row.insert(fields[f].name, v.isNull() ? "null" : v.isNumber() ? QString::number(v.toDouble()) : v.toString());
        }
        out.insert(QString("%1/%2").arg(p.value(i, 0).toString().toInt()).arg(p.value(i, 1).toString().toInt()), row);
    }
    return out;
}

QStringList tst_AutoChangeMethods::changedConsumers(const Snapshot &before, const Snapshot &after, QSet<QString> *columns)
{
    QStringList changed;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const QMap<QString, QString> old = before.value(it.key());
        if (old == it.value())
            continue;
        changed.append(it.key());
        for (auto c = it.value().cbegin(); columns && c != it.value().cend(); ++c) {
            if (old.value(c.key()) != c.value())
                columns->insert(c.key());
        }
    }
    return changed;
}

void tst_AutoChangeMethods::listKeysNameEachRowAcrossClients()
{
    QFETCH(QString, backend);
    struct ListCase
    {
        QString method;
        QList<Value> args;
        int width;
    };
    const QList<ListCase> lists = {{"getCentroCusto", {Value("T")}, 31},
                                   {"getAutTipoCons", {Value("T")}, 23},
                                   {"getAuxCons", {Value("T"), Value("T"), Value("T"), Value("T")}, 42}};
    for (const ListCase &l : lists) {
        const Packet p = packet(backend, l.method, l.args);
        QVERIFY2(p.rowCount() > 2, qPrintable(l.method));
        QSet<QString> keys;
        for (qsizetype i = 0; i < p.rowCount(); ++i) {
            const QString k = p.value(i, u"CODIGO").toString();
            // The host trims the keys it puts in a list text and splits it at "_".
            QCOMPARE(k.size(), l.width);
            QCOMPARE(k.trimmed(), k);
            QVERIFY2(!k.contains('_'), qPrintable(k));
            keys.insert(k);
        }
        QVERIFY2(keys.size() == p.rowCount(), qPrintable(l.method + ": a key names two rows"));
    }
    // The same cost-centre code at two clients: two rows, two keys.
    const QString of1 = key(backend, "getCentroCusto", {Value(list({client(1)}))}, "0000000001");
    const QString of2 = key(backend, "getCentroCusto", {Value(list({client(2)}))}, "0000000001");
    QVERIFY(!of1.isEmpty() && !of2.isEmpty() && of1 != of2);
    QCOMPARE(packet(backend, "getCentroCusto", {Value(list({client(1)}))}).rowCount(), 2);
    QCOMPARE(packet(backend, "getCentroCusto", {Value("")}).rowCount(), 0);
    // Client 1 names type 01 itself; its type 02 and client 2's come with the installation's name.
    const Packet types = packet(backend, "getAutTipoCons", {Value(list({client(1), client(2)}))});
    QStringList shown;
    for (qsizetype i = 0; i < types.rowCount(); ++i)
        shown.append(types.value(i, u"CDTIPOCONS").toString() + " " + types.value(i, u"NMTIPOCONSCLI").toString());
    QCOMPARE(shown, QStringList({"01 Colaborador", "02 Dependente", "02 Dependente"}));
}

void tst_AutoChangeMethods::consumerListFollowsTheFiltersAndTheBranch()
{
    QFETCH(QString, backend);
    const auto count = [&](const QString &clients, const QString &centres, const QString &types, const QString &branch) {
        return packet(backend, "getAuxCons", {Value(clients), Value(centres), Value(types), Value(branch)}).rowCount();
    };
    const QString centre2 = key(backend, "getCentroCusto", {Value(list({client(1)}))}, "0000000002");
    const QString type02 = key(backend, "getAutTipoCons", {Value(list({client(1)}))}, "02");
    QCOMPARE(count("T", list({centre2}), "T", "T"), 1);
    QCOMPARE(count("T", "T", list({type02}), "T"), 25); // client 2's consumers of type 02 stay out
    QCOMPARE(count(list({client(1)}), "T", "T", "T"), 75);
    QCOMPARE(count("T", "T", "T", "0003"), 4);
    QCOMPARE(count("T", "T", "T", "0002"), 75 + 3);
    QCOMPARE(count(list({client(3)}), "T", "T", "0001"), 0);
    QCOMPARE(count("", "T", "T", "T"), 0);
}

void tst_AutoChangeMethods::eachFilterChangesExactlyItsConsumers()
{
    QFETCH(QString, backend);
    QStringList client1, client2;
    for (int n = 1; n <= 75; ++n)
        client1.append(QString("1/%1").arg(n));
    client2 = QStringList {"2/1", "2/2", "2/3"};
    QStringList type02;
    for (int n = 3; n <= 75; n += 3)
        type02.append(QString("1/%1").arg(n));
    const QStringList client3 = {"3/1", "3/2", "3/3", "3/4"};

    struct FilterCase
    {
        const char *name;
        std::function<void(Change &)> filter;
        QStringList expected;
    };
    const QList<FilterCase> cases = {
        {"one client", [&](Change &c) { c.clients = list({client(1)}), c.clientsAll = ""; }, client1},
        {"cost centre", [&](Change &c) {
             c.centres = list({key(backend, "getCentroCusto", {Value("T")}, "0000000002")}), c.centresAll = "";
         }, {"1/5"}},
        {"consumer type of one client", [&](Change &c) {
             c.types = list({key(backend, "getAutTipoCons", {Value(list({client(1)}))}, "02")}), c.typesAll = "";
         }, type02},
        {"consumers of two clients", [&](Change &c) {
             c.consumers = list({consumerKey(backend, 1, 1), consumerKey(backend, 3, 2)}), c.consumersAll = "";
         }, {"1/1", "3/2"}},
        {"branch", [&](Change &c) { c.branch = "0003"; }, client3},
        {"branch and a client elsewhere", [&](Change &c) {
             c.branch = "0003", c.clients = list({client(1)}), c.clientsAll = "";
         }, {}},
        {"all on Todos", [](Change &) {}, QStringList(client1 + client2 + client3)},
    };
    for (const FilterCase &fc : cases) {
        Change c;
        fc.filter(c);
        c.verify = true, c.verification = "S", c.limits[4] = Value(fresh());
        const Snapshot before = snapshot(backend);
        const qint64 n = change(backend, c);
        QStringList changed = changedConsumers(before, snapshot(backend));
        QStringList expected = fc.expected;
        changed.sort(), expected.sort();
        QVERIFY2(changed == expected, fc.name);
        QVERIFY2(n == expected.size(), fc.name);
    }
}

void tst_AutoChangeMethods::onlyTheTickedGroupsAreWritten()
{
    QFETCH(QString, backend);
    struct GroupCase
    {
        const char *name;
        std::function<void(Change &)> tick;
        QSet<QString> columns;
    };
    const QList<GroupCase> cases = {
        {"sale type", [](Change &c) { c.sale = true, c.saleType = "3"; }, {"IDTPVENDACONS"}},
        {"balance", [this](Change &c) {
             c.balance = true, c.subsidy = QString::number(fresh()) + ",25", c.percentage = "12,5";
         }, {"VRMESUBCONS", "VRPESUBCONS"}},
        {"verification", [this](Change &c) {
             c.verify = true, c.verification = "N";
             for (Value &v : c.limits)
                 v = Value(fresh());
         }, QSet<QString>(kVerificationColumns.cbegin(), kVerificationColumns.cend())},
        {"cost centre", [](Change &c) { c.centre = true, c.newCentre = "0000000002"; }, {"CDCCUSCLIE"}},
        {"consumer type", [](Change &c) { c.type = true, c.newType = "02"; }, {"CDTIPOCONS"}},
    };
    for (const GroupCase &gc : cases) {
        Change c;
        // Every value travels, ticked or not: only the ticked group may reach the consumers.
        c.subsidy = "9,99", c.percentage = "9,99", c.verification = "S", c.saleType = "7", c.newCentre = "0000000001",
        c.newType = "01";
        c.limits = QList<Value>(6, Value(7.77));
        c.consumers = list({consumerKey(backend, 1, 1), consumerKey(backend, 1, 6)}), c.consumersAll = "";
        gc.tick(c);
        const Snapshot before = snapshot(backend);
        QCOMPARE(change(backend, c), 2);
        QSet<QString> columns;
        changedConsumers(before, snapshot(backend), &columns);
        QVERIFY2(!columns.isEmpty() && columns.subtract(gc.columns).isEmpty(), gc.name);
    }
    // The sale type and the consumer type as given, on both consumers.
    const Snapshot now = snapshot(backend);
    for (const QString k : {"1/1", "1/6"}) {
        QCOMPARE(now[k]["IDTPVENDACONS"], "3");
        QCOMPARE(now[k]["CDTIPOCONS"], "02");
        QCOMPARE(now[k]["CDCCUSCLIE"], "0000000002");
        QCOMPARE(now[k]["VRPESUBCONS"], "12.5");
        QCOMPARE(now[k]["IDVERSALDCON"], "N");
    }
}

void tst_AutoChangeMethods::blankValuesAreStoredAsNull()
{
    QFETCH(QString, backend);
    Change c;
    c.consumers = list({consumerKey(backend, 1, 1)}), c.consumersAll = "";
    c.verify = true, c.verification = "S";
    c.limits = {Value(10.5), Value(), Value(-3), Value(), Value(), Value(250)};
    c.balance = true, c.subsidy = "", c.percentage = " ";
    QVERIFY(snapshot(backend)["1/1"]["VRLIMDEBCONS"] != "null"); // the fixture gives it 1.5
    QCOMPARE(change(backend, c), 1);
    const QMap<QString, QString> row = snapshot(backend)["1/1"];
    const QStringList expected = {"10.5", "null", "-3", "null", "null", "250"};
    const QStringList order = {"VRAVICREDCONS", "VRLIMCREDCONS", "VRMAXCREDCONS", "VRAVIDEBCONS", "VRLIMDEBCONS", "VRMAXDEBCONS"};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(row[order[i]], expected[i]);
    QCOMPARE(row["VRMESUBCONS"], "null");
    QCOMPARE(row["VRPESUBCONS"], "null");
}

void tst_AutoChangeMethods::badCallsAreRefusedAndChangeNothing()
{
    QFETCH(QString, backend);
    struct Refusal
    {
        const char *name;
        std::function<void(Change &)> make;
        QString says;
    };
    const QList<Refusal> cases = {
        {"nothing ticked", [](Change &c) { c.saleType = "1"; }, "Nenhum grupo de dados a alterar"},
        {"sale type 8", [](Change &c) { c.sale = true, c.saleType = "8"; }, "tipo de venda deve ser de 1 a 7; veio \"8\""},
        {"sale type blank", [](Change &c) { c.sale = true; }, "tipo de venda deve ser de 1 a 7"},
        {"verification X", [](Change &c) { c.verify = true, c.verification = "X"; }, "Verifica Saldo na Venda deve ser S ou N"},
        {"balance not a number", [](Change &c) { c.balance = true, c.subsidy = "doze"; },
         "Saldo mensal concedido pela empresa: \"doze\" não é um valor válido"},
        {"limit beyond its column", [](Change &c) { c.verify = true, c.verification = "S", c.limits[0] = Value(1e15); },
         "VRAVICREDCONS aceita números de até 14 dígitos"},
        {"list with Todos", [](Change &c) { c.sale = true, c.saleType = "1", c.clients = list({client(1)}); },
         "filtro de clientes veio como \"Todos\" e com uma lista"},
        {"empty list", [](Change &c) { c.sale = true, c.saleType = "1", c.typesAll = ""; },
         "Nenhum item do filtro de tipos de consumidor"},
        {"bare underscores", [](Change &c) { c.sale = true, c.saleType = "1", c.consumersAll = "", c.consumers = "__"; },
         "Nenhum item do filtro de consumidores"},
        {"flag not T", [](Change &c) { c.sale = true, c.saleType = "1", c.centresAll = "S"; },
         "filtro de centros de custo deve ser \"T\""},
        {"unknown branch", [](Change &c) { c.sale = true, c.saleType = "1", c.branch = "0009"; }, "Filial 0009 não cadastrada"},
        {"unknown type", [](Change &c) { c.type = true, c.newType = "99"; }, "Tipo de Consumidor 99 não cadastrado"},
        {"blank cost centre", [](Change &c) { c.centre = true; }, "Centro de Custo deve ser informado"},
        // Client 2 has no cost centre 0000000002: its consumers may not be given client 1's.
        {"cost centre of another client", [](Change &c) {
             c.centre = true, c.newCentre = "0000000002", c.clients = list({client(1), client(2)}), c.clientsAll = "";
         }, "Centro de Custo 0000000002 não cadastrado para o cliente " + client(2)},
    };
    const Snapshot before = snapshot(backend);
    for (const Refusal &r : cases) {
        Change c;
        r.make(c);
        QString error;
        QCOMPARE(change(backend, c, &error), -1);
        QVERIFY2(error.contains(r.says, Qt::CaseInsensitive), qPrintable(QString(r.name) + ": " + error));
        QVERIFY2(error.startsWith("Nenhum consumidor foi alterado."), qPrintable(error));
    }
    // A limit sent as a text is refused before anything runs.
    QList<Value> args = Change().args();
    args[2] = Value("12,50");
    const Value r = call(backend, "AlteraConsumidor", args);
    QVERIFY(r.isError() && r.errorText().contains("um número ou nulo"));
    QVERIFY(snapshot(backend) == before);
}

QTEST_GUILESS_MAIN(tst_AutoChangeMethods)
#include "tst_AutoChangeMethods.moc"
