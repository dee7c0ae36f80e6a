#include "ChangeSet.h"
#include "ChangeSetWriter.h"
#include "ConsumerQueries.h"
#include "RdmImportConsu.h"
#include "DataSet.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"
#include "Packet.h"
#include "Schema.h"
#include "ServerFixture.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QFileInfo>
#include <QTest>
#include <atomic>
#include <cmath>
#include <stdexcept>

using namespace cns;
using ServerFixture::client;
using ServerFixture::column;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmConsumidor";

// How many times the test module's methods ran their handlers.
std::atomic<int> g_handled{0};

// A module of the test only: writes a change set into a named table through the server's write
// path; fails in the database, and outside it; fills a scratch table with 12 MB (SQLite's SQL).
QList<RemoteMethod> writerModule()
{
    return {{"setTabela",
             {{"tabela", RemoteMethod::Kind::Text}, {"alterações", RemoteMethod::Kind::ChangeSet}},
             true,
             [](MethodCall &call) {
                 ++g_handled;
                 ChangeSetWriter(call.db(), Schema::table(call.text(0))).apply(call.changes(1));
                 return Value(true);
             }},
            {"falharNoBanco",
             {},
             false,
             [](MethodCall &call) {
                 call.db().select("SELECT NMNADA FROM TABELA_INEXISTENTE", {}, {{"NMNADA", FieldType::String, 0}});
                 return Value(true);
             }},
            {"falharNoServidor", {}, false, [](MethodCall &) -> Value { throw std::runtime_error("vector::_M_range_check"); }},
            {"encher",
             {},
             true,
             [](MethodCall &call) {
                 call.db().exec("WITH RECURSIVE R(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM R WHERE N < 8000) "
                                "INSERT INTO TMPOCIOSO SELECT N, printf('%.1500c', 'x') FROM R");
                 return Value(true);
             }}};
}

// A change set inserting one row of the given fields and values.
ChangeSet insertOf(const QList<FieldDef> &fields, const QList<Value> &values)
{
    ChangeSet changes(fields);
    Row::Builder b;
    for (const Value &v : values)
        b.addValue(v);
    changes.add({ChangeSet::Op::Insert, {}, b.take()});
    return changes;
}

} // namespace

namespace {

// The steps of SQLite's plan for a query, its parameters bound to any text, one a line.
QString sqlitePlan(QSqlDatabase db, const QString &sql, std::initializer_list<const char *> params)
{
    QSqlQuery plan(db);
    if (!plan.prepare("EXPLAIN QUERY PLAN " + sql))
        return plan.lastError().text();
    for (const char *p : params)
        plan.bindValue(QString::fromLatin1(p), QString("x"));
    if (!plan.exec())
        return plan.lastError().text();
    QStringList steps;
    while (plan.next())
        steps.append(plan.value(3).toString());
    return steps.join('\n');
}

} // namespace

class tst_ServerMethods : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void backends_data();
    void salesParameters_data() { backends_data(); }
    void salesParameters();
    void clientsInBothCallForms_data() { backends_data(); }
    void clientsInBothCallForms();
    void consumersWithTheirCompanions_data() { backends_data(); }
    void consumersWithTheirCompanions();
    void chunksArePositionsInTheSameOrder_data() { backends_data(); }
    void chunksArePositionsInTheSameOrder();
    void filteredChunksAreSlicesOfTheFilteredList_data() { backends_data(); }
    void filteredChunksAreSlicesOfTheFilteredList();
    void nameFilterMatchesInitialsOrBadgeEnd_data();
    void nameFilterMatchesInitialsOrBadgeEnd();
    void branchesAndAddressesOfAConsumer_data() { backends_data(); }
    void branchesAndAddressesOfAConsumer();
    void badCallsAreNamed_data() { backends_data(); }
    void badCallsAreNamed();
    void writePathAppliesAllOrNothing_data() { backends_data(); }
    void writePathAppliesAllOrNothing();
    void concurrentChangeIsRefused_data() { backends_data(); }
    void concurrentChangeIsRefused();
    void schemaIsVersioned_data() { backends_data(); }
    void schemaIsVersioned();
    void versionOneIsUpgraded_data() { backends_data(); }
    void versionOneIsUpgraded();
    void versionThreeGetsTheBadgeRegisterIndex_data() { backends_data(); }
    void versionThreeGetsTheBadgeRegisterIndex();
    void versionTwoGetsTheSparseSiteCodeIndex_data() { backends_data(); }
    void versionTwoGetsTheSparseSiteCodeIndex();
    void largeCommitIsCheckpointed();
    void databaseFailuresStayInTheLog_data() { backends_data(); }
    void databaseFailuresStayInTheLog();
    void nulIsRefusedBeforeAnyStatement_data() { backends_data(); }
    void nulIsRefusedBeforeAnyStatement();
    void valuesBeyondAColumnAreRefusedAlike_data();
    void valuesBeyondAColumnAreRefusedAlike();
    void idleServerCutsTheLogBack();

private:
    Dispatcher &d(const QString &backend) { return *m_dispatchers[backend]; }
    Value call(const QString &backend, const QString &method, const QList<Value> &args)
    {
        return d(backend).call(kModule, method, args);
    }
    QMap<QString, std::shared_ptr<Dispatcher>> m_dispatchers;
};

