#include "Consiste.h"
#include "DbSession.h"
#include "DemoData.h"
#include "EErro.h"
#include "Schema.h"
#include "TestDatabases.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace cns;

namespace {

QStringList texts(DbSession &s, const QString &sql)
{
    const Packet p = s.select(sql, {}, {{"A", FieldType::String, 0}});
    QStringList out;
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        out.append(p.value(i, 0).toString());
    return out;
}

} // namespace

class tst_DemoData : public QObject
{
    Q_OBJECT

private slots:
    void demoHoldsWhatTheScreensNeed_data();
    void demoHoldsWhatTheScreensNeed();
};

void tst_DemoData::demoHoldsWhatTheScreensNeed_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("sqlite") << TestDatabases::freshSqlite("tst_demodata");
    const QString pg = TestDatabases::freshPostgres("tst_demodata");
    if (!pg.isEmpty())
        QTest::newRow("postgresql") << pg;
}

void tst_DemoData::demoHoldsWhatTheScreensNeed()
{
    QFETCH(QString, url);
    QTemporaryDir files;
    DbSession &s = DbSession::forThread(DatabaseUrl::parse(url));
    Schema::createOrUpgrade(s.db());
    DemoData::Options options;
    options.small = true;
    options.benchClientConsumers = 120;
    options.sampleFilesDir = files.path();
    const DemoData::Stats stats = DemoData::seed(s.db(), options);
    QVERIFY(stats.branches >= 3);
    QVERIFY(stats.clients >= 40);
    QCOMPARE(s.count("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCLIENTE = '000000000000000009999'", {}), 120);

    for (const QString &row : texts(s, "SELECT IDTPIJURCLIE || NRINSJURCLIE FROM CLIENTE")) {
        const bool ok = row.startsWith(u'J') ? Consiste::CNPJOk(row.mid(1)) : Consiste::CPFOk(row.mid(1));
        QVERIFY2(ok, qPrintable(row));
    }
    for (const QString &cpf : texts(s, "SELECT NRCPFRESPCON FROM CONSUMIDOR WHERE NRCPFRESPCON IS NOT NULL"))
        QVERIFY2(Consiste::CPFOk(cpf), qPrintable(cpf));
    const QStringList checked = texts(s, "SELECT C.CDIDCONSUMID FROM CONSUMIDOR C JOIN CLIENTE CL ON CL.CDCLIENTE = C.CDCLIENTE "
                                         "WHERE CL.IDCALCDVCLIE = '2' AND C.CDIDCONSUMID IS NOT NULL");
    QVERIFY(!checked.isEmpty());
    for (const QString &badge : checked)
        QVERIFY2(Consiste::DigitoModulo11(badge.chopped(1)) == badge.back(), qPrintable(badge));
    QCOMPARE(s.count("SELECT COUNT(*) FROM (SELECT NMLOGINCONS FROM CONSUMIDOR WHERE NMLOGINCONS IS NOT NULL "
                     "GROUP BY NMLOGINCONS HAVING COUNT(*) > 1) X", {}), 0);
    // The four levels of consumer types are all there to be found.
    QVERIFY(s.count("SELECT COUNT(*) FROM TIPOCONSFILI WHERE CDFILIAL = '0001'", {}) > 0);
    QCOMPARE(s.count("SELECT COUNT(*) FROM TIPOCONSFILI WHERE CDFILIAL = '0003'", {}), 0);
    QVERIFY(s.count("SELECT COUNT(DISTINCT CDCLIENTE) FROM TIPOCONSCLI", {}) >= 3);
    // Two layouts with their sample files, in single-byte text.
    QVERIFY(s.count("SELECT COUNT(*) FROM LAYOUTIMP", {}) >= 2);
    for (const QString &f : {stats.fixedSample, stats.delimitedSample}) {
        QFile file(f);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(f));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains("\r\n"));
        QVERIFY(!QString::fromUtf8(bytes).contains(QStringLiteral("Ã")));
    }
    QVERIFY_THROWS_EXCEPTION(EErro, DemoData::seed(s.db(), options));
}

QTEST_GUILESS_MAIN(tst_DemoData)
#include "tst_DemoData.moc"
