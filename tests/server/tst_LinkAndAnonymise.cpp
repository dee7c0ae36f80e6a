#include "DataSet.h"
#include "DbSession.h"
#include "Packet.h"
#include "Schema.h"
#include "ServerFixture.h"

#include <QTest>

using namespace cns;
using ServerFixture::client;
using ServerFixture::column;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmConsumidor";

QString listOf(const QList<int> &consumers)
{
    QString out = "_";
    for (const int n : consumers)
        out += consumer(n) + u'_';
    return out;
}

QStringList codes(const QList<int> &consumers)
{
    QStringList out;
    for (const int n : consumers)
        out.append(consumer(n));
    return out;
}

// Personal values of the consumer the anonymisation tests take (client 1, consumer 7), each found
// nowhere else in the database.
const QList<QPair<QString, QString>> kPersonal = {
    {"NMCONSUMIDOR", "Zulmira Quintanilha Ferraz"},
    {"NMRESPCONS", "Teodoro Quintanilha Ferraz"},
    {"NRCPFRESPCON", "39053344705"},
    {"NRRGCONSUMID", "MG-14.372.118"},
    {"NRTELECONS", "(31) 3221-7788"},
    {"NRTELE2CONS", "(31) 3221-9911"},
    {"NRRAMAL1CONS", "4411"},
    {"NRRAMAL2CONS", "4412"},
    {"NRFAXCONS", "(31) 3221-6655"},
    {"NRCELULARCONS", "(31) 98877-1234"},
    {"DSEMAILCONS", "zulmira.qf@correio.com.br"},
    {"DSENDECONS", "Rua dos Inconfidentes, 777"},
    {"NRENDECONS", "777A"},
    {"DSCOMPLENDECONS", "Apto 1402 bloco Jacarandá"},
    {"DSREFERENDECONS", "Em frente à padaria Pão de Queijo Dourado"},
    {"NRCEPCONS", "30140-071"},
    {"NMQUADRANTE", "Quadra Norte 9"},
    {"NMBAIRCONS", "Savassi Alta"},
    {"NMLOGINCONS", "zulmira.site"},
    {"CDSENHACONS", "SENHA-CIFRADA-8841"},
    {"CDSENHASITE", "SITE-CIFRADA-5512"},
    {"CDSENHACONSMD5", "0f5c3a1e9b7d44c2a8e6f1b3d5c7e9a1"},
    {"DIGICONSUMIDOR", "DIGITAL-POLEGAR-AAQQ7731"},
    {"DIGICONSUMIDOR2", "DIGITAL-INDICADOR-BBRR9942"},
    {"DSINFOCONS", "Alérgica a amendoim; prefere almoço às 11h"},
};

// Its further address, with values found nowhere else.
const QList<QPair<QString, QString>> kFurtherAddress = {
    {"DSENDECONS", "Avenida Afonso Pena, 3131"},
    {"NRENDECONS", "3131B"},
    {"NRCEPCONS", "30130-009"},
    {"DSCOMPLENDECONS", "Sala 808 edifício Itatiaia"},
    {"DSREFERENDECONS", "Ao lado do Parque Municipal Sombrio"},
    {"NMQUADRANTECONS", "Quadrante Sul 4"},
};

// A request document with every byte value, a NUL first among them.
QByteArray document()
{
    QByteArray d;
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b)
            d.append(char((b + round) & 0xFF));
    return d;
}

QList<FieldDef> requestFields()
{
    return {{"CDCLIENTE", FieldType::String, 21},       {"CDCONSUMIDOR", FieldType::String, 21},
            {"CDOPERADOR", FieldType::String, 12},      {"NMOPERADOR", FieldType::String, 40},
            {"NMARQANONIMIZA", FieldType::String, 150}, {"DSARQANONIMIZA", FieldType::Blob, 0}};
}

Packet request(int consumerNo, const QByteArray &doc, const QString &operatorCode = "000000000042", int rows = 1,
               const QString &fileName = "pedido-lgpd.pdf")
{
    Packet p(requestFields());
    for (int i = 0; i < rows; ++i)
        p.addRow({Value(client(1)), Value(consumer(consumerNo)), Value(operatorCode), Value("Operadora Beatriz"),
                  Value(fileName), doc.isNull() ? Value() : Value::bytes(doc)});
    return p;
}

} // namespace