void tst_ServerMethods::initTestCase()
{
    m_dispatchers = ServerFixture::dispatchers("tst_servermethods");
    for (const std::shared_ptr<Dispatcher> &d : std::as_const(m_dispatchers))
        d->addModule("Teste", writerModule());
}

void tst_ServerMethods::cleanupTestCase()
{
    m_dispatchers.clear();
}

void tst_ServerMethods::backends_data()
{
    ServerFixture::backendRows(m_dispatchers.keys());
}

void tst_ServerMethods::salesParameters()
{
    QFETCH(QString, backend);
    const Packet p = call(backend, "getParaVend", {}).at(0).toPacket();
    QCOMPARE(p.rowCount(), 1);
    QCOMPARE(p.value(0, u"QTDIGCDIDCON"), Value(8.0));
    QCOMPARE(p.value(0, u"IDBLOQCDIDCONS").toString(), QString("N"));
}

void tst_ServerMethods::clientsInBothCallForms()
{
    QFETCH(QString, backend);
    // With a working branch: only the clients of that branch.
    const Packet atBranch = call(backend, "getCliente", {Value("0002"), Value(""), Value(""), Value("T")}).at(0).toPacket();
    QCOMPARE(column(atBranch, "CDCLIENTE"), QStringList({client(1), client(2)}));
    QCOMPARE(column(atBranch, "CDFILIAL"), QStringList({"0002", "0002"}));
    // Without one: every client, one row per client and branch; a client without branches once.
    const Packet all = call(backend, "getCliente", {Value(""), Value("T"), Value(""), Value("T")}).at(0).toPacket();
    QCOMPARE(all.rowCount(), 5);
    QCOMPARE(column(all, "CDCLIENTE").count(client(1)), 2);
    QCOMPARE(column(all, "CDCLIENTE").count(client(4)), 1);
    QCOMPARE(all.fields().size(), 7);
    // Rows sharing a registration number come in client code order.
    QCOMPARE(column(all, "NRINSJURCLIE").indexOf("11222333000181"), column(all, "CDCLIENTE").indexOf(client(1)));
    const Packet one = call(backend, "getCliente", {Value(""), Value("T"), Value(client(3)), Value("")}).at(0).toPacket();
    QCOMPARE(column(one, "NMFANTCLIE"), QStringList{"João da Silva"});
}

void tst_ServerMethods::consumersWithTheirCompanions()
{
    QFETCH(QString, backend);
    QCOMPARE(call(backend, "getCountConsumidor", {Value(client(1))}).toInt(), ServerFixture::kClient1Consumers);
    QCOMPARE(call(backend, "getCountConsumidor", {Value(client(4))}).toInt(), 0);
    const Value reply = call(backend, "getPrincipal", {Value(client(1)), Value("0001")});
    const Packet consumers = reply.at(0).toPacket();
    const Packet branches = reply.at(1).toPacket();
    QCOMPARE(consumers.fields().size(), 73);
    QCOMPARE(consumers.rowCount(), ServerFixture::kClient1Consumers);
    QStringList codes = column(consumers, "CDCONSUMIDOR");
    QStringList sorted = codes;
    sorted.sort();
    QCOMPARE(codes, sorted);
    QCOMPARE(consumers.value(0, u"NMTIPOCONS").toString(), QString("Colaborador")); // the client's own name of type 01
    QCOMPARE(consumers.value(2, u"NMTIPOCONS").toString(), QString("Dependente"));
    QCOMPARE(consumers.value(0, u"NMCCUSCLIE").toString(), QString("Administrativo"));
    QCOMPARE(consumers.value(0, u"NMRAZSOCVEN").toString(), QString("Carlos Vendas"));
    QCOMPARE(consumers.value(0, u"NMPAIS").toString(), QString("Brasil"));
    QCOMPARE(consumers.value(0, u"NMMUNICIPIO").toString(), QString("São Paulo"));
    QCOMPARE(consumers.value(0, u"NMBAIRRO").toString(), QString("Centro"));
    QCOMPARE(consumers.value(1, u"NMCONSVINCULO").toString(), ServerFixture::consumerName(1));
    QVERIFY(consumers.value(0, u"NMCONSVINCULO").isNull());
    QCOMPARE(consumers.value(0, u"VRLIMDEBCONS"), Value(1.5));
    QVERIFY(consumers.value(3, u"VRLIMDEBCONS").isNull()); // null, not 0
    QCOMPARE(consumers.value(0, u"DTNASCCONS"), Value::date(QDate(1980, 1, 2)));
    QCOMPARE(consumers.value(0, u"IDSEXOCONS").toString(), QString("F"));
    QCOMPARE(column(branches, "CDFILIAL"), QStringList{"0001"});
    const Packet allBranches = call(backend, "getPrincipal", {Value(client(1)), Value("T")}).at(1).toPacket();
    QCOMPARE(column(allBranches, "NMFILIAL"), QStringList({"Matriz São Paulo", "Filial Campinas"}));
    // The packet loads into a DataSet defined with the record's fields.
    DataSet ds("cdsConsumidor");
    ds.setData(consumers);
    QCOMPARE(ds.RecordCount(), ServerFixture::kClient1Consumers);
}

