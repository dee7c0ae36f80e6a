#include "DbSession.h"
#include "ImportMessages.h"
#include "ImportRecord.h"
#include "Packet.h"
#include "ServerFixture.h"

#include <QRegularExpression>
#include <QTest>

using namespace cns;
using namespace cns::import;
using ServerFixture::client;
using ServerFixture::consumer;

namespace {

const QString kModule = "Cns72200.rdmImportConsu";

// An import row with the fields the server reads; the others empty.
QList<Value> importRow(const QString &cli, const QString &code, const QString &name, const QHash<QString, Value> &more = {})
{
    QList<Value> row;
    for (const ImportRecord::FieldInfo &f : ImportRecord::rowFields()) {
        if (f.def.name == u"CDCLIENTE")
            row.append(Value(cli));
        else if (f.def.name == u"CDCONSUMIDOR")
            row.append(Value(code));
        else if (f.def.name == u"NMCONSUMIDOR")
            row.append(Value(name));
        else if (more.contains(f.def.name))
            row.append(more.value(f.def.name));
        else if (f.def.name == u"CDTIPOCONS")
            row.append(Value("01"));
        else if (f.def.name == u"CDCCUSCLIE")
            row.append(Value("0000000001"));
        else if (f.def.name == u"IDVERSALDCON")
            row.append(Value("N"));
        else
            row.append(cns::isTextType(f.def.type) ? Value(QString()) : Value());
    }
    return row;
}

Packet packet(const QList<QList<Value>> &rows)
{
    Packet p(ImportRecord::rowFieldDefs());
    for (const QList<Value> &r : rows)
        p.addRow(r);
    return p;
}

} // namespace

class tst_ImportMethods : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void backends_data();
    void layoutsFilesAndDefaults_data() { backends_data(); }
    void layoutsFilesAndDefaults();
    void layoutPartsComeInNumberOrder_data() { backends_data(); }
    void layoutPartsComeInNumberOrder();
    void badgesOfTheBranchAndTheRegister_data() { backends_data(); }
    void badgesOfTheBranchAndTheRegister();
    void importInsertsUpdatesTiesAndInactivates_data() { backends_data(); }
    void importInsertsUpdatesTiesAndInactivates();
    void refusalsStoreNothing_data();
    void refusalsStoreNothing();
    void emptyImportTouchesNoOne_data() { backends_data(); }
    void emptyImportTouchesNoOne();
    void storedTextsAreTrimmedAndCut_data() { backends_data(); }
    void storedTextsAreTrimmedAndCut();
    void repeatedConsumerIsInsertedThenUpdated_data() { backends_data(); }
    void repeatedConsumerIsInsertedThenUpdated();
    void reimportWritesWhatDiffers_data() { backends_data(); }
    void reimportWritesWhatDiffers();
    void columnsSomeRowsFill_data() { backends_data(); }
    void columnsSomeRowsFill();
    void shortRowStoresNothing_data();
    void shortRowStoresNothing();

private:
    Value call(const QString &backend, const QString &method, const QList<Value> &args)
    {
        return m_dispatchers[backend]->call(kModule, method, args);
    }
    Value confirm(const QString &backend, const Packet &rows, const QString &layout, const QString &clients);
    qint64 count(const QString &backend, const QString &sql)
    {
        return DbSession::forThread(DatabaseUrl::parse(m_urls[backend])).count(sql, {});
    }
    // The columns of client 2's consumers whose codes start with prefix, in code order, as texts
    // unless types says otherwise.
    Packet stored(const QString &backend, const QStringList &columns, const QString &prefix, QList<FieldType> types = {})
    {
        QList<FieldDef> fields;
        for (int i = 0; i < columns.size(); ++i)
            fields.append({columns.at(i), i < types.size() ? types.at(i) : FieldType::String, 0});
        return DbSession::forThread(DatabaseUrl::parse(m_urls[backend]))
            .select(QString("SELECT %1 FROM CONSUMIDOR WHERE CDCLIENTE = :C AND CDCONSUMIDOR LIKE :P ORDER BY CDCONSUMIDOR")
                        .arg(columns.join(", ")),
                    {{"C", Value(client(2))}, {"P", Value(prefix + '%')}}, fields);
    }
    QMap<QString, std::shared_ptr<Dispatcher>> m_dispatchers;
    QMap<QString, QString> m_urls;
};