class tst_LinkAndAnonymise : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void backends_data();
    void candidatesFollowTheLinkRules_data() { backends_data(); }
    void candidatesFollowTheLinkRules();
    void everyCandidateIsLinkedInOneCall_data() { backends_data(); }
    void everyCandidateIsLinkedInOneCall();
    void aMainConsumerTakesNoMainOfItsOwn_data() { backends_data(); }
    void aMainConsumerTakesNoMainOfItsOwn();
    void refusedListStoresNothing_data();
    void refusedListStoresNothing();
    void anonymisationLeavesNoPersonalValue_data() { backends_data(); }
    void anonymisationLeavesNoPersonalValue();
    void anonymisationLeavesNoFormerValueInTheHistory_data() { backends_data(); }
    void anonymisationLeavesNoFormerValueInTheHistory();
    void anonymisationKeepsWhatSalesNeed_data() { backends_data(); }
    void anonymisationKeepsWhatSalesNeed();
    void refusedAnonymisationChangesNothing_data();
    void refusedAnonymisationChangesNothing();

private:
    // A fresh database for the running test on the backend (the fixture, consumer 3 linked to 4 and
    // consumer 90 of client 2 besides); false when the backend is not available.
    bool open(const QString &backend)
    {
        // A database of its own for each run: the sessions of earlier ones stay open on this thread.
        static int serial = 0;
        const QString suite = QString("tst_linkanon_%1").arg(++serial);
        const QString url = ServerFixture::create(backend, suite);
        if (url.isEmpty())
            return false;
        m_dispatcher = ServerFixture::dispatcher(url);
        DbSession &s = db();
        s.begin(true);
        s.exec("UPDATE CONSUMIDOR SET CDCONSVINCULO = :V WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K",
               {{"V", Value(consumer(4))}, {"C", Value(client(1))}, {"K", Value(consumer(3))}});
        s.exec("INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDSITCONSUMI) VALUES (:C, :K, 'Outro "
               "Cliente', '1')",
               {{"C", Value(client(2))}, {"K", Value(consumer(90))}});
        s.commit();
        return true;
    }
    DbSession &db() { return DbSession::forThread(m_dispatcher->url()); }
    Value call(const QString &method, const QList<Value> &args) { return m_dispatcher->call(kModule, method, args); }
    Packet packet(const QString &method, const QList<Value> &args)
    {
        const Value r = call(method, args);
        if (r.isError())
            qWarning("%s: %s", qPrintable(method), qPrintable(r.errorText()));
        return r.isError() ? Packet() : r.at(0).toPacket();
    }
    QString error(const QString &method, const QList<Value> &args)
    {
        const Value r = call(method, args);
        return r.isError() ? r.errorText() : QString();
    }
    QStringList candidates(int main)
    {
        return column(packet("getConsCadVinculo", {Value(client(1)), Value(consumer(main))}), "CDCONSUMIDOR");
    }
    QStringList linkedTo(int main)
    {
        return column(packet("getConsuVinculados", {Value(client(1)), Value(consumer(main))}), "CDCONSUMIDOR");
    }
    // Every consumer's key and link: what a refused list must leave.
    QStringList links()
    {
        const Packet p = db().select(
            "SELECT CDCLIENTE || '/' || CDCONSUMIDOR || '>' || COALESCE(CDCONSVINCULO, '-') FROM CONSUMIDOR "
            "ORDER BY 1",
            {}, {{"R", FieldType::String, 0}});
        return column(p, "R");
    }
    QStringList consumerRow(int n)
    {
        QStringList out;
        const TableDef &t = Schema::table(u"CONSUMIDOR");
        for (const TableDef::Column &c : t.columns()) {
            const Packet p = db().select(
                QString("SELECT %1 FROM CONSUMIDOR WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K").arg(c.name),
                {{"C", Value(client(1))}, {"K", Value(consumer(n))}}, {t.fieldDef(c)});
            out.append(c.name + '=' + p.value(0, 0).toString());
        }
        return out;
    }
    qint64 count(const QString &sql) { return db().count(sql, {}); }
    void givePersonalData(int n);
    // Where any of the values stands in a text column of any table: "TABLE.COLUMN: value".
    QStringList whereFound(const QStringList &values);

    std::unique_ptr<Dispatcher> m_dispatcher;
};