void tst_ServerMethods::chunksArePositionsInTheSameOrder()
{
    QFETCH(QString, backend);
    const QStringList whole = column(call(backend, "getPrincipal", {Value(client(1)), Value("T")}).at(0).toPacket(), "CDCONSUMIDOR");
    QStringList chunked;
    QList<int> sizes;
    // Doubling chunks as the screen asks them: 1-30, 31-60, 61-120.
    for (int start = 1, end = 30; start < ServerFixture::kClient1Consumers; start = end + 1, end *= 2) {
        const Value reply = call(backend, "getPrincipalMuitoReg",
                                 {Value(client(1)), Value("T"), Value(QString::number(start)), Value(QString::number(end)), Value("")});
        const QStringList part = column(reply.at(0).toPacket(), "CDCONSUMIDOR");
        sizes.append(part.size());
        chunked += part;
        QCOMPARE(reply.at(1).toPacket().rowCount(), 2);
    }
    QCOMPARE(sizes, QList<int>({30, 30, 15}));
    QCOMPARE(chunked, whole);
}

void tst_ServerMethods::nameFilterMatchesInitialsOrBadgeEnd_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("names");
    for (const QString &b : m_dispatchers.keys()) {
        QTest::addRow("%s initials", qPrintable(b)) << b << "heitor" << QStringList{"Heitor"};
        QTest::addRow("%s accented initials", qPrintable(b)) << b << "Fábio" << QStringList{"Fábio"};
        QTest::addRow("%s badge end", qPrintable(b)) << b << "10075" << QStringList{"Ana"};
        QTest::addRow("%s wildcard typed", qPrintable(b)) << b << "%" << QStringList{};
        QTest::addRow("%s nothing", qPrintable(b)) << b << "Zacarias" << QStringList{};
    }
}

// A chunk's positions count the filtered consumers only: chunks after the first start at the right one.
void tst_ServerMethods::filteredChunksAreSlicesOfTheFilteredList()
{
    QFETCH(QString, backend);
    const auto chunk = [&](int start, int end) {
        return column(call(backend, "getPrincipalMuitoReg",
                           {Value(client(1)), Value("T"), Value(QString::number(start)), Value(QString::number(end)), Value("1")})
                          .at(0)
                          .toPacket(),
                      "CDCONSUMIDOR");
    };
    const QStringList whole = chunk(1, 1000); // badges ending in 1: B10001, B10011, ...
    QVERIFY(whole.size() >= 7);
    QCOMPARE(chunk(1, 3) + chunk(4, 6) + chunk(7, 1000), whole);
    QCOMPARE(chunk(2, 2), whole.mid(1, 1));
    QVERIFY(chunk(whole.size() + 1, whole.size() + 10).isEmpty());
}

void tst_ServerMethods::nameFilterMatchesInitialsOrBadgeEnd()
{
    QFETCH(QString, backend);
    QFETCH(QString, filter);
    QFETCH(QStringList, names);
    const Packet p = call(backend, "getPrincipalMuitoReg",
                          {Value(client(1)), Value("T"), Value("1"), Value("30000"), Value(filter)}).at(0).toPacket();
    QSet<QString> firstNames;
    for (const QString &n : column(p, "NMCONSUMIDOR"))
        firstNames.insert(n.section(' ', 0, 0));
    QCOMPARE(firstNames, QSet<QString>(names.begin(), names.end()));
    if (!names.isEmpty())
        QVERIFY(p.rowCount() >= 1);
}

void tst_ServerMethods::branchesAndAddressesOfAConsumer()
{
    QFETCH(QString, backend);
    const Packet branches = call(backend, "getConsFilial", {Value(client(1)), Value(consumer(1))}).at(0).toPacket();
    QCOMPARE(column(branches, "CDFILIAL"), QStringList({"0001", "0002"}));
    QCOMPARE(column(branches, "NMFILIAL"), QStringList({"Matriz São Paulo", "Filial Campinas"}));
    QCOMPARE(branches.fields().size(), 4);
    const Packet addresses = call(backend, "getEndeCons", {Value(client(1)), Value(consumer(1))}).at(0).toPacket();
    QCOMPARE(addresses.rowCount(), 1);
    QCOMPARE(addresses.value(0, u"NMMUNICIPIO").toString(), QString("São Paulo"));
    QCOMPARE(addresses.value(0, u"NMBAIRRO").toString(), QString("Centro"));
    QCOMPARE(addresses.value(0, u"NMPAIS").toString(), QString("Brasil"));
    QCOMPARE(call(backend, "getEndeCons", {Value(client(1)), Value(consumer(2))}).at(0).toPacket().rowCount(), 0);
}

void tst_ServerMethods::badCallsAreNamed()
{
    QFETCH(QString, backend);
    struct Case
    {
        QString module, method;
        QList<Value> args;
        QString mentions;
    };
    const QList<Case> cases = {
        {kModule, "getCliente", {Value("T")}, "getCliente espera 4 argumento(s); recebeu 1"},
        {kModule, "getPrincipal", {Value(client(1)), Value(12)}, "argumento 2 (filial) deve ser um texto; veio inteiro"},
        {kModule, "getNada", {}, "Método \"getNada\" desconhecido"},
        {"Cns72200.rdmOutro", "getCliente", {}, "Módulo \"Cns72200.rdmOutro\" desconhecido"},
        {kModule, "getPrincipalMuitoReg", {Value(client(1)), Value("T"), Value("x"), Value("10"), Value("")}, "posição válida"},
        {kModule, "getPrincipalMuitoReg", {Value(client(1)), Value("T"), Value("20"), Value("10"), Value("")}, "vem antes"},
    };
    for (const Case &c : cases) {
        const Value r = d(backend).call(c.module, c.method, c.args);
        QVERIFY2(r.isError() && r.errorText().contains(c.mentions), qPrintable(r.errorText()));
    }
    // Method names are not case-sensitive; a null text is the empty text.
    QVERIFY(!call(backend, "GETCOUNTCONSUMIDOR", {Value()}).isError());
}

