#include "Corvane.h"
#include "CountingBusy.h"
#include "DBGrid.h"
#include "DbSession.h"
#include "EAbort.h"
#include "DemoData.h"
#include "Dispatcher.h"
#include "EErro.h"
#include "ImportLogCsv.h"
#include "ImportMessages.h"
#include "MaskEdit.h"
#include "Schema.h"
#include "ScriptedDialogs.h"
#include "TADOIBQuery.h"
#include "TBtnPesquisa.h"
#include "TestDatabases.h"
#include "TfrmImportConsu.h"
#include "TfrmLogImp.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <pwd.h>
#include <unistd.h>

using namespace cns;
using namespace cns::import;

extern "C" void AbreModulo(const QList<cns::Value> &args);

namespace {

struct Demo
{
    QString url;
    QString fixedClientRegistration;
};

// A small demo database with its two sample files (SQLite unless a URL is given).
Demo demo(const QString &suite, const QString &files, const QString &url = {})
{
    Demo d;
    d.url = url.isEmpty() ? TestDatabases::freshSqlite(suite) : url;
    DbSession &s = DbSession::forThread(DatabaseUrl::parse(d.url));
    Schema::createOrUpgrade(s.db());
    DemoData::Options options;
    options.small = true;
    options.sampleFilesDir = files;
    DemoData::seed(s.db(), options);
    d.fixedClientRegistration = s.select("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = '000000000000000000002'", {},
                                         {{"N", FieldType::String, 0}})
                                    .value(0, 0)
                                    .toString();
    return d;
}

// What an import stored: the consumers of the sample files' clients, as text alike on every database.
QStringList stored(const QString &url)
{
    const QList<FieldDef> fields = {{"CDCLIENTE", FieldType::String, 0},  {"CDCONSUMIDOR", FieldType::String, 0},
                                    {"NMCONSUMIDOR", FieldType::String, 0}, {"CDIDCONSUMID", FieldType::String, 0},
                                    {"CDTIPOCONS", FieldType::String, 0},   {"CDCCUSCLIE", FieldType::String, 0},
                                    {"VRLIMDEBCONS", FieldType::Float, 0},  {"DTNASCCONS", FieldType::DateTime, 0},
                                    {"IDSITCONSUMI", FieldType::String, 0}};
    QStringList names;
    for (const FieldDef &f : fields)
        names.append(f.name);
    const Packet p = DbSession::forThread(DatabaseUrl::parse(url))
                         .select("SELECT " + names.join(", ") + " FROM CONSUMIDOR WHERE CDCLIENTE IN ('000000000000000000002', "
                                 "'000000000000000000011', '000000000000000000012', '000000000000000000013', '000000000000000000014') "
                                 "ORDER BY CDCLIENTE, CDCONSUMIDOR",
                                 {}, fields);
    QStringList out;
    for (qsizetype i = 0; i < p.rowCount(); ++i) {
        QStringList cells;
        for (int f = 0; f < fields.size(); ++f) {
            const Value v = p.value(i, f);
            cells.append(v.isNull() ? QString() : v.kind() == Value::Kind::Date ? v.toDateTime().toString(Qt::ISODate) : v.toString());
        }
        out.append(cells.join('|'));
    }
    return out;
}

} // namespace

class tst_ImportScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fixedLayoutFromTheScreen();
    void delimitedLayoutFromTheScreenWithTheLog();
    void resetEventsCloseTheRows();
    void failedLoadCannotBeConfirmed();
    void rowsTakeTheTypedClientAfterAGivenUpLookup();
    void headlessImportStoresTheSameAndWritesTheSameLog();
    void logViewerShowsTheLogAndRefusesAStaleReference();

private:
    TfrmImportConsu *open(const QString &branch);
    void chooseLayout(TfrmImportConsu &f, const QString &layout);

    QTemporaryDir m_dir;
    Demo m_screen, m_headless, m_postgres; // m_postgres.url empty without a PostgreSQL server
    std::unique_ptr<Dispatcher> m_dispatcher;
    Corvane::SimpleContext m_ctx;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    QString m_fixedLog, m_delimitedLog;
};