void tst_ImportMethods::initTestCase()
{
    const QMap<QString, QString> urls = ServerFixture::createAll("tst_importmethods");
    for (auto it = urls.cbegin(); it != urls.cend(); ++it) {
        const QString &backend = it.key(), &url = it.value();
        m_urls.insert(backend, url);
        m_dispatchers.insert(backend, ServerFixture::dispatcher(url));
        DbSession &db = DbSession::forThread(DatabaseUrl::parse(url));
        db.begin(true);
        db.exec("INSERT INTO LAYOUTIMP (CDLAYOUTIMP, NMLAYOUTIMP, IDSEPARCAMPO, IDCARACDELIM, IDINACONSARQIMP, CDFILIAL, "
                "IDPARALISAIMPARQ, IDREMOVEZEROESQ) VALUES ('0000000001', 'Inativa', 'D', ';', 'S', '0001', 'S', 'N'), "
                "('0000000002', 'Não inativa', 'D', ';', 'N', '0002', 'N', 'N'), ('0000000003', 'Sem filial', 'D', ';', 'S', NULL, 'N', 'N')");
        db.exec("INSERT INTO TABLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NMARQLAYIMP) VALUES ('0000000001', 1, '/tmp/a.txt'), "
                "('0000000001', 2, '/tmp/b.txt')");
        int seq = 0;
        for (const char *c : {"CDCONSUMIDOR", "NMCONSUMIDOR", "CDTIPOCONS", "CDCCUSCLIE", "NRCPFRESPCON", "CDIDCONSUMID"})
            db.exec("INSERT INTO COLLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NRSEQCOLULAY, NRPOSICOLLAY, NMCOLUNAIMP) VALUES "
                    "('0000000001', 1, :S, :S, :N), ('0000000002', 1, :S, :S, :N)",
                    {{"S", Value(++seq)}, {"N", Value(c)}});
        db.exec("INSERT INTO COLLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NRSEQCOLULAY, NRPOSICOLLAY, NMCOLUNAIMP, DSDEFACOLLAY) VALUES "
                "('0000000002', 1, 20, 0, 'CDCLIENTE', '11222333000181')");
        db.exec("INSERT INTO VALLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NRSEQVALLAY, NRPOSINIVALLAY, NRTAMVALLAY, DSVALVALLAY) "
                "VALUES ('0000000001', 1, 1, 1, 2, '01;03')");
        db.exec("INSERT INTO PARAFILIAL (CDFILIAL, CDLAYOUTIMP, IDIMPBLOLANCNEG) VALUES ('0002', '0000000002', 'S')");
        db.exec("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR) VALUES ('B10001', :C, :K), ('B10001', :C, :J)",
                {{"C", Value(client(1))}, {"K", Value(consumer(1))}, {"J", Value(consumer(80))}});
        db.commit();
    }
}

void tst_ImportMethods::backends_data()
{
    ServerFixture::backendRows(m_dispatchers.keys());
}

Value tst_ImportMethods::confirm(const QString &backend, const Packet &rows, const QString &layout, const QString &clients)
{
    QList<Value> args{Value(rows), Value(layout), Value("/tmp/a.txt"), Value(clients)};
    for (const char *key : {"CdCliNull", "CdConNull", "NmConNull", "CdTpConNull", "CdCCusClieNull", "IdVerSaldCon", "CdIdCad", "IDCONS_CAD",
                            "IDTRABCONS_CAD"})
        args.append(Value(ImportMessages::table().Msg(QString::fromLatin1(key))));
    args << Value("") << Value("N") << Value("1");
    return call(backend, "setConsumidor", args);
}

void tst_ImportMethods::layoutsFilesAndDefaults()
{
    QFETCH(QString, backend);
    const Packet one = call(backend, "getLayoutImp", {Value("0000000001"), Value(""), Value("T")}).at(0).toPacket();
    QCOMPARE(one.rowCount(), 1);
    QCOMPARE(one.value(0, u"IDINACONSARQIMP").toString(), QString("S"));
    // At branch 0002: its own layout and the one without a branch.
    const Packet at2 = call(backend, "getLayoutImp", {Value(""), Value("T"), Value("0002")}).at(0).toPacket();
    QCOMPARE(at2.rowCount(), 2);
    const Packet files = call(backend, "getTabLayoutImp", {Value("0000000001")}).at(0).toPacket();
    QCOMPARE(files.rowCount(), 2);
    QCOMPARE(files.value(1, u"NRSEQTABELAY"), Value("2"));
    QCOMPARE(call(backend, "getColLayoutImp", {Value("0000000002")}).at(0).toPacket().rowCount(), 7);
    const Packet rules = call(backend, "getValLayout", {Value("0000000001"), Value("1")}).at(0).toPacket();
    QCOMPARE(rules.value(0, u"NRTAMVALLAY"), Value("2"));
    QCOMPARE(rules.value(0, u"DSVALVALLAY"), Value("01;03"));
    QCOMPARE(call(backend, "getValLayoutCli", {Value("0000000001"), Value("1")}).at(0).toPacket().rowCount(), 0);
    QCOMPARE(call(backend, "getValLayoutCli", {Value("0000000002"), Value("1")}).at(0).toPacket().rowCount(), 1);
    QVERIFY(call(backend, "getValLayout", {Value("0000000001"), Value("x")}).isError());
    QCOMPARE(call(backend, "getDefLayout", {Value("0002")}).at(0).toPacket().value(0, 0), Value("0000000002"));
    QCOMPARE(call(backend, "getDefCliente", {Value("0002")}).at(0).toPacket().value(0, 0), Value("11222333000181"));
    QCOMPARE(call(backend, "getDefCliente", {Value("0001")}).at(0).toPacket().rowCount(), 0);
    QCOMPARE(call(backend, "getBuscaParamValorNeg", {Value("0002")}).at(0).toPacket().value(0, 0), Value("S"));
    QCOMPARE(call(backend, "getExistLayout", {Value("0000000001"), Value("cdconsumidor")}), Value(true));
    QCOMPARE(call(backend, "getExistLayout", {Value("0000000001"), Value("CDCLIENTE")}), Value(false));
}