void tst_ServerMethods::writePathAppliesAllOrNothing()
{
    QFETCH(QString, backend);
    Dispatcher &disp = d(backend);
    DataSet ds("cdsConsFilial");
    ds.setData(call(backend, "getConsFilial", {Value(client(1)), Value(consumer(1))}).at(0).toPacket());
    // One good insert and one that breaks the key: nothing of the call may stay.
    ds.Append();
    ds.FieldByName(u"CDFILIAL").setAsString("0003");
    ds.FieldByName(u"CDCLIENTE").setAsString(client(1));
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(1));
    ds.Post();
    ds.Append();
    ds.FieldByName(u"CDFILIAL").setAsString("0001"); // already there
    ds.FieldByName(u"CDCLIENTE").setAsString(client(1));
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(1));
    ds.Post();
    const Value refused = disp.call("Teste", "setTabela", {Value("CONSUMIFILIAL"), Value(ds.Delta())});
    QVERIFY2(refused.isError() && refused.errorText().contains("Já existe em CONSUMIFILIAL"), qPrintable(refused.errorText()));
    QCOMPARE(call(backend, "getConsFilial", {Value(client(1)), Value(consumer(1))}).at(0).toPacket().rowCount(), 2);

    // Without the bad row the insert lands, and a delete of the same row afterwards removes it.
    ds.Last();
    ds.Delete();
    QVERIFY(!disp.call("Teste", "setTabela", {Value("CONSUMIFILIAL"), Value(ds.Delta())}).isError());
    ds.MergeChangeLog();
    QCOMPARE(call(backend, "getConsFilial", {Value(client(1)), Value(consumer(1))}).at(0).toPacket().rowCount(), 3);
    QVERIFY(ds.Locate("CDFILIAL", {Value("0003")}));
    ds.Delete();
    QVERIFY(!disp.call("Teste", "setTabela", {Value("CONSUMIFILIAL"), Value(ds.Delta())}).isError());
    QCOMPARE(call(backend, "getConsFilial", {Value(client(1)), Value(consumer(1))}).at(0).toPacket().rowCount(), 2);
}

void tst_ServerMethods::concurrentChangeIsRefused()
{
    QFETCH(QString, backend);
    Dispatcher &disp = d(backend);
    auto load = [&](DataSet &ds) {
        ds.setData(call(backend, "getPrincipal", {Value(client(2)), Value("T")}).at(0).toPacket());
        QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(1))}));
    };
    DataSet first("cdsConsumidor"), second("cdsConsumidor");
    load(first);
    load(second);
    first.Edit();
    first.FieldByName(u"NMCONSUMIDOR").setAsString("Primeiro Operador");
    first.FieldByName(u"VRLIMDEBCONS").setAsFloat(0);
    first.Post();
    QVERIFY(!disp.call("Teste", "setTabela", {Value("CONSUMIDOR"), Value(first.Delta())}).isError());

    // The second operator read the row before: its change of the same field is refused.
    second.Edit();
    second.FieldByName(u"NMCONSUMIDOR").setAsString("Segundo Operador");
    second.Post();
    const Value refused = disp.call("Teste", "setTabela", {Value("CONSUMIDOR"), Value(second.Delta())});
    QVERIFY2(refused.isError() && refused.errorText().contains("foi alterado por outro usuário"), qPrintable(refused.errorText()));
    // So is its delete of the row the first one changed; a change of another row still goes through.
    second.CancelUpdates();
    QVERIFY(second.Locate("CDCONSUMIDOR", {Value(consumer(1))}));
    second.Delete();
    QVERIFY(disp.call("Teste", "setTabela", {Value("CONSUMIDOR"), Value(second.Delta())}).isError());
    second.CancelUpdates();

    DataSet fresh("cdsConsumidor");
    load(fresh);
    QCOMPARE(fresh.FieldByName(u"NMCONSUMIDOR").AsString(), QString("Primeiro Operador"));
    QCOMPARE(fresh.FieldByName(u"VRLIMDEBCONS").AsValue(), Value(0.0));

    // A row deleted meanwhile is named as deleted.
    fresh.Delete();
    QVERIFY(!disp.call("Teste", "setTabela", {Value("CONSUMIDOR"), Value(fresh.Delta())}).isError());
    first.Edit();
    first.FieldByName(u"NMCONSUMIDOR").setAsString("Tarde demais");
    first.Post();
    first.MergeChangeLog(); // drop the earlier change, keep this one
    first.Edit();
    first.FieldByName(u"NMCONSUMIDOR").setAsString("Tarde demais 2");
    first.Post();
    const Value gone = disp.call("Teste", "setTabela", {Value("CONSUMIDOR"), Value(first.Delta())});
    QVERIFY2(gone.isError() && gone.errorText().contains("foi excluído por outro usuário"), qPrintable(gone.errorText()));
    QCOMPARE(call(backend, "getCountConsumidor", {Value(client(2))}).toInt(), 2);
}