// The suite runs once per database: CTest starts it again with CNS_TEST_BACKEND=postgresql, where the
// screen and cns-import work on PostgreSQL. On SQLite, cns-import also imports into a PostgreSQL
// database when there is a server, to compare the two.
void tst_ImportScreen::initTestCase()
{
    const bool onPostgres = qEnvironmentVariable("CNS_TEST_BACKEND", "sqlite") == "postgresql";
    if (onPostgres && TestDatabases::postgresServerUrl().isEmpty())
        QSKIP("PostgreSQL not running (CNS_TEST_PG_URL unset)");
    const auto url = [onPostgres](const char *suite) { return onPostgres ? TestDatabases::freshPostgres(suite) : QString(); };
    m_screen = demo("tst_importscreen_a", m_dir.filePath("a"), url("tst_importscreen_a"));
    m_headless = demo("tst_importscreen_b", m_dir.filePath("b"), url("tst_importscreen_b"));
    if (const QString pg = onPostgres ? QString() : TestDatabases::freshPostgres("tst_importscreen"); !pg.isEmpty())
        m_postgres = demo("tst_importscreen_pg", m_dir.filePath("pg"), pg);
    m_dispatcher = Dispatcher::standard(DatabaseUrl::parse(m_screen.url));
    m_dispatcher->setLogSink(nullptr);
    TNetConnection::setInProcessTarget(m_dispatcher.get());
    DatabaseUrl::parse(m_screen.url).open(TADOIBQuery::defaultConnectionName());
    m_ctx.nomeFiliProc = "Filial";
    Corvane::install(&m_ctx);
}

void tst_ImportScreen::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_ctx.loadedModules.clear();
}

void tst_ImportScreen::cleanup()
{
    QVERIFY(!m_busy->visible());
    m_busy.reset();
    m_dialogs.reset();
}

TfrmImportConsu *tst_ImportScreen::open(const QString &branch)
{
    m_ctx.filiProc = branch;
    auto *f = new TfrmImportConsu;
    f->show();
    for (int i = 0; i < 500 && !Cli_cns72202::boActivate; ++i)
        QTest::qWait(10);
    return f;
}

void tst_ImportScreen::chooseLayout(TfrmImportConsu &f, const QString &layout)
{
    f.edtCdLayout->setText(layout);
    f.edtCdLayoutChange();
    f.panFiltroExit();
}

void tst_ImportScreen::fixedLayoutFromTheScreen()
{
    TfrmImportConsu *f = open("0001");
    QCOMPARE(f->edtFiliProc->text(), QString("0001-Filial"));
    QVERIFY(f->rdbClienteInf->isChecked());
    QVERIFY(!f->actCarregar->isEnabled());
    f->medCdCliente->setText(m_screen.fixedClientRegistration);
    f->medCdClienteExit();
    QCOMPARE(f->edtNmCliente->text(), QString("Metalúrgica Paulista"));
    f->grpClienteExit();
    QCOMPARE(f->edtCdLayout->text(), QString("0000000001")); // the branch's default layout
    chooseLayout(*f, "1");
    QCOMPARE(f->edtCdLayout->text(), QString("0000000001"));
    QCOMPARE(f->dbeFilialLayout->text(), QString("0001"));
    QVERIFY(f->actCarregar->isEnabled());
    QVERIFY(!f->actConfirma->isEnabled());
    f->actCarregar->trigger();
    QCOMPARE(f->edtNrReg->text(), QString("60"));
    QCOMPARE(f->edtRegImp->text(), QString("60"));
    QVERIFY(f->panAnimacao->isHidden());
    QVERIFY(f->actConfirma->isEnabled());
    QCOMPARE(f->dbgDados->model()->rowCount(), 60);
    QStringList expected;
    const Packet rows = f->engine.rowsPacket();
    for (qsizetype i = 0; i < rows.rowCount(); ++i)
        expected.append(rows.value(i, u"CDCLIENTE").toString() + '|' + rows.value(i, u"CDCONSUMIDOR").toString() + '|'
                        + rows.value(i, u"NMCONSUMIDOR").toString() + '|');
    m_dialogs->answers << mrYes;
    f->actConfirma->trigger();
    QCOMPARE(m_dialogs->texts(), QStringList({ImportMessages::table().Msg(u"Conf_Inativa"), "Importação realizada com sucesso."}));
    QCOMPARE(f->dbgDados->model()->rowCount(), 0);
    m_fixedLog = ImportLogCsv::text(f->engine.cdsLogImp);
    f->close();
    const QStringList now = stored(m_screen.url);
    for (const QString &row : std::as_const(expected))
        QVERIFY2(!now.filter(row).isEmpty(), qPrintable(row));
}