void tst_LinkAndAnonymise::init()
{
    QFETCH(QString, backend);
    if (!open(backend))
        QSKIP("PostgreSQL not running (CNS_TEST_PG_URL unset)");
}

void tst_LinkAndAnonymise::cleanup()
{
    m_dispatcher.reset();
}

void tst_LinkAndAnonymise::backends_data()
{
    QTest::addColumn<QString>("backend");
    for (const QString b : {"sqlite", "postgresql"})
        QTest::newRow(qPrintable(b)) << b;
}

void tst_LinkAndAnonymise::candidatesFollowTheLinkRules()
{
    // 1 is the main consumer of 2, 4 that of 3; every tenth consumer is inactive.
    QStringList expected;
    for (int n = 1; n <= ServerFixture::kClient1Consumers; ++n) {
        if (n % 10 != 0 && n > 5)
            expected.append(consumer(n));
    }
    const Packet p = packet("getConsCadVinculo", {Value(client(1)), Value(consumer(5))});
    QStringList found = column(p, "CDCONSUMIDOR");
    QStringList names = column(p, "NMCONSUMIDOR");
    QStringList sortedNames = names;
    sortedNames.sort();
    QCOMPARE(names, sortedNames);
    QCOMPARE(column(p, "IDMARCADO"), QStringList(found.size(), "N"));
    found.sort();
    QCOMPARE(found, expected);

    QVERIFY(!candidates(1).contains(consumer(2))); // already linked to it
    QVERIFY(candidates(1).contains(consumer(5)));
    QVERIFY(!candidates(1).contains(consumer(1)));
    QCOMPARE(candidates(2), QStringList()); // linked itself: no main consumer
    QCOMPARE(candidates(3), QStringList());
    QCOMPARE(candidates(10), QStringList()); // inactive
    QCOMPARE(candidates(999), QStringList());
    QCOMPARE(column(packet("getConsCadVinculo", {Value(client(2)), Value(consumer(1))}), "CDCONSUMIDOR"),
             codes({2, 3, 90})); // another client's consumers only
}

void tst_LinkAndAnonymise::everyCandidateIsLinkedInOneCall()
{
    QStringList offered = candidates(5);
    QVERIFY(offered.size() > 50);
    QString list = "_";
    for (const QString &c : offered)
        list += c.mid(15) + u'_'; // unpadded codes are brought to their width
    QCOMPARE(error("setCadAutoVinculo", {Value(client(1)), Value(consumer(5)), Value(list)}), QString());
    offered.sort();
    QCOMPARE(linkedTo(5), offered);
    QCOMPARE(candidates(5), QStringList());
    // Naming again a consumer already linked to it changes nothing and is no fault.
    QCOMPARE(error("setCadAutoVinculo", {Value(client(1)), Value(consumer(5)), Value(listOf({6}))}), QString());
    QCOMPARE(linkedTo(5), offered);
    QCOMPARE(linkedTo(1), codes({2})); // others' links untouched
    QCOMPARE(linkedTo(4), codes({3}));
}

void tst_LinkAndAnonymise::aMainConsumerTakesNoMainOfItsOwn()
{
    // 1 has 2 linked to it: linking 1 to 5 would hang 2 two levels deep.
    QCOMPARE(packet("getVdConsVinculo", {Value(client(1)), Value(consumer(1)), Value(consumer(5))}).rowCount(), 0);
    QCOMPARE(packet("getConsVinculo", {Value(client(1)), Value(consumer(1))}).rowCount(), 0);
    QCOMPARE(packet("getVdConsVinculo", {Value(client(1)), Value(consumer(6)), Value(consumer(5))}).rowCount(), 1);

    DataSet ds("cdsConsumidor");
    ds.setData(packet("getPrincipal", {Value(client(1)), Value("T")}));
    QVERIFY(ds.Locate("CDCONSUMIDOR", {Value(consumer(1))}));
    ds.Edit();
    ds.FieldByName(u"CDCONSVINCULO").setAsString(consumer(5));
    ds.Post();
    QList<Value> args {Value(ds.Delta())};
    for (int i = 0; i < 10; ++i)
        args.append(Value(false));
    const Value r = call("SetConsumidor", args);
    QVERIFY(r.isError());
    QVERIFY2(r.errorText().contains(consumer(1)) && r.errorText().contains("vinculados a ele"),
             qPrintable(r.errorText()));
    QVERIFY(!links().contains(client(1) + '/' + consumer(1) + '>' + consumer(5)));
}