// Files, columns and value rules come in the order of their sequence numbers, 10 after 9, on both
// databases: on PostgreSQL they once came in the order of their texts, so that the delimited demo
// layout read its tenth column second and every column after it one field off.
void tst_ImportMethods::layoutPartsComeInNumberOrder()
{
    QFETCH(QString, backend);
    DbSession &db = DbSession::forThread(DatabaseUrl::parse(m_urls[backend]));
    db.exec("DELETE FROM VALLAYOUTIMP WHERE CDLAYOUTIMP = '0000000098'");
    db.exec("DELETE FROM COLLAYOUTIMP WHERE CDLAYOUTIMP = '0000000098'");
    db.exec("DELETE FROM TABLAYOUTIMP WHERE CDLAYOUTIMP = '0000000098'");
    db.exec("DELETE FROM LAYOUTIMP WHERE CDLAYOUTIMP = '0000000098'");
    db.exec("INSERT INTO LAYOUTIMP (CDLAYOUTIMP, NMLAYOUTIMP, IDSEPARCAMPO) VALUES ('0000000098', 'Doze partes', 'D')");
    for (int n : {12, 2, 10, 1, 11, 3, 4, 5, 6, 7, 8, 9}) {
        const QHash<QString, Value> p = {{"N", Value(qint64(n))}};
        db.exec("INSERT INTO TABLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NMARQLAYIMP) VALUES ('0000000098', :N, 'a.txt')", p);
        db.exec("INSERT INTO COLLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NRSEQCOLULAY, NRPOSICOLLAY, NMCOLUNAIMP) "
                "VALUES ('0000000098', 1, :N, :N, 'DSEMAILCONS')", p);
        db.exec("INSERT INTO VALLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NRSEQVALLAY, NRPOSINIVALLAY, NRTAMVALLAY, DSVALVALLAY) "
                "VALUES ('0000000098', 1, :N, :N, 1, 'X')", p);
    }
    const auto sequence = [](const Packet &p, const char16_t *field) {
        QStringList out;
        for (qsizetype i = 0; i < p.rowCount(); ++i)
            out.append(p.value(i, QStringView(field)).toString());
        return out.join(',');
    };
    const QString expected = "1,2,3,4,5,6,7,8,9,10,11,12";
    QCOMPARE(sequence(call(backend, "getTabLayoutImp", {Value("0000000098")}).at(0).toPacket(), u"NRSEQTABELAY"), expected);
    QCOMPARE(sequence(call(backend, "getColLayoutImp", {Value("0000000098")}).at(0).toPacket(), u"NRSEQCOLULAY"), expected);
    QCOMPARE(sequence(call(backend, "getValLayout", {Value("0000000098"), Value("1")}).at(0).toPacket(), u"NRSEQVALLAY"),
             expected);
}

