#include "BulkInsert.h"
#include "DatabaseUrl.h"
#include "EErro.h"
#include "NamedSql.h"
#include "SqlDialect.h"
#include "TADOIBQuery.h"
#include "TestDatabases.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace cns;

namespace {

const char *kSchema[] = {
    "CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY, NMFILIAL VARCHAR(30))",
    "CREATE TABLE CLIENFILIAL (CDCLIENTE VARCHAR(21) NOT NULL, CDFILIAL VARCHAR(4) NOT NULL, "
    "DTINCLUSAO TIMESTAMP, VRLIMITE NUMERIC(18,2), QTCONS INTEGER, PRIMARY KEY (CDCLIENTE, CDFILIAL))",
    "INSERT INTO FILIAL VALUES ('0001', 'Matriz São Paulo'), ('0002', 'Filial Campinas'), ('0003', 'Filial Santos')",
    "INSERT INTO CLIENFILIAL VALUES ('000000000000000000001', '0001', '1899-12-31 00:00:00', 1234.56, 10), "
    "('000000000000000000001', '0002', '2026-12-08 08:30:00', NULL, 0), "
    "('000000000000000000002', '0002', NULL, 0, NULL)",
};

// Clients of a branch, or of every branch when P_TCDFILIAL is "T".
const QString kClientsOfBranch = QStringLiteral(
    "SELECT C.CDCLIENTE, C.CDFILIAL, F.NMFILIAL, C.DTINCLUSAO, C.VRLIMITE, C.QTCONS "
    "FROM CLIENFILIAL C JOIN FILIAL F ON F.CDFILIAL = C.CDFILIAL "
    "WHERE (:P_TCDFILIAL = 'T' OR C.CDFILIAL = :P_CDFILIAL) "
    "ORDER BY C.CDCLIENTE, C.CDFILIAL");

} // namespace

class tst_Query : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void namedParameters_data();
    void namedParameters();
    void flagParameterLiftsItsPartner_data();
    void flagParameterLiftsItsPartner();
    void columnsKeepTheirTypes_data();
    void columnsKeepTheirTypes();
    void dialectTextIsChosenByTheConnection();
    void unknownParameterAndBadSqlAreNamed();
    void execAndPersistentFields();
    void loadsStoreEveryRow_data();
    void loadsStoreEveryRow();
    void loadsStopAtTheFailingRow_data();
    void loadsStopAtTheFailingRow();
    void insertMarkTellsTheNewRows();
    void loadsKeepTextsAsTheyAreBesideOtherWork();

private:
    void addDatabases();
    QStringList m_connections;
};

void tst_Query::initTestCase()
{
    const QList<QPair<QString, QString>> urls = {
        {QStringLiteral("sqlite"), TestDatabases::freshSqlite(QStringLiteral("tst_query"))},
        {QStringLiteral("postgresql"), TestDatabases::freshPostgres(QStringLiteral("tst_query"))},
    };
    for (const auto &[name, url] : urls) {
        if (url.isEmpty()) {
            qWarning("PostgreSQL not running (CNS_TEST_PG_URL unset): only SQLite is tested");
            continue;
        }
        QSqlDatabase db = DatabaseUrl::parse(url).open(name);
        QSqlQuery q(db);
        for (const char *stmt : kSchema)
            QVERIFY2(q.exec(QString::fromUtf8(stmt)), qPrintable(q.lastError().text()));
        m_connections.append(name);
    }
}

void tst_Query::addDatabases()
{
    QTest::addColumn<QString>("connection");
}