void tst_LinkAndAnonymise::refusedListStoresNothing_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("client");
    QTest::addColumn<int>("main");
    QTest::addColumn<QList<int>>("listed");
    QTest::addColumn<QStringList>("message"); // parts the refusal must hold
    const QString name1 = ServerFixture::consumerName(1), name2 = ServerFixture::consumerName(2);
    for (const QString b : {"sqlite", "postgresql"}) {
        const QByteArray tag = b.toUtf8();
        const char *t = tag.constData();
        QTest::addRow("%s main itself linked", t)
            << b << 1 << 2 << QList<int> {6, 7} << QStringList {consumer(2), name2, "cadeia"};
        QTest::addRow("%s cycle through the main", t)
            << b << 1 << 3 << QList<int> {6, 4} << QStringList {consumer(3), consumer(4), "ciclo"};
        QTest::addRow("%s listed one is a main", t)
            << b << 1 << 5 << QList<int> {6, 1} << QStringList {consumer(1), name1, "cadeia"};
        QTest::addRow("%s the main listed", t)
            << b << 1 << 5 << QList<int> {6, 5} << QStringList {consumer(5), "ele mesmo"};
        QTest::addRow("%s another client's consumer", t)
            << b << 1 << 5 << QList<int> {6, 90} << QStringList {consumer(90), "não cadastrado"};
        QTest::addRow("%s unknown consumer", t)
            << b << 1 << 5 << QList<int> {999, 6} << QStringList {consumer(999), "não cadastrado"};
        QTest::addRow("%s linked to another main", t)
            << b << 1 << 5 << QList<int> {6, 3} << QStringList {consumer(3), consumer(4)};
        QTest::addRow("%s inactive listed", t)
            << b << 1 << 5 << QList<int> {6, 20} << QStringList {consumer(20), "inativo"};
        QTest::addRow("%s inactive main", t) << b << 1 << 10 << QList<int> {6} << QStringList {consumer(10), "inativo"};
        QTest::addRow("%s main of another client", t)
            << b << 1 << 90 << QList<int> {6} << QStringList {consumer(90), "não cadastrado"};
        QTest::addRow("%s from the other client's side", t)
            << b << 2 << 90 << QList<int> {2, 6} << QStringList {consumer(6), "não cadastrado"};
        QTest::addRow("%s nothing listed", t) << b << 1 << 5 << QList<int> {} << QStringList {"Favor informar"};
    }
}

void tst_LinkAndAnonymise::refusedListStoresNothing()
{
    QFETCH(int, client);
    QFETCH(int, main);
    QFETCH(QList<int>, listed);
    QFETCH(QStringList, message);
    const QStringList before = links();
    const QString refusal = error("setCadAutoVinculo",
                                  {Value(ServerFixture::client(client)), Value(consumer(main)), Value(listOf(listed))});
    for (const QString &part : message)
        QVERIFY2(refusal.contains(part), qPrintable(refusal));
    QCOMPARE(links(), before);
}