void tst_ImportScreen::delimitedLayoutFromTheScreenWithTheLog()
{
    TfrmImportConsu *f = open("0002");
    f->rdbClienteTxt->click();
    QVERIFY(!f->medCdCliente->isEnabled());
    chooseLayout(*f, "2");
    f->actCarregar->trigger();
    QFile sample(m_dir.filePath("a/consumidores_delimitado.txt"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const int lines = int(sample.readAll().count('\n'));
    QCOMPARE(f->edtNrReg->text(), QString::number(lines));
    m_dialogs->answers << mrYes; // Conf_Log
    f->actGeraLog->trigger();
    QCOMPARE(m_ctx.loadedModules.size(), 1);
    QCOMPARE(m_ctx.loadedModules.first().second, QList<Value>{Value(qint64(quintptr(f)))});
    // Not imported: a consumer twice, a blank client, a client of another branch.
    QCOMPARE(f->edtRegImp->text(), QString::number(lines - 4));
    m_dialogs->answers << mrYes << mrNo; // Conf_Imp, Conf_Imp_Log: import without looking
    f->actConfirma->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("Importação realizada com sucesso."));
    m_delimitedLog = ImportLogCsv::text(f->engine.cdsLogImp);
    QVERIFY(m_delimitedLog.contains("Código do Consumidor em duplicidade no arquivo."));
    f->close();
}

void tst_ImportScreen::resetEventsCloseTheRows()
{
    TfrmImportConsu *f = open("0001");
    f->medCdCliente->setText(m_screen.fixedClientRegistration);
    f->medCdClienteExit();
    chooseLayout(*f, "1");
    f->actCarregar->trigger();
    QVERIFY(f->actConfirma->isEnabled());
    // Another file for the file row: the rows go, confirmation and log are off, the load stays.
    const QString other = m_dir.filePath("a/consumidores_delimitado.txt");
    m_dialogs->fileNames << other;
    f->dbgTabelaEditButtonClick("NMARQLAYIMP");
    QCOMPARE(f->engine.cdsArquivo.FieldByName(u"NMARQLAYIMP").AsString(), other);
    QVERIFY(!f->actConfirma->isEnabled());
    QVERIFY(!f->actGeraLog->isEnabled());
    QVERIFY(f->actCarregar->isEnabled());
    QVERIFY(!f->engine.boCarregou);
    f->actConfirma->setEnabled(true);
    f->actConfirma->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("O arquivo de consumidores ainda não foi carregado."));
    // A file that is not there: the file name is where the focus goes to mend it.
    m_dialogs->fileNames << m_dir.filePath("a/nao_existe.txt");
    f->dbgTabelaEditButtonClick("NMARQLAYIMP");
    f->dbgDados->setFocus();
    f->actConfirma->setEnabled(true);
    f->actConfirma->trigger();
    QVERIFY(m_dialogs->lastText().startsWith("Arquivo não encontrado."));
    QVERIFY(f->focusWidget() == f->dbgTabela || f->dbgTabela->isAncestorOf(f->focusWidget()));
    // Changing the layout code: everything off.
    f->edtCdLayout->setText("2");
    f->edtCdLayoutChange();
    QVERIFY(!f->actCarregar->isEnabled());
    QVERIFY(f->edtNmLayout->text().isEmpty());
    // A blank layout when leaving the filter.
    f->edtCdLayout->clear();
    QVERIFY_THROWS_EXCEPTION(EAbort, f->panFiltroExit());
    QCOMPARE(m_dialogs->lastText(), QString("Layout deve ser informado."));
    f->close();
}