void tst_Query::namedParameters_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("positional");
    QTest::addColumn<QStringList>("occurrences");
    QTest::newRow("repeated") << "WHERE (:P_T = 'T' OR A = :p_a) AND B = :P_T"
                              << "WHERE (? = 'T' OR A = ?) AND B = ?" << QStringList{"P_T", "P_A", "P_T"};
    QTest::newRow("inside literal") << "WHERE A = ':P_X' AND B = :P_Y" << "WHERE A = ':P_X' AND B = ?" << QStringList{"P_Y"};
    QTest::newRow("doubled quote") << "WHERE A = 'it''s :P_X' OR B=:P_Y" << "WHERE A = 'it''s :P_X' OR B=?"
                                   << QStringList{"P_Y"};
    QTest::newRow("cast") << "SELECT :P_A::text" << "SELECT ?::text" << QStringList{"P_A"};
    QTest::newRow("comments") << "SELECT 1 -- :P_A\n/* :P_B */ , :P_C" << "SELECT 1 -- :P_A\n/* :P_B */ , ?"
                              << QStringList{"P_C"};
    QTest::newRow("quoted identifier") << "SELECT \":P_A\" FROM T" << "SELECT \":P_A\" FROM T" << QStringList{};
    QTest::newRow("time literal") << "SELECT '10:30'" << "SELECT '10:30'" << QStringList{};
}

void tst_Query::namedParameters()
{
    QFETCH(QString, sql);
    QFETCH(QString, positional);
    QFETCH(QStringList, occurrences);
    const NamedSql n = NamedSql::parse(sql);
    QCOMPARE(n.positional(), positional);
    QCOMPARE(n.occurrences(), occurrences);
}

void tst_Query::flagParameterLiftsItsPartner_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<int>("rows");
    for (const QString &c : std::as_const(m_connections)) {
        QTest::addRow("%s all branches", qPrintable(c)) << c << "T" << "0001" << 3;
        QTest::addRow("%s branch 0002", qPrintable(c)) << c << "" << "0002" << 2;
        QTest::addRow("%s null flag keeps the filter", qPrintable(c)) << c << QString() << "0001" << 1;
        QTest::addRow("%s no such branch", qPrintable(c)) << c << "" << "0009" << 0;
    }
}

void tst_Query::flagParameterLiftsItsPartner()
{
    QFETCH(QString, connection);
    QFETCH(QString, flag);
    QFETCH(QString, branch);
    QFETCH(int, rows);
    TADOIBQuery q(QStringLiteral("qryClienFilial"), connection);
    q.setSQL(kClientsOfBranch);
    q.ParamByName(u"P_TCDFILIAL") = flag.isNull() ? Value() : Value(flag);
    q.ParamByName(u"P_CDFILIAL") = Value(branch);
    q.Open();
    QCOMPARE(q.RecordCount(), rows);
    int walked = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        if (flag != u"T")
            QCOMPARE(q.FieldByName(u"CDFILIAL").AsString(), branch);
        ++walked;
    }
    QCOMPARE(walked, rows);
    QCOMPARE(q.IsEmpty(), rows == 0);
}

void tst_Query::columnsKeepTheirTypes_data()
{
    QTest::addColumn<QString>("connection");
    for (const QString &c : std::as_const(m_connections))
        QTest::newRow(qPrintable(c)) << c;
}

void tst_Query::columnsKeepTheirTypes()
{
    QFETCH(QString, connection);
    TADOIBQuery q(QStringLiteral("qryClienFilial"), connection);
    q.setSQL(kClientsOfBranch);
    q.ParamByName(u"P_TCDFILIAL") = Value(QStringLiteral("T"));
    q.Open();
    QCOMPARE(q.FieldByName(u"CDCLIENTE").DataType(), FieldType::String);
    QCOMPARE(q.FieldByName(u"CDCLIENTE").Size(), 21);
    QCOMPARE(q.FieldByName(u"DTINCLUSAO").DataType(), FieldType::DateTime);
    QCOMPARE(q.FieldByName(u"VRLIMITE").DataType(), FieldType::Float);
    QCOMPARE(q.FieldByName(u"QTCONS").DataType(), FieldType::Integer);
    QCOMPARE(q.FieldByName(u"NMFILIAL").AsString(), QStringLiteral("Matriz São Paulo"));
    QCOMPARE(q.FieldByName(u"DTINCLUSAO").AsFloat(), 1.0); // 31/12/1899 is day 1
    QCOMPARE(q.FieldByName(u"VRLIMITE").AsFloat(), 1234.56);
    q.Next();
    QCOMPARE(q.FieldByName(u"DTINCLUSAO").AsDateTime(), QDateTime(QDate(2026, 12, 8), QTime(8, 30), Qt::UTC));
    QVERIFY(q.FieldByName(u"VRLIMITE").IsNull());
    QCOMPARE(q.FieldByName(u"QTCONS").AsValue(), Value(0));
    q.Next();
    QVERIFY(q.FieldByName(u"DTINCLUSAO").IsNull());
    QCOMPARE(q.FieldByName(u"VRLIMITE").AsValue(), Value(0.0));

    // A date parameter matches the stored date.
    TADOIBQuery byDate(QStringLiteral("qryData"), connection);
    byDate.setSQL(QStringLiteral("SELECT CDFILIAL FROM CLIENFILIAL WHERE DTINCLUSAO = :P_DATA"));
    byDate.ParamByName(u"P_DATA") = Value::date(QDate(2026, 12, 8), QTime(8, 30));
    byDate.Open();
    QCOMPARE(byDate.RecordCount(), 1);
    QCOMPARE(byDate.FieldByName(u"CDFILIAL").AsString(), QStringLiteral("0002"));
}

