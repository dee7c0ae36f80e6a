#include "DatabaseUrl.h"
#include "DbSession.h"
#include "EAbort.h"
#include "EErro.h"
#include "ReportCatalog.h"
#include "ReportCsv.h"
#include "ReportQuery.h"
#include "ReportRenderer.h"
#include "ReportText.h"
#include "ServerFixture.h"
#include "TADOIBQuery.h"
#include "TestDatabases.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace cns;
using namespace cns::ui;
using ServerFixture::client;
using ServerFixture::consumer;

namespace {

QString list(const QStringList &keys)
{
    return "_" + keys.join("_") + "_";
}

// The consumer key of the report's consumer filter: client and consumer code, each 21 wide.
QString consumerKey(int c, int k)
{
    return client(c) + consumer(k);
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

} // namespace

// The report engine on one database (CTest runs the suite again with CNS_TEST_BACKEND=postgresql):
// definitions, parameters, the shipped reports as PDF and CSV, edited copies, and cns-report.
class tst_ReportEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void catalogOffersShippedReportsAndNamesWhatIsMissing();
    void parametersAreBoundNeverPasted();
    void dialectTextFallsBackToGeneric();
    void badDefinitionsAreNamed();
    void branchAndTypeFilters_data();
    void branchAndTypeFilters();
    void pdfHoldsTheConsumersAndTheGroupCounts();
    void longGroupGoesOnOverPagesAndCountsThem();
    void progressFollowsThePagesAndMayStop();
    void csvIsForSpreadsheets();
    void editedDefinitionIsSavedBesideTheShippedOne();
    void cnsReportListsAndWritesTheSameReport();
    void cnsReportRefusesBadUse_data();
    void cnsReportRefusesBadUse();

private:
    ReportDefinition shipped(const QString &name) { return ReportCatalog("Cns722").load(name); }
    // The CSV lines of a shipped report with the given parameters (header first, BOM removed).
    QStringList csv(const QString &name, const QHash<QString, QString> &params);
    int runReport(const QStringList &args, QString *out = nullptr, QString *err = nullptr);

    QTemporaryDir m_dir;
    QString m_url;
    ReportHeading m_heading {"Cns722", "0002 - Filial Campinas", "Operador de Teste",
                             QDateTime(QDate(2026, 3, 4), QTime(10, 30))};
};

void tst_ReportEngine::initTestCase()
{
    const QString backend = qEnvironmentVariable("CNS_TEST_BACKEND", "sqlite");
    if (backend == "postgresql" && TestDatabases::postgresServerUrl().isEmpty())
        QSKIP("PostgreSQL not running (CNS_TEST_PG_URL unset)");
    m_url = ServerFixture::create(backend, "tst_reportengine");
    QVERIFY(!m_url.isEmpty());
    DatabaseUrl::parse(m_url).open(TADOIBQuery::defaultConnectionName());
    qputenv("CNS_REPORTS_DIR", CNS_REPORTS_SOURCE_DIR);
    qputenv("CNS_REPORTS_USER_DIR", m_dir.filePath("user").toUtf8());
}

void tst_ReportEngine::catalogOffersShippedReportsAndNamesWhatIsMissing()
{
    const QList<ReportCatalog::Entry> entries = ReportCatalog("Cns722").entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0).name, QString("consumidores"));
    QCOMPARE(entries.at(0).title, QString("Consumidores do Cliente"));
    QCOMPARE(entries.at(1).name, QString("consumidores-filial-tipo"));
    QVERIFY(!entries.at(0).edited);

    const QString folder = QDir::toNativeSeparators(QString(CNS_REPORTS_SOURCE_DIR) + "/Cns722");
    try {
        ReportCatalog("Cns722").load("nao-existe");
        QFAIL("a missing report loaded");
    } catch (const EErro &e) {
        QCOMPARE(e.message(),
                 QString("O arquivo contendo a definição do relatório de código 'Cns722/nao-existe' não foi "
                         "encontrado no diretório '%1'.")
                     .arg(folder));
    }
    try {
        ReportCatalog("Cns999").entries();
        QFAIL("a code without reports listed some");
    } catch (const EErro &e) {
        QVERIFY2(e.message().contains("'Cns999'") && e.message().contains(QString(CNS_REPORTS_SOURCE_DIR) + "/Cns999"),
                 qPrintable(e.message()));
    }
    // A name is a file of the folder, never a path out of it.
    QVERIFY_THROWS_EXCEPTION(EErro, ReportCatalog("Cns722").load("../Cns722/consumidores"));
}