void tst_LinkAndAnonymise::givePersonalData(int n)
{
    QHash<QString, Value> params
        = {{"C", Value(client(1))}, {"K", Value(consumer(n))}, {"D", Value::date(QDate(1977, 3, 21))}};
    QStringList sets = {"DTNASCCONS = :D", "IDANONIMIZADO = 'N'"};
    for (int i = 0; i < kPersonal.size(); ++i) {
        sets.append(QString("%1 = :P%2").arg(kPersonal.at(i).first).arg(i));
        params.insert(QString("P%1").arg(i), Value(kPersonal.at(i).second));
    }
    DbSession &s = db();
    s.begin(true);
    s.exec(QString("UPDATE CONSUMIDOR SET %1 WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K").arg(sets.join(", ")), params);
    QHash<QString, Value> address = {{"C", Value(client(1))}, {"K", Value(consumer(n))}};
    QStringList columns, values;
    for (int i = 0; i < kFurtherAddress.size(); ++i) {
        columns.append(kFurtherAddress.at(i).first);
        values.append(QString(":A%1").arg(i));
        address.insert(QString("A%1").arg(i), Value(kFurtherAddress.at(i).second));
    }
    s.exec(
        QString(
            "INSERT INTO ENDECONS (CDCLIENTE, CDCONSUMIDOR, CDENDECONS, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, %1) "
            "VALUES (:C, :K, '02', '1058', 'SP', '0001', '0000000001', %2)")
            .arg(columns.join(", "), values.join(", ")),
        address);
    s.exec("INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) VALUES (:C, :K, '0001')",
           {{"C", Value(client(1))}, {"K", Value(consumer(n))}});
    s.exec("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR) VALUES ('B10007', :C, :K)",
           {{"C", Value(client(1))}, {"K", Value(consumer(n))}});
    s.exec("UPDATE CONSUMIDOR SET CDCONSVINCULO = :K WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :L",
           {{"C", Value(client(1))}, {"K", Value(consumer(n))}, {"L", Value(consumer(n + 1))}});
    s.commit();
}

QStringList tst_LinkAndAnonymise::whereFound(const QStringList &values)
{
    QStringList found;
    for (const TableDef &t : Schema::tables()) {
        for (const TableDef::Column &c : t.columns()) {
            if (c.type != TableDef::Type::Varchar && c.type != TableDef::Type::Char)
                continue;
            const Packet p = db().select(QString("SELECT %1 FROM %2 WHERE %1 IS NOT NULL").arg(c.name, t.name()), {},
                                         {t.fieldDef(c)});
            for (const QString &cell : column(p, c.name)) {
                for (const QString &v : values) {
                    if (cell.contains(v, Qt::CaseInsensitive))
                        found.append(QString("%1.%2: %3").arg(t.name(), c.name, v));
                }
            }
        }
    }
    return found;
}

// The personal data saved through the screens' methods, so that the history holds it: the
// anonymisation leaves none of it there either, and the history keeps no secret at any time.
void tst_LinkAndAnonymise::anonymisationLeavesNoFormerValueInTheHistory()
{
    DataSet consumers;
    consumers.setData(packet("getPrincipal", {Value(client(1)), Value("T")}));
    QVERIFY(consumers.Locate("CDCONSUMIDOR", {Value(consumer(7))}));
    consumers.Edit();
    for (const auto &[name, value] : kPersonal)
        consumers.FieldByName(name).setAsString(value);
    consumers.Post();
    QList<Value> save{Value(consumers.Delta())};
    for (int i = 0; i < 10; ++i)
        save.append(Value(0));
    QCOMPARE(error("SetConsumidor", save), QString());
    DataSet addresses;
    addresses.setData(packet("getEndeCons", {Value(client(1)), Value(consumer(7))}));
    addresses.Append();
    addresses.FieldByName(u"CDCLIENTE").setAsString(client(1));
    addresses.FieldByName(u"CDCONSUMIDOR").setAsString(consumer(7));
    for (const auto &[name, value] : kFurtherAddress)
        addresses.FieldByName(name).setAsString(value);
    addresses.Post();
    QCOMPARE(error("SetEndeCons", {Value(addresses.Delta())}), QString());

    QStringList former, secrets;
    for (const auto &[name, value] : kPersonal + kFurtherAddress) {
        former.append(value);
        if (name.startsWith("CDSENHA") || name.startsWith("DIGI"))
            secrets.append(value);
    }
    const QStringList inHistory = whereFound(former).filter("HISTCONSUMIDOR.");
    QVERIFY2(inHistory.contains("HISTCONSUMIDOR.DSVALORNOVO: Zulmira Quintanilha Ferraz"), qPrintable(inHistory.join('\n')));
    QVERIFY(inHistory.contains("HISTCONSUMIDOR.DSVALORNOVO: Sala 808 edifício Itatiaia"));
    QCOMPARE(whereFound(secrets).filter("HISTCONSUMIDOR."), QStringList());

    QCOMPARE(error("setAnonimizaCons", {Value(request(7, document()))}), QString());
    QCOMPARE(whereFound(former), QStringList());
    // What the anonymisation did is in the history, without what it erased.
    const QString mine = QString("SELECT COUNT(*) FROM HISTCONSUMIDOR WHERE NMMETODO = 'setAnonimizaCons' AND CDCLIENTE = '%1' AND "
                                 "CDCONSUMIDOR = '%2' AND ")
                             .arg(client(1), consumer(7));
    QCOMPARE(count(mine + "NMCAMPO = 'IDANONIMIZADO' AND DSVALORNOVO = 'S'"), 1);
    QCOMPARE(count(mine + "NMTABELA = 'CONSUMIDOR' AND NMCAMPO = 'NMCONSUMIDOR' AND DSVALORANT = 'anonimizado' AND "
                          "DSVALORNOVO = 'CONSUMIDOR ANONIMIZADO'"),
             1);
    QCOMPARE(count(mine + "NMTABELA = 'ENDECONS' AND NMCAMPO = 'DSENDECONS' AND DSVALORNOVO = 'ANONIMIZADO'"), 1);
}