void tst_Query::dialectTextIsChosenByTheConnection()
{
    TADOIBQuery q(QStringLiteral("qryFilial"), QStringLiteral("sqlite"));
    q.setSQL(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"));
    q.setSQL(SqlDialect::Text::Oracle, QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL AND ROWNUM = 1"));
    QVERIFY(q.activeText().startsWith(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL")));
    QVERIFY(!q.activeText().contains(QStringLiteral("ROWNUM")));
    QCOMPARE(SqlDialect::forDriver(u"QOCI").text, SqlDialect::Text::Oracle);
    QCOMPARE(SqlDialect::forDriver(u"QPSQL").text, SqlDialect::Text::Generic);
    QVERIFY_THROWS_EXCEPTION(EErro, SqlDialect::forDriver(u"QMYSQL"));
    q.ParamByName(u"P_CDFILIAL") = Value(QStringLiteral("0003"));
    q.Open();
    QCOMPARE(q.FieldByName(u"NMFILIAL").AsString(), QStringLiteral("Filial Santos"));
    // Changing the text keeps the value of a parameter the new text still has.
    q.setSQL(QStringLiteral("SELECT COUNT(*) AS N FROM FILIAL WHERE CDFILIAL >= :P_CDFILIAL"));
    q.Open();
    QCOMPARE(q.FieldByName(u"N").AsInteger(), 1);
}

void tst_Query::unknownParameterAndBadSqlAreNamed()
{
    TADOIBQuery q(QStringLiteral("qryFilial"), QStringLiteral("sqlite"));
    q.setSQL(QStringLiteral("SELECT * FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"));
    try {
        q.ParamByName(u"P_CDCLIENTE") = Value(QStringLiteral("1"));
        QFAIL("unknown parameter accepted");
    } catch (const EErro &e) {
        QVERIFY2(e.message().contains(QStringLiteral("P_CDCLIENTE")) && e.message().contains(QStringLiteral("qryFilial")),
                 qPrintable(e.message()));
    }
    q.setSQL(QStringLiteral("SELECT * FROM NAO_EXISTE"));
    QVERIFY_THROWS_EXCEPTION(EErro, q.Open());
    QVERIFY(!q.Active());
    TADOIBQuery orphan(QStringLiteral("qrySemConexao"), QStringLiteral("nenhuma"));
    orphan.setSQL(QStringLiteral("SELECT 1"));
    QVERIFY_THROWS_EXCEPTION(EErro, orphan.Open());
    QVERIFY_THROWS_EXCEPTION(EErro, DatabaseUrl::parse(QStringLiteral("mysql://x")));
    QVERIFY_THROWS_EXCEPTION(EErro, DatabaseUrl::parse(QStringLiteral("sqlite:")));
    QCOMPARE(DatabaseUrl::parse(QStringLiteral("postgresql://u:segredo@h:5432/db")).display(),
             QStringLiteral("postgresql://u:***@h:5432/db"));
}

void tst_Query::execAndPersistentFields()
{
    for (const QString &c : std::as_const(m_connections)) {
        TADOIBQuery ins(QStringLiteral("qryIns"), c);
        ins.setSQL(QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES (:P_CD, :P_NM)"));
        ins.ParamByName(u"P_CD") = Value(QStringLiteral("0099"));
        ins.ParamByName(u"P_NM") = Value(QStringLiteral("O'Brien; DROP TABLE FILIAL --"));
        QCOMPARE(ins.ExecSQL(), 1);

        TADOIBQuery q(QStringLiteral("qryFilial"), c);
        q.AddField(QStringLiteral("NMFILIAL"), FieldType::String, 30, QStringLiteral("Nome"));
        q.setSQL(QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CD"));
        q.ParamByName(u"P_CD") = Value(QStringLiteral("0099"));
        q.Open();
        QCOMPARE(q.FieldCount(), 1);
        QCOMPARE(q.Fields(0).displayLabel(), QStringLiteral("Nome"));
        QCOMPARE(q.FieldByName(u"NMFILIAL").AsString(), QStringLiteral("O'Brien; DROP TABLE FILIAL --"));
        q.Close();
        q.ParamByName(u"P_CD") = Value(QStringLiteral("0001"));
        q.Open();
        QCOMPARE(q.FieldByName(u"NMFILIAL").AsString(), QStringLiteral("Matriz São Paulo"));

        TADOIBQuery del(QStringLiteral("qryDel"), c);
        del.setSQL(QStringLiteral("DELETE FROM FILIAL WHERE CDFILIAL = :P_CD"));
        del.ParamByName(u"P_CD") = Value(QStringLiteral("0099"));
        QCOMPARE(del.ExecSQL(), 1);
    }
}

namespace {

// A table of its own for the loads, made anew for each case.
void makeLoadTable(QSqlDatabase db, const char *keyType = "INTEGER")
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("DROP TABLE CARGA"));
    QVERIFY2(q.exec(QStringLiteral("CREATE TABLE CARGA (CD %1 NOT NULL PRIMARY KEY, NM VARCHAR(40), VR NUMERIC(18,2), "
                                   "DT TIMESTAMP)")
                        .arg(QLatin1StringView(keyType))),
             qPrintable(q.lastError().text()));
}

const QStringList kLoadColumns = {QStringLiteral("CD"), QStringLiteral("NM"), QStringLiteral("VR"), QStringLiteral("DT")};

// Row n: its text given as UTF-8 bytes, every third one null, the amount and the date as values.
void fillLoadRow(qsizetype n, RowSink &cells, QList<QByteArray> &texts)
{
    texts[n % texts.size()] = QStringLiteral("Conceição %1").arg(n).toUtf8();
    cells.set(0, Value(qint64(n)));
    if (n % 3 == 0)
        cells.setNull(1);
    else
        cells.setText(1, texts[n % texts.size()]);
    cells.set(2, Value(double(n) / 4));
    cells.set(3, Value(QDateTime(QDate(2026, 1, 1).addDays(n % 365), QTime(8, 30), Qt::UTC)));
    cells.endRow();
}

} // namespace

void tst_Query::loadsStoreEveryRow_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<bool>("atOnce");
    QTest::addColumn<int>("rows");
    for (const QString &c : std::as_const(m_connections)) {
        for (int rows : {1, 4999}) {
            QTest::addRow("%s, row by row, %d", qPrintable(c), rows) << c << false << rows;
            QTest::addRow("%s, at once, %d", qPrintable(c), rows) << c << true << rows;
        }
    }
}

// The dialect's fastest ways (SQLite's own statement and virtual table, PostgreSQL's COPY,
// multi-row INSERTs through Qt elsewhere) store the same rows: texts with accents, nulls, values.
void tst_Query::loadsStoreEveryRow()
{
    QFETCH(QString, connection);
    QFETCH(bool, atOnce);
    QFETCH(int, rows);
    QSqlDatabase db = QSqlDatabase::database(connection);
    makeLoadTable(db);
    QList<QByteArray> texts(1); // the bytes of a text stay until its row ends
    if (atOnce) {
        BulkInsert::insertRows(db, QStringLiteral("CARGA"), kLoadColumns, rows,
                               [&](qsizetype n, RowSink &cells) { fillLoadRow(n, cells, texts); });
    } else {
        const std::unique_ptr<BulkInsert> load = BulkInsert::open(db, QStringLiteral("CARGA"), kLoadColumns);
        for (int n = 0; n < rows; ++n)
            fillLoadRow(n, *load, texts);
        load->finish();
        QCOMPARE(load->rowsWritten(), rows);
    }
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("SELECT COUNT(*), COUNT(NM), SUM(VR), MAX(CD) FROM CARGA")) && q.next());
    QCOMPARE(q.value(0).toInt(), rows);
    QCOMPARE(q.value(1).toInt(), rows - (rows + 2) / 3);
    QCOMPARE(q.value(2).toDouble(), double(rows - 1) * rows / 8);
    QCOMPARE(q.value(3).toInt(), rows - 1);
    TADOIBQuery last(QStringLiteral("qryCarga"), connection);
    last.setSQL(QStringLiteral("SELECT NM, DT FROM CARGA WHERE CD = :P_CD"));
    last.ParamByName(u"P_CD") = Value(qint64(rows - 1));
    last.Open();
    QCOMPARE(last.FieldByName(u"NM").AsString(), (rows - 1) % 3 ? QStringLiteral("Conceição %1").arg(rows - 1) : QString());
    QCOMPARE(last.FieldByName(u"DT").AsDateTime(), QDateTime(QDate(2026, 1, 1).addDays((rows - 1) % 365), QTime(8, 30), Qt::UTC));
}

void tst_Query::loadsStopAtTheFailingRow_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<bool>("atOnce");
    QTest::addColumn<bool>("duplicate"); // a row the table refuses; otherwise the filling fails
    for (const QString &c : std::as_const(m_connections)) {
        QTest::addRow("%s, row by row, duplicate key", qPrintable(c)) << c << false << true;
        QTest::addRow("%s, at once, duplicate key", qPrintable(c)) << c << true << true;
        QTest::addRow("%s, at once, filling fails", qPrintable(c)) << c << true << false;
    }
}