void tst_ServerMethods::schemaIsVersioned()
{
    QFETCH(QString, backend);
    DbSession &s = DbSession::forThread(d(backend).url());
    QCOMPARE(Schema::installedVersion(s.db()), Schema::currentVersion());
    Schema::createOrUpgrade(s.db()); // a second run changes nothing
    s.exec("UPDATE VERSAOBANCO SET NRVERSAO = 99");
    QVERIFY_THROWS_EXCEPTION(EErro, Schema::createOrUpgrade(s.db()));
    s.exec(QString("UPDATE VERSAOBANCO SET NRVERSAO = %1").arg(Schema::currentVersion()));
    // Every table the screens read is there.
    for (const QString t : {"CLIENTE", "CLIENFILIAL", "FILIAL", "CONSUMIDOR", "CONSUMIFILIAL", "CCUSCLIE", "TIPOCONS",
                            "TIPOCONSCLI", "TIPOCONSFILI", "VENDEDOR", "PAIS", "ESTADO", "MUNICIPIO", "BAIRRO"})
        QVERIFY2(s.db().tables().contains(t, Qt::CaseInsensitive), qPrintable(t));
}

// A database of version 1 (full link index, site access code index on the raw code, SQLite's badge
// register with a row table) gets the sparse link index, the index on the code as it is compared
// and the register's new form, its rows kept.
void tst_ServerMethods::versionOneIsUpgraded()
{
    QFETCH(QString, backend);
    DbSession &s = DbSession::forThread(d(backend).url());
    const bool sqlite = backend == "sqlite";
    // Statements without parameters, as PostgreSQL does not prepare DDL.
    auto ddl = [&s](const char *sql) {
        QSqlQuery q(s.db());
        QVERIFY2(q.exec(QString::fromLatin1(sql)), qPrintable(q.lastError().text()));
    };
    ddl("DROP INDEX IXCONSUMIDOR_VINCULO");
    ddl("CREATE INDEX IXCONSUMIDOR_VINCULO ON CONSUMIDOR (CDCLIENTE, CDCONSVINCULO)");
    ddl("DROP INDEX IXCONSUMIDOR_LOGIN");
    ddl("CREATE INDEX IXCONSUMIDOR_LOGIN ON CONSUMIDOR (NMLOGINCONS)");
    s.exec("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR) VALUES ('UPG1', :C, :K)",
           {{"C", Value(client(1))}, {"K", Value(consumer(1))}});
    const qint64 registered = s.count("SELECT COUNT(*) FROM REGIDENTCONS", {});
    if (sqlite) {
        ddl("DROP INDEX IXREGIDENTCONS_CONSUMIDOR");
        ddl("ALTER TABLE REGIDENTCONS RENAME TO REGIDENTCONS_NOVO");
        ddl("CREATE TABLE REGIDENTCONS (CDIDCONSUMID VARCHAR(21) NOT NULL, CDCLIENTE VARCHAR(21) NOT NULL, "
               "CDCONSUMIDOR VARCHAR(21) NOT NULL, DTREGIDENT TIMESTAMP, PRIMARY KEY (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR))");
        ddl("CREATE INDEX IXREGIDENTCONS_CONSUMIDOR ON REGIDENTCONS (CDCLIENTE, CDCONSUMIDOR)");
        s.exec("INSERT INTO REGIDENTCONS SELECT * FROM REGIDENTCONS_NOVO");
        ddl("DROP TABLE REGIDENTCONS_NOVO");
    }
    s.exec("UPDATE VERSAOBANCO SET NRVERSAO = 1");
    Schema::createOrUpgrade(s.db());
    QCOMPARE(Schema::installedVersion(s.db()), Schema::currentVersion());
    QCOMPARE(s.count("SELECT COUNT(*) FROM REGIDENTCONS", {}), registered);
    QCOMPARE(s.count("SELECT COUNT(*) FROM REGIDENTCONS WHERE CDIDCONSUMID = 'UPG1'", {}), 1);
    const QString text = sqlite ? "SELECT COUNT(*) FROM sqlite_master WHERE name = :N AND sql LIKE :L"
                                : "SELECT COUNT(*) FROM pg_indexes WHERE UPPER(indexname) = :N AND indexdef LIKE :L";
    QCOMPARE(s.count(text, {{"N", Value("IXCONSUMIDOR_VINCULO")}, {"L", Value("%WHERE%")}}), 1);
    QCOMPARE(s.count(text, {{"N", Value("IXCONSUMIDOR_LOGIN")}, {"L", Value("%upper(TRIM(%IS NOT NULL%")}}), 1);
    if (sqlite)
        QCOMPARE(s.count(text, {{"N", Value("REGIDENTCONS")}, {"L", Value("%WITHOUT ROWID%")}}), 1);
    // The register still refuses a second row of one badge and consumer.
    QVERIFY_THROWS_EXCEPTION(EErro, s.exec("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR) VALUES ('UPG1', :C, :K)",
                                           {{"C", Value(client(1))}, {"K", Value(consumer(1))}}));
    s.exec("DELETE FROM REGIDENTCONS WHERE CDIDCONSUMID = 'UPG1'");
}