void tst_LinkAndAnonymise::anonymisationLeavesNoPersonalValue()
{
    givePersonalData(7);
    QStringList former;
    for (const auto &[name, value] : kPersonal + kFurtherAddress)
        former.append(value);
    // The search itself finds what is there.
    QCOMPARE(whereFound(former).size(), former.size());

    QCOMPARE(error("setAnonimizaCons", {Value(request(7, document()))}), QString());
    QCOMPARE(whereFound(former), QStringList());
    const QString key = QString(" WHERE CDCLIENTE = '%1' AND CDCONSUMIDOR = '%2'").arg(client(1), consumer(7));
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIDOR" + key
                   + " AND DTNASCCONS IS NULL AND IDANONIMIZADO = 'S' AND CDPAIS IS NULL "
                     "AND SGESTADO IS NULL AND CDMUNICIPIO IS NULL AND CDBAIRRO IS NULL"),
             1);
    QCOMPARE(count("SELECT COUNT(*) FROM ENDECONS" + key + " AND CDPAIS IS NULL AND CDBAIRRO IS NULL"), 1);

    QList<FieldDef> fields = requestFields();
    fields.append({"DTANONIMIZA", FieldType::DateTime, 0});
    const Packet kept
        = db().select("SELECT CDCLIENTE, CDCONSUMIDOR, CDOPERADOR, NMOPERADOR, NMARQANONIMIZA, DSARQANONIMIZA, "
                      "DTANONIMIZA FROM ANONIMIZACONS",
                      {}, fields);
    QCOMPARE(kept.rowCount(), 1);
    QCOMPARE(kept.value(0, u"CDCONSUMIDOR").toString(), consumer(7));
    QCOMPARE(kept.value(0, u"CDOPERADOR").toString(), QString("000000000042"));
    QCOMPARE(kept.value(0, u"NMOPERADOR").toString(), QString("Operadora Beatriz"));
    QCOMPARE(kept.value(0, u"NMARQANONIMIZA").toString(), QString("pedido-lgpd.pdf"));
    QCOMPARE(kept.value(0, u"DSARQANONIMIZA").toBytes(), document());
    QVERIFY(!kept.value(0, u"DTANONIMIZA").isNull());

    // Once only: a second request is refused, naming the consumer, and nothing more is kept.
    const QString again = error("setAnonimizaCons", {Value(request(7, "outro pedido"))});
    QVERIFY2(again.contains(consumer(7)) && again.contains("já foi anonimizado"), qPrintable(again));
    QCOMPARE(count("SELECT COUNT(*) FROM ANONIMIZACONS"), 1);
}