void tst_ImportMethods::badgesOfTheBranchAndTheRegister()
{
    QFETCH(QString, backend);
    // Client 1 is at 0001 and 0002 with its 75 badged consumers; client 2 only at 0002.
    QCOMPARE(call(backend, "getCrachaFilial", {Value("0001")}).at(0).toPacket().rowCount(), ServerFixture::kClient1Consumers);
    QCOMPARE(call(backend, "getCrachaFilial", {Value("0002")}).at(0).toPacket().rowCount(), ServerFixture::kClient1Consumers + 3);
    auto registered = [&](const char *badge, const QString &cli, const QString &code) {
        return call(backend, "getVrIdentificador", {Value(badge), Value(cli), Value(code)}).at(0).toPacket().value(0, 0).toInt();
    };
    QCOMPARE(registered("b10001", client(1), consumer(1)), 1); // the other consumer that had it
    QCOMPARE(registered("B10001", client(1), consumer(2)), 2);
    QCOMPARE(registered("B99999", client(1), consumer(2)), 0);
    // Many at once, the same answers (the rows whose answer is 0 left out) in the order asked,
    // twice on one connection.
    Packet asked({{"CDIDCONSUMID", FieldType::String, 21}, {"CDCLIENTE", FieldType::String, 21}, {"CDCONSUMIDOR", FieldType::String, 21}});
    const QList<QStringList> rows = {{"b10001", client(1), consumer(1)}, {"B10001", client(1), consumer(2)},
                                     {"B99999", client(1), consumer(2)}, {" B10001 ", client(2), consumer(1)}};
    for (const QStringList &r : rows) {
        Row::Builder b(64);
        for (const QString &text : r)
            b.addText(text);
        asked.appendRow(b.take());
    }
    for (int round = 0; round < 2; ++round) {
        const Value reply = call(backend, "getVrIdentificadorLista", {Value(asked)});
        if (reply.isError())
            QFAIL(qPrintable(reply.errorText()));
        const Packet answers = reply.at(0).toPacket();
        QList<qint64> lines, expected;
        for (qsizetype i = 0; i < answers.rowCount(); ++i)
            lines.append(answers.value(i, 0).toInt());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const int held = registered(rows[i][0].toLatin1().constData(), rows[i][1], rows[i][2]);
            if (held > 0) {
                expected.append(i);
                QCOMPARE(answers.value(expected.size() - 1, 1).toInt(), held);
            }
        }
        QCOMPARE(lines, expected);
    }
}

void tst_ImportMethods::importInsertsUpdatesTiesAndInactivates()
{
    QFETCH(QString, backend);
    const QString email = "SELECT DSEMAILCONS FROM CONSUMIDOR WHERE CDCLIENTE = '000000000000000000001' AND CDCONSUMIDOR = '000000000000000000003'";
    DbSession::forThread(DatabaseUrl::parse(m_urls[backend])).exec(
        "UPDATE CONSUMIDOR SET DSEMAILCONS = 'c3@alfa.com.br' WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K",
        {{"C", Value(client(1))}, {"K", Value(consumer(3))}});
    const Packet rows = packet({
        importRow(client(1), consumer(3), "Renomeado", {{"NRCPFRESPCON", Value("12345678900")}, {"CDIDCONSUMID", Value("B10003")}}),
        importRow(client(1), consumer(200), "Novo", {{"CDTIPOCONS", Value("09")}, {"CDCCUSCLIE", Value("0000000077")},
                                                     {"NRCPFRESPCON", Value("52998224725")}, {"VRLIMDEBCONS", Value("-150")},
                                                     {"DTNASCCONS", Value::date(QDate(1990, 3, 5))}}),
        importRow(client(1), consumer(201), "Inválido", {{"IDVALIDO", Value("N")}, {"CDTIPOCONS", Value(QString())}}),
        importRow(client(1), consumer(4), "Duplicado marcado", {{"IDVALIDO", Value("N")}}),
    });
    const qint64 recorded = count(backend, "SELECT COALESCE(MAX(NRHISTCONS), 0) FROM HISTCONSUMIDOR");
    const Value reply = confirm(backend, rows, "0000000001", client(1) + "_");
    QVERIFY2(!reply.isError(), qPrintable(reply.isError() ? reply.errorText() : QString()));
    const int inactivated = ServerFixture::kClient1Consumers - 2 - 7;
    QCOMPARE(reply.toArray(), QList<Value>({Value(1), Value(1), Value(inactivated)}));
    // The history: the changed fields of the updated consumer, its new tie, the new consumer once,
    // each inactivation, and the call.
    const Packet h = DbSession::forThread(DatabaseUrl::parse(m_urls[backend]))
                         .select("SELECT CAST(CAST(CDCONSUMIDOR AS INTEGER) AS VARCHAR(10)) || ' ' || COALESCE(NMTABELA, '-') || ' ' || "
                                 "COALESCE(NMCAMPO, '-') || ': ' || COALESCE(DSVALORANT, '-') || ' > ' || COALESCE(DSVALORNOVO, '-') "
                                 "FROM HISTCONSUMIDOR WHERE NRHISTCONS > :M AND CDCONSUMIDOR IS NOT NULL",
                                 {{"M", Value(recorded)}}, {{"E", FieldType::String, 0}});
    const QStringList entries = ServerFixture::column(h, "E");
    QCOMPARE(entries.filter(QRegularExpression("^3 ")),
             (QStringList{"3 CONSUMIDOR NMCONSUMIDOR: " + ServerFixture::consumerName(3) + " > Renomeado",
                          "3 CONSUMIDOR CDTIPOCONS: 02 > 01", "3 CONSUMIFILIAL CDFILIAL: - > 0001"}));
    QCOMPARE(entries.filter(QRegularExpression("^200 ")), QStringList());
    QCOMPARE(entries.filter(" CONSUMIDOR IDSITCONSUMI: 1 > 2").size(), inactivated);
    QCOMPARE(entries.size(), 3 + inactivated);
    // The new consumer once, in a packed row of the call, as the consumer screen reads it.
    const Packet included = m_dispatchers[backend]
                                ->call("Cns72200.rdmConsumidor", "getHistCons", {Value(client(1)), Value(consumer(200))})
                                .at(0)
                                .toPacket();
    QCOMPARE(included.rowCount(), 1);
    QCOMPARE(included.value(0, u"NMMETODO").toString(), QString("setConsumidor"));
    QCOMPARE(included.value(0, u"NMTABELA").toString(), QString("CONSUMIDOR"));
    QCOMPARE(included.value(0, u"DSVALORNOVO").toString(), QString("incluído"));
    QCOMPARE(count(backend, QString("SELECT COUNT(*) FROM HISTCONSUMIDOR WHERE NRHISTCONS > %1 AND NMMETODO = 'setConsumidor' AND "
                                    "NMCAMPO = 'CHAMADA' AND DSVALORNOVO = 'layout 0000000001; arquivo /tmp/a.txt; clientes %2_; "
                                    "filial ; linhas: 4; incluídos: 1, alterados: 1, inativados: %3'")
                                .arg(recorded)
                                .arg(client(1))
                                .arg(inactivated)),
             1);
    auto db = [&](const QString &sql) { return count(backend, sql); };
    QCOMPARE(db("SELECT COUNT(*) FROM CONSUMIDOR WHERE NMCONSUMIDOR = 'Renomeado' AND NRCPFRESPCON IS NULL AND IDSITCONSUMI = '1'"), 1);
    QCOMPARE(DbSession::forThread(DatabaseUrl::parse(m_urls[backend])).select(email, {}, {{"E", FieldType::String, 0}}).value(0, 0),
             Value("c3@alfa.com.br")); // not mapped by the layout: kept
    QCOMPARE(db("SELECT COUNT(*) FROM CONSUMIDOR WHERE NMCONSUMIDOR = 'Novo' AND NRCPFRESPCON = '52998224725' AND VRLIMDEBCONS = -150"), 1);
    QCOMPARE(db("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCONSUMIDOR = '000000000000000000201'"), 0);
    QCOMPARE(db("SELECT COUNT(*) FROM TIPOCONS WHERE CDTIPOCONS = '09'"), 1);
    QCOMPARE(db("SELECT COUNT(*) FROM CCUSCLIE WHERE CDCCUSCLIE = '0000000077' AND CDCLIENTE = '000000000000000000001'"), 1);
    QCOMPARE(db("SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDFILIAL = '0001' AND CDCONSUMIDOR IN ('000000000000000000003', "
                "'000000000000000000200')"),
             2);
    // Consumer 4 is in the file (marked invalid): not inactivated; the others are.
    QCOMPARE(db("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCLIENTE = '000000000000000000001' AND IDSITCONSUMI = '1'"), 3);
    QCOMPARE(db("SELECT COUNT(*) FROM REGIDENTCONS WHERE CDIDCONSUMID = 'B10003'"), 1);
}