// A load that stops half way keeps the rows it read for a look, but confirming them would import
// part of the file and inactivate the consumers of the unread rest: the confirmation is off, the
// engine refuses it anyway, and the counters say what this load read, not what the last one did.
void tst_ImportScreen::failedLoadCannotBeConfirmed()
{
    TfrmImportConsu *f = open("0002");
    // On the button's circle: a wide radio button takes clicks on its circle and text only.
    QTest::mouseClick(f->rdbClienteTxt, Qt::LeftButton, {}, QPoint(6, f->rdbClienteTxt->height() / 2));
    QVERIFY(f->rdbClienteTxt->isChecked());
    chooseLayout(*f, "2");
    QWidget *load = f->findChild<QWidget *>("btfCarregar");
    QVERIFY(load);
    QTest::mouseClick(load, Qt::LeftButton);
    QVERIFY(f->actConfirma->isEnabled());
    QVERIFY(f->edtNrReg->text().toInt() > 10);

    QFile sample(m_dir.filePath("a/consumidores_delimitado.txt"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = sample.readAll().split('\n');
    lines[3] = QByteArray("1;2;\0;4", 7);
    const QString broken = m_dir.filePath("a/quebrado.txt");
    QFile out(broken);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(lines.join('\n'));
    out.close();
    m_dialogs->fileNames << broken;
    f->dbgTabelaEditButtonClick("NMARQLAYIMP");
    QTest::mouseClick(load, Qt::LeftButton);
    QVERIFY2(m_dialogs->lastText().contains("linha 4"), qPrintable(m_dialogs->lastText()));
    QCOMPARE(f->edtNrReg->text(), QString("3"));
    QCOMPARE(f->edtRegImp->text(), QString("0"));
    QVERIFY(!f->actConfirma->isEnabled());
    QVERIFY(f->actGeraLog->isEnabled()); // the rows read may still be looked at

    const QStringList before = stored(m_screen.url);
    f->actConfirma->setEnabled(true);
    f->actConfirma->trigger();
    QCOMPARE(m_dialogs->lastText(), ImportMessages::table().Msg(u"CARGA_INCOMPLETA"));
    QCOMPARE(stored(m_screen.url), before);

    // A load that reads its file to the end may be confirmed again.
    m_dialogs->fileNames << m_dir.filePath("a/consumidores_delimitado.txt");
    f->dbgTabelaEditButtonClick("NMARQLAYIMP");
    QTest::mouseClick(load, Qt::LeftButton);
    QVERIFY(f->actConfirma->isEnabled());
    f->close();
}

// Giving up the client lookup moves the client query to another client; with the focus then in the
// layout field nothing checked the client again, and the rows were built for the query's client
// (whose consumers the confirmation would then inactivate). The rows take the typed client.
void tst_ImportScreen::rowsTakeTheTypedClientAfterAGivenUpLookup()
{
    TfrmImportConsu *f = open("0001");
    QTest::mouseClick(f->medCdCliente, Qt::LeftButton);
    QTest::keyClicks(f->medCdCliente, m_screen.fixedClientRegistration);
    QTest::mouseClick(f->edtCdLayout, Qt::LeftButton); // leaves the client field
    QCOMPARE(f->edtNmCliente->text(), QString("Metalúrgica Paulista"));
    chooseLayout(*f, "1");
    m_dialogs->rowChoices << -1;
    QTest::mouseClick(f->btpCliente, Qt::LeftButton);
    QCOMPARE(m_dialogs->lookupTitles.size(), 1);
    QVERIFY(f->engine.qryCliente.FieldByName(u"CDCLIENTE").AsString() != "000000000000000000002");
    QTest::mouseClick(f->edtCdLayout, Qt::LeftButton);
    QTest::mouseClick(f->findChild<QWidget *>("btfCarregar"), Qt::LeftButton);
    QCOMPARE(f->edtNrReg->text(), QString("60"));
    const Packet rows = f->engine.rowsPacket();
    QSet<QString> clients;
    for (qsizetype i = 0; i < rows.rowCount(); ++i)
        clients.insert(rows.value(i, u"CDCLIENTE").toString());
    QCOMPARE(clients, QSet<QString>{"000000000000000000002"});
    m_dialogs->answers << mrYes; // Conf_Log
    QTest::mouseClick(f->findChild<QWidget *>("btfGeraLog"), Qt::LeftButton);
    QCOMPARE(f->engine.stP_CDCLIENTE, QString("000000000000000000002"));
    f->close();
}

void tst_ImportScreen::headlessImportStoresTheSameAndWritesTheSameLog()
{
    QVERIFY(!m_fixedLog.isEmpty() && !m_delimitedLog.isEmpty());
    auto run = [this](QStringList args) {
        if (!args.contains("--db"))
            args = QStringList{"--db", m_headless.url} + args;
        QProcess p;
        p.start(CNS_IMPORT_BIN, args);
        p.waitForFinished(120000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()));
    };
    const QString fixedLog = m_dir.filePath("fixo.csv"), delimitedLog = m_dir.filePath("delimitado.csv");
    auto [rc, out] = run({"--branch", "0001", "--layout", "1", "--client", m_headless.fixedClientRegistration, "--confirm", "--log", fixedLog});
    QCOMPARE(rc, 0);
    QVERIFY(out.contains("Registros carregados: 60"));
    auto [rc2, out2] = run({"--branch", "0002", "--layout", "2", "--client-from-file", "--confirm", "--log", delimitedLog});
    QCOMPARE(rc2, 0);
    QVERIFY(out2.contains("Cod_Duplicado (bloqueante): 2"));
    auto read = [](const QString &path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll()).remove(QChar(0xFEFF));
    };
    QCOMPARE(read(fixedLog), m_fixedLog);
    QCOMPARE(read(delimitedLog), QString(m_delimitedLog).replace(m_dir.filePath("a"), m_dir.filePath("b")));
    QCOMPARE(stored(m_headless.url), stored(m_screen.url));
    // On PostgreSQL, the same logs and the same consumers (the delimited layout once read its
    // columns one field off there).
    if (!m_postgres.url.isEmpty()) {
        auto [rc5, out5] = run({"--db", m_postgres.url, "--branch", "0001", "--layout", "1", "--client", m_postgres.fixedClientRegistration,
                                "--confirm", "--log", fixedLog});
        QCOMPARE(rc5, 0);
        QCOMPARE(read(fixedLog), m_fixedLog);
        auto [rc6, out6] = run({"--db", m_postgres.url, "--branch", "0002", "--layout", "2", "--client-from-file", "--confirm", "--log",
                                delimitedLog});
        QCOMPARE(rc6, 0);
        QCOMPARE(out6, out2);
        QCOMPARE(read(delimitedLog), QString(m_delimitedLog).replace(m_dir.filePath("a"), m_dir.filePath("pg")));
        QCOMPARE(stored(m_postgres.url), stored(m_screen.url));
    }
    // The history names who ran the job: the system's user, or the operator given.
    const auto operators = [this] {
        const Packet p = DbSession::forThread(DatabaseUrl::parse(m_headless.url))
                             .select("SELECT CDOPERADOR FROM HISTCONSUMIDOR WHERE NMCAMPO = 'CHAMADA' ORDER BY NRHISTCONS", {},
                                     {{"CDOPERADOR", FieldType::String, 0}});
        QStringList out;
        for (qsizetype i = 0; i < p.rowCount(); ++i)
            out.append(p.value(i, 0).toString());
        return out;
    };
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty())
        user = QString::fromLocal8Bit(getpwuid(getuid())->pw_name);
    QCOMPARE(operators(), (QStringList{user, user}));
    auto [rc7, out7] = run({"--branch", "0001", "--layout", "1", "--client", m_headless.fixedClientRegistration, "--confirm", "--operator",
                            "lote.noturno"});
    QCOMPARE(rc7, 0);
    QCOMPARE(operators().last(), QString("lote.noturno"));
    // A blocking problem with a layout that stops on them: status 2, nothing sent.
    DbSession::forThread(DatabaseUrl::parse(m_headless.url)).exec("UPDATE LAYOUTIMP SET IDPARALISAIMPARQ = 'S' WHERE CDLAYOUTIMP = '0000000002'");
    auto [rc3, out3] = run({"--branch", "0002", "--layout", "2", "--client-from-file", "--check"});
    QCOMPARE(rc3, 2);
    auto [rc4, out4] = run({"--branch", "0002", "--layout", "9", "--client-from-file", "--check"});
    QCOMPARE(rc4, 1);
}