// A database of version 3 looks a badge up in the register by reading the whole register, once
// per line of a per-branch import; it gets the index of the badge as compared, which the lookup uses.
void tst_ServerMethods::versionThreeGetsTheBadgeRegisterIndex()
{
    QFETCH(QString, backend);
    DbSession &s = DbSession::forThread(d(backend).url());
    const bool sqlite = backend == "sqlite";
    {
        QSqlQuery q(s.db());
        QVERIFY2(q.exec("DROP INDEX IXREGIDENTCONS_CRACHA"), qPrintable(q.lastError().text()));
    }
    s.exec("UPDATE VERSAOBANCO SET NRVERSAO = 3");
    Schema::createOrUpgrade(s.db());
    QCOMPARE(Schema::installedVersion(s.db()), Schema::currentVersion());
    const QString text = sqlite ? "SELECT COUNT(*) FROM sqlite_master WHERE name = :N AND UPPER(sql) LIKE :L"
                                : "SELECT COUNT(*) FROM pg_indexes WHERE UPPER(indexname) = :N AND UPPER(indexdef) LIKE :L";
    QCOMPARE(s.count(text, {{"N", Value("IXREGIDENTCONS_CRACHA")}, {"L", Value("%UPPER(%CDIDCONSUMID%")}}), 1);
    if (!sqlite)
        return;
    const QString steps = sqlitePlan(s.db(), RdmImportConsu::badgeHeldByOthers(), {":B", ":C", ":K"});
    QVERIFY2(steps.contains("INDEX IXREGIDENTCONS_CRACHA"), qPrintable(steps));
}

// A database of version 2 indexes every consumer's site access code, null or not; it gets the index
// of the consumers that have one, and the site code check still finds its holders through it.
void tst_ServerMethods::versionTwoGetsTheSparseSiteCodeIndex()
{
    QFETCH(QString, backend);
    DbSession &s = DbSession::forThread(d(backend).url());
    const bool sqlite = backend == "sqlite";
    for (const char *sql : {"DROP INDEX IXCONSUMIDOR_LOGIN", "CREATE INDEX IXCONSUMIDOR_LOGIN ON CONSUMIDOR (UPPER(TRIM(NMLOGINCONS)))"}) {
        QSqlQuery q(s.db());
        QVERIFY2(q.exec(QString::fromLatin1(sql)), qPrintable(q.lastError().text()));
    }
    s.exec("UPDATE VERSAOBANCO SET NRVERSAO = 2");
    Schema::createOrUpgrade(s.db());
    QCOMPARE(Schema::installedVersion(s.db()), Schema::currentVersion());
    const QString text = sqlite ? "SELECT COUNT(*) FROM sqlite_master WHERE name = :N AND sql LIKE :L"
                                : "SELECT COUNT(*) FROM pg_indexes WHERE UPPER(indexname) = :N AND indexdef LIKE :L";
    QCOMPARE(s.count(text, {{"N", Value("IXCONSUMIDOR_LOGIN")}, {"L", Value("%IS NOT NULL%")}}), 1);
    if (!sqlite)
        return;
    // A partial index serves only the queries that carry its condition.
    const QString steps =
        sqlitePlan(s.db(), ConsumerQueries::holdersOfSiteCode(), {":P_NMLOGINCONS", ":P_TEMCLIENTE", ":P_CDCONSUMIDOR", ":P_NRINSJURCLIE"});
    QVERIFY2(steps.contains("INDEX IXCONSUMIDOR_LOGIN"), qPrintable(steps));
}

// A write that leaves more than a thousand pages in the log has them copied into the database file
// by its commit (a checkpoint of a connection of our own once did nothing at all, and the log grew
// without end); the rows are whole afterwards for a new connection, and the log file is kept to
// 64 MiB when a checkpoint starts it over.
void tst_ServerMethods::largeCommitIsCheckpointed()
{
    if (!m_dispatchers.contains("sqlite"))
        QSKIP("no SQLite database");
    const DatabaseUrl url = d("sqlite").url();
    DbSession &s = DbSession::forThread(url);
    QCOMPARE(s.count("PRAGMA page_size", {}), 8192); // a new database's pages
    s.begin(true);
    s.exec("CREATE TABLE TMPCHECKPOINT (N INTEGER, T VARCHAR(2000))");
    s.exec("WITH RECURSIVE R(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM R WHERE N < 8000) "
           "INSERT INTO TMPCHECKPOINT SELECT N, printf('%.1500c', 'x') FROM R");
    s.commit();
    // The 12 MB are in the database file itself, not only in the log.
    QVERIFY2(QFileInfo(url.path()).size() > 12'000'000, qPrintable(QString::number(QFileInfo(url.path()).size())));
    {
        QSqlDatabase other = url.open("tst-checkpoint-reader");
        QSqlQuery q(other);
        QVERIFY(q.exec("SELECT COUNT(*), SUM(LENGTH(T)) FROM TMPCHECKPOINT") && q.next());
        QCOMPARE(q.value(0).toInt(), 8000);
        QCOMPARE(q.value(1).toLongLong(), 8000LL * 1500);
        QVERIFY(q.exec("PRAGMA journal_size_limit") && q.next());
        QCOMPARE(q.value(0).toLongLong(), 64LL * 1024 * 1024);
    }
    QSqlDatabase::removeDatabase("tst-checkpoint-reader");
    s.exec("DROP TABLE TMPCHECKPOINT");
}