void tst_ImportMethods::refusalsStoreNothing_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QList<QList<Value>>>("rows");
    QTest::addColumn<QString>("error");
    for (const QString &b : m_dispatchers.keys()) {
        const QByteArray n = b.toLatin1();
        QTest::newRow(n + ": empty cost centre")
            << b << "0000000002"
            << QList<QList<Value>>{importRow(client(2), consumer(50), "Ok"), importRow(client(2), consumer(51), "Sem centro", {{"CDCCUSCLIE", Value("")}})}
            << "O centro de custo não pode ser vazio. (cliente 000000000000000000002, consumidor 000000000000000000051)";
        QTest::newRow(n + ": balance flag")
            << b << "0000000002" << QList<QList<Value>>{importRow(client(2), consumer(50), "Ok", {{"IDVERSALDCON", Value("X")}})}
            << "Identificador de verificação de saldo inválido. Se este identificador existir no layout deverá receber os valores "
               "'S ou N'. (cliente 000000000000000000002, consumidor 000000000000000000050)";
        QTest::newRow(n + ": badge twice for one client")
            << b << "0000000002"
            << QList<QList<Value>>{importRow(client(2), consumer(50), "A", {{"CDIDCONSUMID", Value("Z1")}}),
                                   importRow(client(2), consumer(51), "B", {{"CDIDCONSUMID", Value("z1")}})}
            << "Número do crachá (Z1) já existe no arquivo, para outro consumidor. (cliente 000000000000000000002, consumidor "
               "000000000000000000051)";
        QTest::newRow(n + ": badge of two clients of the branch")
            << b << "0000000002"
            << QList<QList<Value>>{importRow(client(2), consumer(50), "A", {{"CDIDCONSUMID", Value("Z1")}}),
                                   importRow(client(1), consumer(150), "B", {{"CDIDCONSUMID", Value("Z1")}})}
            << "O nr. de crachá  (Z1) está vinculado a mais de um consumidor no arquivo de importação. Os seus respectivos clientes "
               "estão associados para a mesma filial.\" (cliente 000000000000000000001, consumidor 000000000000000000150)";
        QTest::newRow(n + ": badge of another consumer")
            << b << "0000000002" << QList<QList<Value>>{importRow(client(2), consumer(50), "A", {{"CDIDCONSUMID", Value("B10010")}})}
            << "Número do crachá (B10010) já existe no cadastro, para outro consumidor. (cliente 000000000000000000002, consumidor "
               "000000000000000000050)";
        QTest::newRow(n + ": unknown client")
            << b << "0000000002" << QList<QList<Value>>{importRow("999", consumer(50), "A")} << "Cliente 999 não cadastrado.";
        // Stored by SQLite and refused by PostgreSQL once: refused alike, naming the field and the consumer.
        QTest::newRow(n + ": amount beyond its column")
            << b << "0000000002"
            << QList<QList<Value>>{importRow(client(2), consumer(50), "A", {{"VRLIMDEBCONS", Value("12,50")}}),
                                   importRow(client(2), consumer(51), "B", {{"VRLIMDEBCONS", Value("100000000000000")}})}
            << "O campo VRLIMDEBCONS aceita números de até 14 dígitos antes da vírgula; veio 100000000000000. (cliente "
               "000000000000000000002, consumidor 000000000000000000051)";
        QTest::newRow(n + ": NUL in a name")
            << b << "0000000002" << QList<QList<Value>>{importRow(client(2), consumer(50), QString("A") + QChar(0) + "B")}
            << "Cns72200.rdmImportConsu.setConsumidor: o argumento 1 (consumidores) traz o caractere nulo (\\u0000) no campo "
               "NMCONSUMIDOR da linha 1, que um texto não pode conter. Remova-o e repita a operação.";
        QTest::newRow(n + ": layout without branch")
            << b << "0000000003" << QList<QList<Value>>{importRow(client(2), consumer(50), "A")}
            << "O layout deve estar associado à uma filial para ser utilizado para importação.";
    }
}