void tst_ImportScreen::logViewerShowsTheLogAndRefusesAStaleReference()
{
    TfrmImportConsu *f = open("0002");
    f->rdbClienteTxt->click();
    chooseLayout(*f, "2");
    f->actCarregar->trigger();
    f->engine.ChamaGeraLog(*f, false);
    const int findings = f->engine.cdsLogImp.RecordCount();
    QVERIFY(findings > 0);
    QString exported = m_dir.filePath("visor");
    m_dialogs->fileNames << exported;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(qobject_cast<TfrmLogImp *>(QApplication::activeModalWidget()));
        auto *viewer = qobject_cast<TfrmLogImp *>(QApplication::activeModalWidget());
        QCOMPARE(viewer->dbgLog->model()->rowCount(), findings);
        QCOMPARE(viewer->dbgLog->model()->headerData(0, Qt::Horizontal).toString(), QString("Código do Cliente"));
        viewer->actExportar->trigger();
        seen = true;
        viewer->close();
    });
    AbreModulo({Value(qint64(quintptr(f)))});
    QVERIFY(seen);
    QFile csv(exported + ".csv");
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(csv.readAll()).remove(QChar(0xFEFF)), ImportLogCsv::text(f->engine.cdsLogImp));
    const qint64 stale = qint64(quintptr(f));
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY_THROWS_EXCEPTION(EErro, AbreModulo({Value(stale)}));
    QVERIFY_THROWS_EXCEPTION(EErro, AbreModulo({Value(qint64(12345))}));
}

QTEST_MAIN(tst_ImportScreen)
#include "tst_ImportScreen.moc"