// A failure is raised with its own text, naming the table when the database refused the row; the
// caller's transaction then stores nothing.
void tst_Query::loadsStopAtTheFailingRow()
{
    QFETCH(QString, connection);
    QFETCH(bool, atOnce);
    QFETCH(bool, duplicate);
    QSqlDatabase db = QSqlDatabase::database(connection);
    makeLoadTable(db);
    QList<QByteArray> texts(1);
    auto fill = [&](qsizetype n, RowSink &cells) {
        if (n == 1500 && !duplicate)
            throw EErro(QStringLiteral("linha 1501 ilegível"));
        fillLoadRow(n == 1500 ? 7 : n, cells, texts);
    };
    QVERIFY(db.transaction());
    QString error;
    try {
        if (atOnce) {
            BulkInsert::insertRows(db, QStringLiteral("CARGA"), kLoadColumns, 3000, fill);
        } else {
            const std::unique_ptr<BulkInsert> load = BulkInsert::open(db, QStringLiteral("CARGA"), kLoadColumns);
            for (int n = 0; n < 3000; ++n)
                fill(n, *load);
            load->finish();
        }
    } catch (const EErro &e) {
        error = e.message();
    }
    QVERIFY(db.rollback());
    if (duplicate)
        QVERIFY2(error.startsWith(QStringLiteral("Falha ao gravar na tabela CARGA: ")), qPrintable(error));
    else
        QCOMPARE(error, QStringLiteral("linha 1501 ilegível"));
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("SELECT COUNT(*) FROM CARGA")) && q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