// What the database says when it fails (English, the statement) goes to the server's log; the
// caller reads a Portuguese text naming the call, alike on both databases. So does a failure of the
// server's own code.
void tst_ServerMethods::databaseFailuresStayInTheLog()
{
    QFETCH(QString, backend);
    QStringList log;
    d(backend).setLogSink([&log](const QString &line) { log.append(line); });
    const Value db = d(backend).call("Teste", "falharNoBanco", {});
    const Value internal = d(backend).call("Teste", "falharNoServidor", {});
    d(backend).setLogSink(nullptr);

    QVERIFY(db.isError());
    QCOMPARE(db.errorText(), QString("Erro no banco de dados ao atender Teste.falharNoBanco. Os detalhes foram registrados "
                                     "no log do servidor de aplicação."));
    QVERIFY(internal.isError());
    QCOMPARE(internal.errorText(), QString("Erro interno no servidor de aplicação ao atender Teste.falharNoServidor. Os detalhes "
                                           "foram registrados no log do servidor de aplicação."));
    QCOMPARE(log.size(), 2);
    QVERIFY2(log.at(0).startsWith("Teste.falharNoBanco ") && log.at(0).contains("erro do banco")
                 && log.at(0).contains("TABELA_INEXISTENTE", Qt::CaseInsensitive),
             qPrintable(log.at(0)));
    QVERIFY2(!log.at(0).contains('\n'), qPrintable(log.at(0)));
    QVERIFY2(log.at(1).contains("falha") && log.at(1).contains("vector::_M_range_check"), qPrintable(log.at(1)));
    // The connection is still good for the next call.
    QVERIFY(!call(backend, "getParaVend", {}).isError());
}

// A NUL inside a text (a JSON "\u0000") is refused before any statement runs, with the same text
// on both databases: PostgreSQL's driver once answered with its own error and the statement, while
// SQLite stored the character.
void tst_ServerMethods::nulIsRefusedBeforeAnyStatement()
{
    QFETCH(QString, backend);
    const QString nul = QString("Ana") + QChar(0) + "Lima";
    const Value text = call(backend, "getCliente", {Value("0001"), Value(""), Value(nul), Value("")});
    QVERIFY(text.isError());
    QCOMPARE(text.errorText(), QString("Cns72200.rdmConsumidor.getCliente: o argumento 3 (cliente) traz o caractere nulo "
                                       "(\\u0000), que um texto não pode conter. Remova-o e repita a operação."));

    const QList<FieldDef> fields = {{"CDCLIENTE", FieldType::String, 21}, {"CDCONSUMIDOR", FieldType::String, 21},
                                    {"NMCONSUMIDOR", FieldType::String, 50}, {"IDSITCONSUMI", FieldType::String, 1}};
    ChangeSet changes = insertOf(fields, {Value(client(4)), Value(consumer(70)), Value("Sem nulo"), Value("1")});
    Row::Builder old, now;
    for (const QString &v : {client(1), consumer(1), nul, QString("1")})
        old.addText(v);
    for (const QString &v : {client(1), consumer(1), QString("Outro"), QString("1")})
        now.addText(v);
    changes.add({ChangeSet::Op::Update, old.take(), now.take()}); // the NUL among the original values
    const int handled = g_handled;
    const Value set = d(backend).call("Teste", "setTabela", {Value("CONSUMIDOR"), Value(changes)});
    QVERIFY(set.isError());
    QCOMPARE(set.errorText(), QString("Teste.setTabela: o argumento 2 (alterações) traz o caractere nulo (\\u0000) no campo "
                                      "NMCONSUMIDOR da linha 2, que um texto não pode conter. Remova-o e repita a operação."));
    QCOMPARE(int(g_handled), handled);
    QCOMPARE(call(backend, "getPesqConsumidor", {Value(client(4)), Value(consumer(70))}).at(0).toPacket().rowCount(), 0);
}

void tst_ServerMethods::valuesBeyondAColumnAreRefusedAlike_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("refusal"); // empty: stored
    const QString amount = "o campo VRLIMDEBCONS aceita números de até 14 dígitos antes da vírgula; veio ";
    for (const QString &b : m_dispatchers.keys()) {
        const QByteArray n = b.toLatin1();
        QTest::newRow(n + ": largest amount") << b << "CONSUMIDOR" << "VRLIMDEBCONS" << Value(99999999999999.98) << QString();
        QTest::newRow(n + ": amount of 15 digits") << b << "CONSUMIDOR" << "VRLIMDEBCONS" << Value(1e14) << amount + "100000000000000";
        QTest::newRow(n + ": negative amount of 15 digits")
            << b << "CONSUMIDOR" << "VRLIMDEBCONS" << Value(-123456789012345.5) << amount + "-123456789012345,5";
        QTest::newRow(n + ": not a number") << b << "CONSUMIDOR" << "VRLIMDEBCONS" << Value(std::nan("")) << amount + "nan";
        QTest::newRow(n + ": year 9999") << b << "CONSUMIDOR" << "DTNASCCONS" << Value::date(QDate(9999, 12, 31)) << QString();
        QTest::newRow(n + ": year 10000") << b << "CONSUMIDOR" << "DTNASCCONS" << Value::date(QDate(10000, 1, 1))
                                          << "o campo DTNASCCONS aceita datas dos anos 1 a 9999; veio o ano 10000";
        QTest::newRow(n + ": largest integer") << b << "COLLAYOUTIMP" << "NRPOSICOLLAY" << Value(qint64(2147483647)) << QString();
        QTest::newRow(n + ": integer beyond 32 bits") << b << "COLLAYOUTIMP" << "NRPOSICOLLAY" << Value(qint64(2147483648))
                                                      << "o campo NRPOSICOLLAY aceita inteiros de -2147483648 a 2147483647; veio 2147483648";
    }
}

