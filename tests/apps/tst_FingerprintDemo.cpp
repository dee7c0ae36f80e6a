#include "Corvane.h"
#include "CountingBusy.h"
#include "Dispatcher.h"
#include "FingerprintTab.h"
#include "HandlerGuard.h"
#include "HostContext.h"
#include "HostMainWindow.h"
#include "HostSettings.h"
#include "LocalCache.h"
#include "ModuleLoader.h"
#include "ServerFixture.h"
#include "ScriptedDialogs.h"
#include "TADOIBQuery.h"
#include "TBtnPesquisa.h"
#include "TNetConnection.h"
#include "TfrmConsumidor.h"

#include <QAction>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace cns;
using namespace cns::ui;

// The demo as an operator runs it with the reader simulator named in the host's settings: the host
// opens the consumer screen from the module loaded by name, the operator captures both fingers of a
// consumer with "iDBio" and saves, and the templates are in the database.
class tst_FingerprintDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readerLibraryComesFromSettingsOrCommandLine();
    void operatorEnrolsBothFingersAndSaves();

private:
    HostSettings settingsFor(const QStringList &args);

    QTemporaryDir m_dir;
    QString m_ini;
    std::unique_ptr<Dispatcher> m_dispatcher;
    ScriptedDialogs m_dialogs;
    CountingBusy m_busy;
};

void tst_FingerprintDemo::initTestCase()
{
    qputenv("CNS_MODULE_PATH", CNS_MODULE_DIR);
    const QString url = ServerFixture::createDemo("tst_fingerprintdemo");
    m_dispatcher = ServerFixture::dispatcher(url);
    TNetConnection::setInProcessTarget(m_dispatcher.get());
    DatabaseUrl::parse(url).open(TADOIBQuery::defaultConnectionName());
    m_ini = m_dir.filePath("cns-host.ini");
    QSettings file(m_ini, QSettings::IniFormat);
    file.setValue("leitor/idbio", CNS_CIDBIO_SIM);
}

HostSettings tst_FingerprintDemo::settingsFor(const QStringList &args)
{
    QCommandLineParser parser;
    HostSettings::addOptions(parser);
    parser.process(QStringList {"cns-host"} + args);
    return HostSettings::load(parser);
}

void tst_FingerprintDemo::readerLibraryComesFromSettingsOrCommandLine()
{
    QCOMPARE(settingsFor({"--settings", m_ini}).idBioLibrary, QString(CNS_CIDBIO_SIM));
    QCOMPARE(settingsFor({"--settings", m_ini, "--idbio-library", "/opt/leitor/libcidbio.so"}).idBioLibrary,
             QString("/opt/leitor/libcidbio.so"));
    QVERIFY(settingsFor({"--settings", m_dir.filePath("vazio.ini")}).idBioLibrary.isEmpty());
}

void tst_FingerprintDemo::operatorEnrolsBothFingersAndSaves()
{
    const HostSettings settings = settingsFor({"--settings", m_ini});
    ModuleLoader loader;
    LocalCache cache(TADOIBQuery::defaultConnectionName());
    HostContext context(settings, loader, cache);
    Corvane::install(&context);
    HostMainWindow window(settings, loader, cache, "demo");
    window.resize(1100, 760);
    window.show();
    window.open("CriaConsumidor");
    TfrmConsumidor *screen = Cli_cns72200::frmConsumidor;
    QVERIFY(screen);
    TfrmConsumidor &s = *screen;

    m_dialogs.rowChoices.enqueue(0);
    QVERIFY(HandlerGuard::run([&] {
        s.btpCliente->Pesquisar();
        s.medCdClienteExit();
        s.panClienteExit();
    }));
    QVERIFY(s.cdsConsumidor.RecordCount() > 0);
    const QString client = s.cdsConsumidor.FieldByName(u"CDCLIENTE").AsString();
    const QString consumer = s.cdsConsumidor.FieldByName(u"CDCONSUMIDOR").AsString();
    QTabBar *bar = s.pgcPadrao->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(s.pgcPadrao->indexOf(s.tshDigital)).center());
    QCOMPARE(s.pgcPadrao->currentWidget(), s.tshDigital);
    s.digital->cboDigital->setFocus();
    QTest::keyClick(s.digital->cboDigital, Qt::Key_Down);
    QCOMPARE(s.digital->cboDigital->currentText(), QString("iDBio"));
    QTest::mouseClick(s.digital->btndigital, Qt::LeftButton);
    QTest::mouseClick(s.digital->btndigital2, Qt::LeftButton);
    QVERIFY2(m_dialogs.shown.isEmpty(), qPrintable(m_dialogs.lastText()));
    QVERIFY(s.digital->panDigital->isHidden() && s.digital->panDigital2->isHidden());
    const QString first = s.cdsConsumidor.FieldByName(u"DIGICONSUMIDOR").AsString();
    const QString second = s.cdsConsumidor.FieldByName(u"DIGICONSUMIDOR2").AsString();
    QVERIFY(first.startsWith("SIM") && second.startsWith("SIM") && first != second);

    if (const QString dir = qEnvironmentVariable("CNS_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        QVERIFY(window.grab().save(QDir(dir).filePath("demo-capturar-digital.png")));
    }
    s.actConfirmar->trigger();
    QVERIFY2(m_dialogs.shown.isEmpty(), qPrintable(m_dialogs.lastText()));
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    QSqlQuery q(QSqlDatabase::database(TADOIBQuery::defaultConnectionName()));
    QVERIFY(q.exec("SELECT DIGICONSUMIDOR, DIGICONSUMIDOR2 FROM CONSUMIDOR WHERE CDCLIENTE = '" + client
                   + "' AND CDCONSUMIDOR = '" + consumer + "'"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), first);
    QCOMPARE(q.value(1).toString(), second);
    s.close();
    Corvane::install(nullptr);
}

QTEST_MAIN(tst_FingerprintDemo)
#include "tst_FingerprintDemo.moc"
