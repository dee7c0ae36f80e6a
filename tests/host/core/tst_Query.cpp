#include "DatabaseUrl.h"
#include "EErro.h"
#include "NamedSql.h"
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

QTEST_GUILESS_MAIN(tst_Query)
#include "tst_Query.moc"