void tst_ImportMethods::refusalsStoreNothing()
{
    QFETCH(QString, backend);
    QFETCH(QString, layout);
    QFETCH(QList<QList<Value>>, rows);
    QFETCH(QString, error);
    const qint64 before = count(backend, "SELECT COUNT(*) FROM CONSUMIDOR");
    const qint64 recorded = count(backend, "SELECT COUNT(*) FROM HISTCONSUMIDOR");
    const Value reply = confirm(backend, packet(rows), layout, client(2) + "_");
    QVERIFY(reply.isError());
    QCOMPARE(reply.errorText(), error);
    QCOMPARE(count(backend, "SELECT COUNT(*) FROM CONSUMIDOR"), before);
    QCOMPARE(count(backend, "SELECT COUNT(*) FROM HISTCONSUMIDOR"), recorded);
    QCOMPARE(count(backend, "SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDCONSUMIDOR = '000000000000000000050'"), 0);
}

void tst_ImportMethods::emptyImportTouchesNoOne()
{
    QFETCH(QString, backend);
    const qint64 active = count(backend, "SELECT COUNT(*) FROM CONSUMIDOR WHERE IDSITCONSUMI = '1'");
    const Value reply = confirm(backend, packet({}), "0000000001", client(2) + "_");
    QCOMPARE(reply.toArray(), QList<Value>({Value(0), Value(0), Value(0)}));
    QCOMPARE(count(backend, "SELECT COUNT(*) FROM CONSUMIDOR WHERE IDSITCONSUMI = '1'"), active);
}