void tst_ReportEngine::parametersAreBoundNeverPasted()
{
    ReportDefinition d;
    d.name = "clientes";
    d.sql[0]
        = "SELECT CDCLIENTE, NMFANTCLIE FROM CLIENTE WHERE (NMFANTCLIE = :P_NOME OR :p_tnome = 'T') ORDER BY CDCLIENTE";
    d.columns = {{"NMFANTCLIE", "Nome", 50, Qt::AlignLeft, {}, {}}};
    const auto names = [&d](const QHash<QString, Value> &params) {
        ReportQuery q(d, {});
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            q.ParamByName(it.key()) = it.value();
        QStringList out;
        q.run([&out](const QSqlRecord &r) { out.append(r.value(1).toString()); });
        return out;
    };
    ReportQuery q(d, {});
    QCOMPARE(q.ParamNames(), QStringList({"P_NOME", "P_TNOME"}));
    QVERIFY(q.ExistParam(u"p_nome"));
    QVERIFY(!q.ExistParam(u"P_NRINSJURCLIE"));
    QVERIFY_THROWS_EXCEPTION(EErro, q.ParamByName(u"P_NRINSJURCLIE"));

    QCOMPARE(names({{"P_NOME", Value("Alfa Filial")}}), QStringList({"Alfa Filial"}));
    QCOMPARE(names({{"P_NOME", Value("x' OR '1'='1")}}), QStringList());
    QCOMPARE(names({{"P_NOME", Value("x' OR '1'='1")}, {"P_TNOME", Value("T")}}).size(), 4);
    // A parameter nobody set is null: it lifts nothing and matches nothing.
    QCOMPARE(names({}), QStringList());
}

void tst_ReportEngine::dialectTextFallsBackToGeneric()
{
    ReportDefinition d = shipped("consumidores-filial-tipo");
    QVERIFY(d.text(SqlDialect::Text::Oracle).contains("INSTR(:P_CDCLIENTE, C.CDCLIENTE) > 0"));
    QVERIFY(d.text(SqlDialect::Text::MSSQL).contains("CHARINDEX(C.CDCLIENTE, :P_CDCLIENTE) > 0"));
    QVERIFY(d.text(SqlDialect::Text::InterBase).contains("PARAM(:P_CDCLIENTE) P_CDCLIENTE"));
    d.sql[1].clear();
    QCOMPARE(d.text(SqlDialect::Text::Oracle), d.sql[0]);
}

void tst_ReportEngine::badDefinitionsAreNamed()
{
    ReportDefinition d = shipped("consumidores");
    d.columns.append({"NAOEXISTE", "Nada", 10, Qt::AlignLeft, {}, {}});
    ReportQuery q(d, {});
    q.ParamByName(u"P_NRINSJURCLIE") = Value("11222333000181");
    try {
        ReportCsv::write(d, q, m_dir.filePath("nada.csv"));
        QFAIL("a column the query does not give was written");
    } catch (const EErro &e) {
        QCOMPARE(e.message(), QString("A consulta do relatório consumidores não devolve o campo NAOEXISTE."));
    }
    QVERIFY(!QFile::exists(m_dir.filePath("nada.csv")));

    const QString folder = m_dir.filePath("user/Cns722");
    QVERIFY(QDir().mkpath(folder));
    QFile broken(folder + "/quebrado.json");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{\"title\": \"Quebrado\", ");
    broken.close();
    try {
        ReportCatalog("Cns722").load("quebrado");
        QFAIL("a broken definition loaded");
    } catch (const EErro &e) {
        QVERIFY2(e.message().startsWith("A definição de relatório " + broken.fileName() + " não é válida"),
                 qPrintable(e.message()));
    }
    // The other reports are still offered.
    QCOMPARE(ReportCatalog("Cns722").entries().size(), 3);
    QVERIFY(broken.remove());
}