// SQLite stores what PostgreSQL refuses (an amount beyond NUMERIC(18,4), an INTEGER beyond 32 bits):
// the server refuses both alike, naming the field, before the statement.
void tst_ServerMethods::valuesBeyondAColumnAreRefusedAlike()
{
    QFETCH(QString, backend);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(Value, value);
    QFETCH(QString, refusal);
    DbSession &s = DbSession::forThread(d(backend).url());
    ChangeSet changes;
    QString key;
    if (table == "CONSUMIDOR") {
        changes = insertOf({{"CDCLIENTE", FieldType::String, 21}, {"CDCONSUMIDOR", FieldType::String, 21}, {"NMCONSUMIDOR", FieldType::String, 50},
                            {"IDSITCONSUMI", FieldType::String, 1}, {field, value.kind() == Value::Kind::Date ? FieldType::DateTime : FieldType::Float, 0}},
                           {Value(client(4)), Value(consumer(71)), Value("Limite"), Value("1"), value});
        key = "CDCONSUMIDOR " + consumer(71) + ", CDCLIENTE " + client(4); // in the table's order
    } else {
        changes = insertOf({{"CDLAYOUTIMP", FieldType::String, 10}, {"NRSEQTABELAY", FieldType::Integer, 0},
                            {"NRSEQCOLULAY", FieldType::Integer, 0}, {field, FieldType::Integer, 0}},
                           {Value("LIMITE"), Value(qint64(1)), Value(qint64(1)), value});
        key = "CDLAYOUTIMP LIMITE, NRSEQTABELAY 1, NRSEQCOLULAY 1";
    }
    const QString row = table == "CONSUMIDOR" ? "CDCLIENTE = '" + client(4) + "' AND CDCONSUMIDOR = '" + consumer(71) + "'"
                                              : "CDLAYOUTIMP = 'LIMITE'";
    const Value reply = d(backend).call("Teste", "setTabela", {Value(table), Value(changes)});
    const qint64 stored = s.count(QString("SELECT COUNT(*) FROM %1 WHERE %2 AND %3 IS NOT NULL").arg(table, row, field), {});
    s.exec(QString("DELETE FROM %1 WHERE %2").arg(table, row));
    if (refusal.isEmpty()) {
        QVERIFY2(!reply.isError(), qPrintable(reply.isError() ? reply.errorText() : QString()));
        QCOMPARE(stored, 1);
    } else {
        QVERIFY(reply.isError());
        QCOMPARE(reply.errorText(), QString("Não é possível gravar o registro de %1 com %2: %3.").arg(table, key, refusal));
        QCOMPARE(stored, 0);
    }
}

// The log a large write leaves is cut back to nothing once the server is idle, and again at the
// next idle moment when a reader kept it then (the checkpoint does not wait for readers). SQLite's
// alone: the log grew to hundreds of MB under load, and SQLite's own checkpoints never shrink it.
void tst_ServerMethods::idleServerCutsTheLogBack()
{
    if (!m_dispatchers.contains("sqlite"))
        QSKIP("no SQLite database");
    const DatabaseUrl url = d("sqlite").url();
    const QString log = url.path() + "-wal";
    DbSession &s = DbSession::forThread(url);
    s.exec("CREATE TABLE TMPOCIOSO (N INTEGER, T VARCHAR(2000))");

    QVERIFY(!d("sqlite").call("Teste", "encher", {}).isError());
    QCOMPARE(QFileInfo(log).size(), 0);

    {
        QSqlDatabase other = url.open("tst-idle-reader");
        QSqlQuery reader(other);
        QVERIFY(reader.exec("BEGIN") && reader.exec("SELECT COUNT(*) FROM TMPOCIOSO") && reader.next());
        QCOMPARE(reader.value(0).toInt(), 8000);
        QVERIFY(!d("sqlite").call("Teste", "encher", {}).isError());
        QVERIFY2(QFileInfo(log).size() > 12'000'000, qPrintable(QString::number(QFileInfo(log).size())));
        reader.finish();
        QVERIFY(reader.exec("COMMIT"));
    }
    QSqlDatabase::removeDatabase("tst-idle-reader");
    // A call that only reads, at the next idle moment.
    QVERIFY(!call("sqlite", "getParaVend", {}).isError());
    QCOMPARE(QFileInfo(log).size(), 0);
    QCOMPARE(s.count("SELECT COUNT(*) FROM TMPOCIOSO", {}), 16000);
    s.exec("DROP TABLE TMPOCIOSO");
}

QTEST_GUILESS_MAIN(tst_ServerMethods)
#include "tst_ServerMethods.moc"