void tst_LinkAndAnonymise::anonymisationKeepsWhatSalesNeed()
{
    givePersonalData(7);
    QStringList before = consumerRow(7);
    const qint64 branches = count("SELECT COUNT(*) FROM CONSUMIFILIAL"),
                 badges = count("SELECT COUNT(*) FROM REGIDENTCONS");
    QCOMPARE(error("setAnonimizaCons", {Value(request(7, document()))}), QString());
    QStringList after = consumerRow(7);
    const QStringList personal
        = {"NMCONSUMIDOR", "NMRESPCONS",      "NRCPFRESPCON",    "NRRGCONSUMID",    "NRTELECONS",  "NRTELE2CONS",
           "NRRAMAL1CONS", "NRRAMAL2CONS",    "NRFAXCONS",       "NRCELULARCONS",   "DSEMAILCONS", "DSENDECONS",
           "NRENDECONS",   "DSCOMPLENDECONS", "DSREFERENDECONS", "NRCEPCONS",       "NMQUADRANTE", "NMBAIRCONS",
           "CDPAIS",       "SGESTADO",        "CDMUNICIPIO",     "CDBAIRRO",        "NMLOGINCONS", "CDSENHACONS",
           "CDSENHASITE",  "CDSENHACONSMD5",  "DIGICONSUMIDOR",  "DIGICONSUMIDOR2", "DSINFOCONS",  "DTNASCCONS",
           "IDANONIMIZADO"};
    const auto others = [&](const QStringList &row) {
        QStringList out;
        for (const QString &cell : row) {
            if (!personal.contains(cell.section('=', 0, 0)))
                out.append(cell);
        }
        return out;
    };
    QCOMPARE(others(after), others(before)); // key, badge, type, cost centre, limits, link...
    QVERIFY(after.contains("NMCONSUMIDOR=CONSUMIDOR ANONIMIZADO"));
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIFILIAL"), branches);
    QCOMPARE(count("SELECT COUNT(*) FROM REGIDENTCONS"), badges);
    QCOMPARE(linkedTo(7), codes({8}));
    // The anonymised consumer is still read and saved as any other.
    QCOMPARE(packet("getEndeCons", {Value(client(1)), Value(consumer(7))}).rowCount(), 1);
}

void tst_LinkAndAnonymise::refusedAnonymisationChangesNothing_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString noFile = "Arquivo com pedido de anonimização do consumidor";
    for (const QString b : {"sqlite", "postgresql"}) {
        const QByteArray tag = b.toUtf8();
        const char *t = tag.constData();
        QTest::addRow("%s empty document", t) << b << "empty document" << noFile;
        QTest::addRow("%s no document", t) << b << "no document" << noFile;
        QTest::addRow("%s no file name", t) << b << "no file name" << noFile;
        QTest::addRow("%s no row", t) << b << "no row" << noFile;
        QTest::addRow("%s two rows", t) << b << "two rows"
                                        << "um consumidor só";
        QTest::addRow("%s no operator", t) << b << "no operator"
                                           << "operador";
        QTest::addRow("%s unknown consumer", t) << b << "unknown consumer" << consumer(999) + " não cadastrado";
    }
}

void tst_LinkAndAnonymise::refusedAnonymisationChangesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Packet asked = request(7, document());
    if (kind == "empty document")
        asked = request(7, QByteArray(""));
    else if (kind == "no document")
        asked = request(7, QByteArray());
    else if (kind == "no row")
        asked = request(7, document(), "000000000042", 0);
    else if (kind == "two rows")
        asked = request(7, document(), "000000000042", 2);
    else if (kind == "no operator")
        asked = request(7, document(), " ");
    else if (kind == "unknown consumer")
        asked = request(999, document());
    else if (kind == "no file name")
        asked = request(7, document(), "000000000042", 1, "  ");
    givePersonalData(7);
    const QStringList before = consumerRow(7);
    const QString refusal = error("setAnonimizaCons", {Value(asked)});
    QVERIFY2(refusal.contains(message), qPrintable(refusal));
    QCOMPARE(consumerRow(7), before);
    QCOMPARE(count("SELECT COUNT(*) FROM ANONIMIZACONS"), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM ENDECONS WHERE DSENDECONS = 'ANONIMIZADO'"), 0);
}

QTEST_GUILESS_MAIN(tst_LinkAndAnonymise)
#include "tst_LinkAndAnonymise.moc"