QStringList tst_ReportEngine::csv(const QString &name, const QHash<QString, QString> &params)
{
    const ReportDefinition d = shipped(name);
    ReportQuery q(d, {});
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        q.ParamByName(it.key()) = Value(it.value());
    const QString path = m_dir.filePath(name + ".csv");
    ReportCsv::write(d, q, path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = f.readAll();
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {"<no BOM>"};
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n");
    lines.removeAll(QString());
    return lines;
}

// Client 1 (branches 0001, 0002): 75 consumers, every third of type 02; client 2 (0002): 3 of type 02.
void tst_ReportEngine::branchAndTypeFilters_data()
{
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("clients");
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("consumers");
    QTest::addColumn<int>("rows");
    QTest::newRow("all at 0001") << "0001"
                                 << "T"
                                 << "T"
                                 << "T" << 75;
    QTest::newRow("all at 0002") << "0002"
                                 << "T"
                                 << "T"
                                 << "T" << 78;
    QTest::newRow("none at 0003") << "0003"
                                  << "T"
                                  << "T"
                                  << "T" << 0;
    QTest::newRow("client 2") << "0002" << list({client(2)}) << "T"
                              << "T" << 3;
    QTest::newRow("clients 1 and 2") << "0002" << list({client(1), client(2)}) << "T"
                                     << "T" << 78;
    QTest::newRow("type 02") << "0002"
                             << "T" << list({"02"}) << "T" << 28;
    QTest::newRow("client 1, type 02") << "0002" << list({client(1)}) << list({"02"}) << "T" << 25;
    QTest::newRow("two consumers named 1") << "0002"
                                           << "T"
                                           << "T" << list({consumerKey(1, 1), consumerKey(2, 1)}) << 2;
    QTest::newRow("a key cut short matches nothing") << "0002"
                                                     << "T"
                                                     << "T" << list({consumerKey(1, 1).left(40)}) << 0;
}

void tst_ReportEngine::branchAndTypeFilters()
{
    QFETCH(QString, branch);
    QFETCH(QString, clients);
    QFETCH(QString, types);
    QFETCH(QString, consumers);
    QFETCH(int, rows);
    QHash<QString, QString> p = {{"P_CDFILIAL", branch}};
    const auto pair = [&p](const QString &name, const QString &value) {
        p.insert("P_" + name, value == "T" ? QString() : value);
        p.insert("P_T" + name, value == "T" ? "T" : QString());
    };
    pair("CDCLIENTE", clients);
    pair("CDTIPOCONS", types);
    pair("CDCONSUMIDOR", consumers);
    const QStringList lines = csv("consumidores-filial-tipo", p);
    QCOMPARE(lines.size() - 1, rows);
}

void tst_ReportEngine::pdfHoldsTheConsumersAndTheGroupCounts()
{
    const ReportDefinition d = shipped("consumidores-filial-tipo");
    ReportQuery q(d, {});
    q.ParamByName(u"P_CDFILIAL") = Value("0002");
    for (const char16_t *all : {u"P_TCDCLIENTE", u"P_TCDTIPOCONS", u"P_TCDCONSUMIDOR"})
        q.ParamByName(all) = Value("T");
    const QString pdf = m_dir.filePath("filial-tipo.pdf");
    const int pages = ReportRenderer(d, q, m_heading).writePdf(pdf);
    const QStringList text = ReportText::pages(pdf);
    QCOMPARE(text.size(), pages);
    const QString all = text.join('\n');
    QVERIFY2(all.contains("Consumidores por Filial e Tipo"), qPrintable(text.first()));
    QVERIFY(text.first().contains("Filial: 0002 - Filial Campinas"));
    QVERIFY(text.first().contains("Operador: Operador de Teste"));
    QVERIFY(text.first().contains("04/03/2026 10:30"));
    QVERIFY(text.last().contains(QString("Página %1 de %1").arg(pages)));
    QVERIFY(all.contains("Tipo de Consumidor: 01 - Funcionário"));
    QVERIFY(all.contains("Tipo de Consumidor: 02 - Dependente"));
    QVERIFY(all.contains("Consumidores do tipo: 50"));
    QVERIFY(all.contains("Consumidores do tipo: 28"));
    QVERIFY(all.contains("Total de consumidores: 78"));
    QVERIFY(all.contains(ServerFixture::consumerName(3)));
    QVERIFY(all.contains("Consumidor 2 da filial"));
    QVERIFY(all.contains("Inativo"));
    // The types' groups in code order: every 02 consumer after the 01 count.
    QVERIFY(all.indexOf("Consumidor 2 da filial") > all.indexOf("Consumidores do tipo: 50"));
}

void tst_ReportEngine::longGroupGoesOnOverPagesAndCountsThem()
{
    const ReportDefinition d = shipped("consumidores");
    ReportQuery q(d, {});
    q.ParamByName(u"P_NRINSJURCLIE") = Value("11222333000181"); // clients 1 and 2
    const QString pdf = m_dir.filePath("consumidores.pdf");
    const int pages = ReportRenderer(d, q, m_heading).writePdf(pdf);
    QVERIFY(pages >= 2);
    const QStringList text = ReportText::pages(pdf);
    QCOMPARE(text.size(), pages);
    for (int i = 0; i < pages; ++i)
        QVERIFY2(text.at(i).contains(QString("Página %1 de %2").arg(i + 1).arg(pages)), qPrintable(text.at(i)));
    QVERIFY(text.at(1).contains("(continuação)"));
    const QString all = text.join('\n');
    QVERIFY(all.contains("Consumidores do cliente: 75"));
    QVERIFY(all.contains("Consumidores do cliente: 3"));
    QVERIFY(all.contains("Total de consumidores: 78"));
    // Limits (n * 1.5, none for every fourth) summed per client, with the decimal comma.
    double sum = 0;
    for (int n = 1; n <= 75; ++n)
        sum += n % 4 == 0 ? 0 : n * 1.5;
    QVERIFY2(all.contains(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(sum, 'f', 2)),
             qPrintable(text.last()));
    QVERIFY(all.contains(QDate(1980, 1, 1).addDays(7).toString("dd/MM/yyyy")));
}

void tst_ReportEngine::progressFollowsThePagesAndMayStop()
{
    const ReportDefinition d = shipped("consumidores");
    ReportQuery q(d, {});
    q.ParamByName(u"P_NRINSJURCLIE") = Value("11222333000181");
    QList<int> seen;
    int total = 0;
    const int pages = ReportRenderer(d, q, m_heading).writePdf(m_dir.filePath("progress.pdf"), [&](int page, int of) {
        seen.append(page);
        total = of;
        return true;
    });
    QCOMPARE(total, pages);
    QCOMPARE(seen.size(), pages);
    QCOMPARE(seen.last(), pages);
    QVERIFY_THROWS_EXCEPTION(EAbort,
                             ReportRenderer(d, q, m_heading).writePdf(m_dir.filePath("stopped.pdf"), [](int page, int) {
                                 return page < 2;
                             }));
}

void tst_ReportEngine::csvIsForSpreadsheets()
{
    QStringList lines = csv("consumidores", {{"P_NRINSJURCLIE", "52998224725"}});
    QCOMPARE(lines.size(), 1); // client 3 has no consumers: the titles alone
    QCOMPARE(lines.first(), QString("Cliente;Código;Nome;Crachá;Tipo;Nascimento;Limite Débito;Situação"));
    lines = csv("consumidores", {{"P_NRINSJURCLIE", "11222333000181"}});
    QCOMPARE(lines.size(), 79);
    const QString first = lines.at(1);
    QVERIFY2(first.startsWith(client(1) + " - Alfa Refeições;"), qPrintable(first));
    QStringList fields = first.split(';');
    QCOMPARE(fields.size(), 8);
    // Consumer 2 (limit 3,00) among client 1's, found by its name.
    const QString two = lines.filter(ServerFixture::consumerName(2)).value(0);
    QVERIFY2(two.endsWith(";3,00;Ativo"), qPrintable(two));
    // A name with the separator is quoted.
    DbSession &s = DbSession::forThread(DatabaseUrl::parse(m_url));
    s.begin(true);
    s.exec("UPDATE CONSUMIDOR SET NMCONSUMIDOR = 'Silva; \"Bia\"' WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K",
           {{"C", Value(client(2))}, {"K", Value(consumer(3))}});
    s.commit();
    lines = csv("consumidores", {{"P_NRINSJURCLIE", "11222333000181"}});
    QVERIFY(lines.filter(consumer(3) + ";\"Silva; \"\"Bia\"\"\";").size() == 1);
}

void tst_ReportEngine::editedDefinitionIsSavedBesideTheShippedOne()
{
    const QString shippedFile = QString(CNS_REPORTS_SOURCE_DIR) + "/Cns722/consumidores.json";
    const QByteArray before = digest(shippedFile);
    const ReportCatalog catalog("Cns722");
    ReportDefinition d = catalog.load("consumidores");
    d.title = "Lista editada";
    d.columns.removeLast();
    const QString saved = catalog.save(d);
    QCOMPARE(saved, m_dir.filePath("user") + "/Cns722/consumidores.json");
    QCOMPARE(digest(shippedFile), before);
    const QList<ReportCatalog::Entry> entries = catalog.entries();
    QCOMPARE(entries.size(), 2);
    const auto edited
        = std::find_if(entries.begin(), entries.end(), [](const auto &e) { return e.name == "consumidores"; });
    QCOMPARE(edited->title, QString("Lista editada"));
    QVERIFY(edited->edited);
    const ReportDefinition again = catalog.load("consumidores");
    QCOMPARE(again.columns.size(), d.columns.size());
    QCOMPARE(again.sql[0], d.sql[0]);
    QCOMPARE(again.group.fields, d.group.fields);
    QVERIFY(QFile::remove(saved));
    QCOMPARE(catalog.load("consumidores").title, QString("Consumidores do Cliente"));
}

int tst_ReportEngine::runReport(const QStringList &args, QString *out, QString *err)
{
    QProcess p;
    p.start(CNS_REPORT_BIN, args);
    if (!p.waitForFinished(120000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void tst_ReportEngine::cnsReportListsAndWritesTheSameReport()
{
    QString out, err;
    QCOMPARE(runReport({"--db", m_url, "--list"}, &out, &err), 0);
    QCOMPARE(
        out,
        QString("consumidores\tConsumidores do Cliente\nconsumidores-filial-tipo\tConsumidores por Filial e Tipo\n"));

    const QString pdf = m_dir.filePath("cns-report.pdf");
    QCOMPARE(runReport({"--db", m_url, "--report", "consumidores-filial-tipo", "--branch", "0002", "--operator", "agendador",
                        "--pdf", pdf},
                       &out, &err),
             0);
    const QString text = ReportText::text(pdf);
    QVERIFY2(text.contains("Filial: 0002 - Filial Campinas"), qPrintable(text.left(400)));
    QVERIFY(text.contains("Operador: agendador"));
    QVERIFY(text.contains("Consumidores do tipo: 50"));
    QVERIFY(text.contains("Total de consumidores: 78"));

    const QString csvFile = m_dir.filePath("cns-report.csv");
    QCOMPARE(runReport({"--db", m_url, "--report", "consumidores-filial-tipo", "--branch", "0002", "--param",
                        "P_CDTIPOCONS=" + list({"02"}), "--param", "P_TCDTIPOCONS=", "--csv", csvFile},
                       &out, &err),
             0);
    QFile f(csvFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count("\r\n"), 1 + 28);
}

void tst_ReportEngine::cnsReportRefusesBadUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no db") << QStringList {"--list"} << "Informe --db.";
    QTest::newRow("no report") << QStringList {"--db", "DB", "--pdf", "x.pdf"} << "Informe --list ou --report NOME.";
    QTest::newRow("no output") << QStringList {"--db", "DB", "--report", "consumidores"}
                               << "Informe --pdf ARQUIVO ou --csv ARQUIVO";
    QTest::newRow("two outputs") << QStringList {"--db", "DB", "--report", "consumidores", "--pdf", "a", "--csv", "b"}
                                 << "Informe --pdf ARQUIVO ou --csv ARQUIVO";
    QTest::newRow("unknown report") << QStringList {"--db", "DB", "--report", "nada", "--csv", "OUT"}
                                    << "O arquivo contendo a definição do relatório de código 'Cns722/nada'";
    QTest::newRow("unknown parameter") << QStringList {"--db",    "DB",    "--report", "consumidores",
                                                       "--param", "P_X=1", "--csv",    "OUT"}
                                       << "O relatório consumidores não tem o parâmetro P_X";
    QTest::newRow("bad parameter") << QStringList {"--db",    "DB", "--report", "consumidores",
                                                   "--param", "X",  "--csv",    "OUT"}
                                   << "--param: informe P_NOME=VALOR";
    QTest::newRow("unwritable file") << QStringList {"--db",     "DB",
                                                     "--report", "consumidores",
                                                     "--param",  "P_NRINSJURCLIE=1",
                                                     "--pdf",    "/nao/existe/x.pdf"}
                                     << "Não foi possível gravar /nao/existe/x.pdf";
}

void tst_ReportEngine::cnsReportRefusesBadUse()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    args.replaceInStrings(QRegularExpression("^DB$"), m_url);
    args.replaceInStrings(QRegularExpression("^OUT$"), m_dir.filePath("bad.csv"));
    QString out, err;
    QCOMPARE(runReport(args, &out, &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(!QFile::exists(m_dir.filePath("bad.csv")));
}

QTEST_MAIN(tst_ReportEngine)
#include "tst_ReportEngine.moc"