// Where the database keeps the order of insertion, the mark taken before a load tells the rows it
// inserted from those that were there, whatever their keys (a text key, as the system's tables have).
void tst_Query::insertMarkTellsTheNewRows()
{
    for (const QString &c : std::as_const(m_connections)) {
        QSqlDatabase db = QSqlDatabase::database(c);
        const SqlDialect &dialect = SqlDialect::of(db);
        if (dialect.insertMarkQuery.isEmpty())
            continue;
        makeLoadTable(db, "VARCHAR(10)");
        QList<QByteArray> texts(1);
        auto load = [&](qsizetype from, qsizetype count) {
            BulkInsert::insertRows(db, QStringLiteral("CARGA"), kLoadColumns, count,
                                   [&](qsizetype n, RowSink &cells) { fillLoadRow(from + n, cells, texts); });
        };
        load(1000, 10); // codes after the next load's in text order: the mark is not the key
        TADOIBQuery mark(QStringLiteral("qryMarca"), c);
        mark.setSQL(dialect.insertMarkQuery.arg(QStringLiteral("CARGA")));
        mark.Open();
        const Value before = mark.Fields(0).AsValue();
        load(0, 25);
        TADOIBQuery fresh(QStringLiteral("qryNovas"), c);
        fresh.setSQL(QStringLiteral("SELECT COUNT(*), SUM(VR) FROM CARGA WHERE %1")
                         .arg(dialect.insertedAfterMark.arg(QStringLiteral(":P_MARCA"))));
        fresh.ParamByName(u"P_MARCA") = before;
        fresh.Open();
        QCOMPARE(fresh.Fields(0).AsInteger(), 25);
        QCOMPARE(fresh.Fields(1).AsFloat(), 24.0 * 25 / 8);
    }
}