// New consumers reach the database through the packed rows' own texts where only ASCII spaces are
// trimmed; other spaces, texts over the column's width and CPFs go through the general rules.
void tst_ImportMethods::storedTextsAreTrimmedAndCut()
{
    QFETCH(QString, backend);
    const QString longAccents = QString(60, QChar(0xE9)), accents = QString(40, QChar(0xE9));
    const QList<QPair<QString, QString>> names = {{"  Ana  Lima \t", "Ana  Lima"},
                                                  {QString(QChar(0xA0)) + "Bia" + QChar(0xA0), "Bia"},
                                                  {QString(60, u'x'), QString(50, u'x')},
                                                  {accents, accents},
                                                  {longAccents, longAccents.left(50)},
                                                  // An emoji across the 50th place: left out whole, never halved
                                                  // (SQLite stored half of it as invalid UTF-8).
                                                  {QString(49, u'y') + QString::fromUtf8("\xF0\x9F\x98\x80"), QString(49, u'y')}};
    QList<QList<Value>> rows;
    for (int i = 0; i < names.size(); ++i) {
        QHash<QString, Value> more{{"DSEMAILCONS", Value(i == 0 ? " \t " : " c@x.com ")},
                                   {"NRCPFRESPCON", Value(i == 0 ? "12345678900" : "12345678909")}};
        if (i == 0)
            more.insert("DTNASCCONS", Value(QDateTime(QDate(1985, 3, 4), QTime(10, 11, 12, 345), Qt::UTC)));
        rows.append(importRow(client(2), QString("T%1").arg(i), names.at(i).first, more));
    }
    QCOMPARE(confirm(backend, packet(rows), "0000000002", client(2) + "_").toArray().at(0), Value(qint64(names.size())));
    const Packet stored = this->stored(backend, {"CDCONSUMIDOR", "NMCONSUMIDOR", "DSEMAILCONS", "NRCPFRESPCON", "DTNASCCONS"}, "T",
                                       {FieldType::String, FieldType::String, FieldType::String, FieldType::String, FieldType::DateTime});
    QCOMPARE(stored.rowCount(), names.size());
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(stored.value(i, 1).toString(), names.at(i).second);
    QVERIFY(stored.value(0, 2).isNull());
    QVERIFY(stored.value(0, 3).isNull());
    QCOMPARE(stored.value(1, 2).toString(), QString("c@x.com"));
    QCOMPARE(stored.value(1, 3).toString(), QString("12345678909"));
    QCOMPARE(stored.value(0, 4).toDateTime(), QDateTime(QDate(1985, 3, 4), QTime(10, 11, 12, 345), Qt::UTC));
}


// New consumers are written in one statement, their ties and badges derived from what it stored; a
// consumer the file brings twice must still end as its last row says, tied and registered once.
void tst_ImportMethods::repeatedConsumerIsInsertedThenUpdated()
{
    QFETCH(QString, backend);
    const Packet rows = packet({
        importRow(client(2), "R300", "Primeiro", {{"CDIDCONSUMID", Value(" r300 ")}}),
        importRow(client(2), "R301", "Sem crachá"),
        importRow(client(2), "R300", "Segundo", {{"CDIDCONSUMID", Value("r300")}}),
    });
    const Value reply = confirm(backend, rows, "0000000002", client(2) + "_");
    QVERIFY2(!reply.isError(), qPrintable(reply.isError() ? reply.errorText() : QString()));
    QCOMPARE(reply.toArray(), QList<Value>({Value(2), Value(1), Value(0)}));
    auto db = [&](const QString &sql) { return count(backend, sql); };
    QCOMPARE(db("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCONSUMIDOR = 'R300' AND NMCONSUMIDOR = 'Segundo'"), 1);
    QCOMPARE(db("SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDFILIAL = '0002' AND CDCONSUMIDOR IN ('R300', 'R301')"), 2);
    QCOMPARE(db("SELECT COUNT(*) FROM REGIDENTCONS WHERE CDCONSUMIDOR = 'R300' AND CDIDCONSUMID = 'R300'"), 1);
    QCOMPARE(db("SELECT COUNT(*) FROM REGIDENTCONS WHERE CDCONSUMIDOR = 'R301'"), 0);
}

// A re-import leaves a consumer whose columns already hold the file's values as it stands, and
// rewrites one whose values differ, a null on either side included, and one inactive since.
void tst_ImportMethods::reimportWritesWhatDiffers()
{
    QFETCH(QString, backend);
    auto full = [](const char *badge) { return QHash<QString, Value>{{"NRCPFRESPCON", Value("52998224725")}, {"CDIDCONSUMID", Value(badge)}}; };
    const QList<QList<Value>> first = {importRow(client(2), "V1", "Igual", full("VB1")), importRow(client(2), "V2", "Esvazia", full("VB2")),
                                       importRow(client(2), "V3", "Preenche"), importRow(client(2), "V4", "Volta", full("VB4"))};
    QCOMPARE(confirm(backend, packet(first), "0000000002", client(2) + "_").toArray().at(0), Value(qint64(4)));
    DbSession::forThread(DatabaseUrl::parse(m_urls[backend]))
        .exec("UPDATE CONSUMIDOR SET IDSITCONSUMI = '2' WHERE CDCLIENTE = :C AND CDCONSUMIDOR = 'V4'", {{"C", Value(client(2))}});
    const QList<QList<Value>> again = {importRow(client(2), "V1", "Igual", full("VB1")), importRow(client(2), "V2", "Esvazia"),
                                       importRow(client(2), "V3", "Preenche", full("VB3")), importRow(client(2), "V4", "Volta", full("VB4"))};
    const Value reply = confirm(backend, packet(again), "0000000002", client(2) + "_");
    QVERIFY2(!reply.isError(), qPrintable(reply.isError() ? reply.errorText() : QString()));
    QCOMPARE(reply.toArray().mid(0, 2), QList<Value>({Value(0), Value(4)}));
    const Packet stored = this->stored(backend, {"CDCONSUMIDOR", "NRCPFRESPCON", "CDIDCONSUMID", "IDSITCONSUMI"}, "V");
    QCOMPARE(stored.rowCount(), 4);
    for (int i : {0, 2, 3}) {
        QCOMPARE(stored.value(i, 1).toString(), QString("52998224725"));
        QCOMPARE(stored.value(i, 2).toString(), QString("VB%1").arg(i + 1));
    }
    QVERIFY(stored.value(1, 1).isNull());
    QVERIFY(stored.value(1, 2).isNull());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(stored.value(i, 3).toString(), QString("1"));
}