// Texts come back byte for byte, whatever the load's own format must escape (tabs, line ends,
// backslashes), an empty text apart from a null; and a load takes its rows while the connection
// runs queries and fills another load in between, as the import's writer and the demo do.
void tst_Query::loadsKeepTextsAsTheyAreBesideOtherWork()
{
    const QStringList texts = {QStringLiteral("a\tb"), QStringLiteral("linha 1\nlinha 2"), QStringLiteral("C:\\pasta\\N"),
                               QStringLiteral("fim\r"), QString(""), QStringLiteral("\\N"), QStringLiteral("Conceição 😀")};
    for (const QString &c : std::as_const(m_connections)) {
        QSqlDatabase db = QSqlDatabase::database(c);
        makeLoadTable(db);
        QSqlQuery q(db);
        q.exec(QStringLiteral("DROP TABLE CARGA2"));
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE CARGA2 (CD INTEGER NOT NULL PRIMARY KEY, NM VARCHAR(40))")));
        QVERIFY(db.transaction());
        const std::unique_ptr<BulkInsert> first = BulkInsert::open(db, QStringLiteral("CARGA"), {QStringLiteral("CD"), QStringLiteral("NM")});
        const std::unique_ptr<BulkInsert> second = BulkInsert::open(db, QStringLiteral("CARGA2"), {QStringLiteral("NM"), QStringLiteral("CD")});
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QByteArray utf8 = texts.at(i).toUtf8();
            first->set(0, Value(qint64(i)));
            first->setText(1, utf8);
            first->endRow();
            QSqlQuery between(db);
            QVERIFY2(between.exec(QStringLiteral("SELECT COUNT(*) FROM FILIAL")) && between.next(), qPrintable(c));
            second->set(1, Value(qint64(i)));
            second->set(0, i % 2 ? Value(texts.at(i)) : Value());
            second->endRow();
        }
        first->finish();
        second->finish();
        QVERIFY(db.commit());
        for (const char *table : {"CARGA", "CARGA2"}) {
            QVERIFY(q.exec(QStringLiteral("SELECT CD, NM FROM %1 ORDER BY CD").arg(QLatin1StringView(table))));
            for (qsizetype i = 0; i < texts.size(); ++i) {
                QVERIFY(q.next());
                const bool null = qstrcmp(table, "CARGA2") == 0 && i % 2 == 0;
                QCOMPARE(q.value(1).isNull(), null);
                if (!null)
                    QCOMPARE(q.value(1).toString(), texts.at(i));
            }
        }
    }
}

QTEST_GUILESS_MAIN(tst_Query)
#include "tst_Query.moc"