// New consumers are inserted naming only the columns some row fills: a column filled by the last
// row alone is still stored for it, one filled by a row marked invalid alone is stored for no one.
void tst_ImportMethods::columnsSomeRowsFill()
{
    QFETCH(QString, backend);
    const QList<QList<Value>> rows = {importRow(client(2), "U1", "Primeiro"), importRow(client(2), "U2", "Segundo"),
                                      importRow(client(2), "U3", "Recusado", {{"NRRGCONSUMID", Value("123")}, {"IDVALIDO", Value("N")}}),
                                      importRow(client(2), "U4", "Ultimo", {{"DSEMAILCONS", Value("u4@x.com")}, {"VRLIMDEBCONS", Value("12,50")}})};
    QCOMPARE(confirm(backend, packet(rows), "0000000002", client(2) + "_").toArray().at(0), Value(qint64(3)));
    const Packet stored = this->stored(backend, {"CDCONSUMIDOR", "DSEMAILCONS", "VRLIMDEBCONS", "NRRGCONSUMID", "IDSITCONSUMI"}, "U",
                                       {FieldType::String, FieldType::String, FieldType::Float});
    QCOMPARE(stored.rowCount(), 3);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(stored.value(i, 1).isNull());
        QVERIFY(stored.value(i, 2).isNull());
    }
    QCOMPARE(stored.value(2, 0).toString(), QString("U4"));
    QCOMPARE(stored.value(2, 1).toString(), QString("u4@x.com"));
    QCOMPARE(stored.value(2, 2).toDouble(), 12.5);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(stored.value(i, 3).isNull());
        QCOMPARE(stored.value(i, 4).toString(), QString("1"));
    }
}

void tst_ImportMethods::shortRowStoresNothing_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("before"); // whole rows before the short one
    for (const QString &b : m_dispatchers.keys()) {
        QTest::newRow(qPrintable(b + ": second row")) << b << 1;
        // Past several batches of cells made ahead of the writing.
        QTest::newRow(qPrintable(b + ": row 1000")) << b << 999;
    }
}

// A row shorter than the packet's fields is refused while the new consumers are being written,
// inside the database's own loop on SQLite: the error still reaches the caller and nothing stays.
void tst_ImportMethods::shortRowStoresNothing()
{
    QFETCH(QString, backend);
    QFETCH(int, before);
    QList<QList<Value>> whole;
    for (int i = 0; i < before; ++i)
        whole.append(importRow(client(2), QStringLiteral("S4%1").arg(i, 4, 10, QLatin1Char('0')), "Inteira"));
    Packet rows = packet(whole);
    // Cut after the last field the row checks read, so that only the writing finds it short.
    qsizetype cut = 0;
    for (const char *f : {"CDCLIENTE", "CDCONSUMIDOR", "NMCONSUMIDOR", "CDTIPOCONS", "CDCCUSCLIE", "IDVERSALDCON", "CDIDCONSUMID", "IDVALIDO"})
        cut = qMax(cut, rows.indexOf(QString::fromLatin1(f)) + 1);
    QVERIFY(cut < rows.fields().size());
    Row::Builder b;
    for (const Value &v : importRow(client(2), "S4XXXX", "Curta").mid(0, cut))
        b.addValue(v);
    rows.appendRow(b.take());
    rows.appendRow(packet({importRow(client(2), "S4YYYY", "Depois")}).rows().front());
    const qint64 stored = count(backend, "SELECT COUNT(*) FROM CONSUMIDOR");
    const Value reply = confirm(backend, rows, "0000000002", client(2) + "_");
    QVERIFY(reply.isError());
    QVERIFY2(reply.errorText().contains("linha de importação com"), qPrintable(reply.errorText()));
    QCOMPARE(count(backend, "SELECT COUNT(*) FROM CONSUMIDOR"), stored);
    QCOMPARE(count(backend, "SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDCONSUMIDOR LIKE 'S4%'"), 0);
}

QTEST_GUILESS_MAIN(tst_ImportMethods)
#include "tst_ImportMethods.moc"
