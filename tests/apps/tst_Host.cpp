#include "Corvane.h"
#include "CountingBusy.h"
#include "HostContext.h"
#include "HostMainWindow.h"
#include "HostSettings.h"
#include "LocalCache.h"
#include "ModuleLoader.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"

#include <QAction>
#include <QCommandLineParser>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace cns;

// The host as the operator starts it: settings from the file and the command line, the consumer
// module loaded by name, its entry points on the menu, the consumer screen in one child window.
class tst_Host : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLineOverridesTheSettingsFile();
    void entryPointsAreFoundByName();
    void menuEntriesFollowTheModule();
    void consumerScreenIsOneChildWindow();
    void cacheRefreshCountsRowsOfPlainTableNames();

private:
    HostSettings settingsFor(const QStringList &args);
    // The host's context over default settings, installed for the life of the object.
    struct Host
    {
        explicit Host(const HostSettings &s) : settings(s), cache(TADOIBQuery::defaultConnectionName()), context(settings, loader, cache)
        {
            Corvane::install(&context);
        }
        ~Host() { Corvane::install(nullptr); }
        HostSettings settings;
        ModuleLoader loader;
        LocalCache cache;
        HostContext context;
    };

    QTemporaryDir m_dir;
    std::unique_ptr<Dispatcher> m_dispatcher;
    ScriptedDialogs m_dialogs;
    CountingBusy m_busy;
};

void tst_Host::initTestCase()
{
    qputenv("CNS_MODULE_PATH", CNS_MODULE_DIR);
    const QString url = ServerFixture::create("sqlite", "tst_host");
    m_dispatcher = ServerFixture::dispatcher(url);
    TNetConnection::setInProcessTarget(m_dispatcher.get());
    DatabaseUrl::parse(url).open(TADOIBQuery::defaultConnectionName());
}

HostSettings tst_Host::settingsFor(const QStringList &args)
{
    QCommandLineParser parser;
    HostSettings::addOptions(parser);
    parser.process(QStringList{"cns-host"} + args);
    return HostSettings::load(parser);
}

void tst_Host::commandLineOverridesTheSettingsFile()
{
    const QString ini = m_dir.filePath("cns-host.ini");
    {
        QSettings file(ini, QSettings::IniFormat);
        file.setValue("operador/codigo", "MARIA");
        file.setValue("filial/codigo", "0003");
        file.setValue("servidor/endereco", "srv.local:9000");
    }
    const HostSettings fromFile = settingsFor({"--settings", ini});
    QCOMPARE(fromFile.operatorCode, QString("MARIA"));
    QCOMPARE(fromFile.branchCode, QString("0003"));
    QCOMPARE(fromFile.serverHost, QString("srv.local"));
    QCOMPARE(fromFile.serverPort, 9000);
    QVERIFY(!fromFile.embedded());
    const HostSettings overridden = settingsFor({"--settings", ini, "--branch", "0002", "--per-branch", "--server", ""});
    QCOMPARE(overridden.operatorCode, QString("MARIA"));
    QCOMPARE(overridden.branchCode, QString("0002"));
    QVERIFY(overridden.perBranch);
    QVERIFY(overridden.embedded());
    QCOMPARE(overridden.effectiveDatabaseUrl(), "sqlite:" + HostSettings::demoDatabasePath());
}

void tst_Host::entryPointsAreFoundByName()
{
    ModuleLoader loader;
    QString why;
    QVERIFY(loader.entry("Pkg_cns72200", cns::entry::CriaConsumidor, &why));
    QVERIFY(loader.entry("Pkg_cns72200", cns::entry::IniProc, &why));
    QVERIFY(loader.entry("Pkg_cns72200", cns::entry::CriaAssocia, &why));
    QVERIFY(!loader.entry("Pkg_cns72200", cns::entry::EntryPoint<cns::entry::NoArgumentsFn>{"CriaNada"}, &why));
    QCOMPARE(why, QString("O módulo Pkg_cns72200 não tem a entrada CriaNada."));
    QVERIFY(!loader.exports("Pkg_cns72200", "CriaNada", &why));
    QCOMPARE(why, QString("O módulo Pkg_cns72200 não tem a entrada CriaNada."));
    QVERIFY(!loader.entry("Pkg_inexistente", cns::entry::CriaConsumidor, &why));
    QVERIFY(why.startsWith("Módulo Pkg_inexistente não encontrado em "));
}

void tst_Host::menuEntriesFollowTheModule()
{
    Host host(settingsFor({"--settings", m_dir.filePath("vazio.ini")}));
    HostMainWindow window(host.settings, host.loader, host.cache, "teste");
    const auto action = [&](const char *name) {
        for (QAction *a : window.findChildren<QAction *>())
            if (a->objectName() == "mnu" + QString::fromLatin1(name))
                return a;
        return static_cast<QAction *>(nullptr);
    };
    for (const char *built : {"CriaConsumidor", "IniProc", "CriaImpConsumidor", "CriaConsultaCracha", "CriaAssocia",
                              "CriaRelConsumidor", "CriaRelatConsumid"}) {
        QVERIFY2(action(built), built);
        QVERIFY2(action(built)->isEnabled(), built);
    }
}

void tst_Host::consumerScreenIsOneChildWindow()
{
    Host host(settingsFor({"--settings", m_dir.filePath("vazio.ini")}));
    {
        HostMainWindow window(host.settings, host.loader, host.cache, "teste");
        window.show();
        window.open("CriaConsumidor");
        QCOMPARE(window.mdiArea()->subWindowList().size(), 1);
        QMdiSubWindow *sub = window.mdiArea()->subWindowList().first();
        QCOMPARE(sub->widget()->objectName(), QString("frmConsumidor"));
        sub->showMinimized();
        window.open("IniProc");
        QCOMPARE(window.mdiArea()->subWindowList().size(), 1);
        QVERIFY(!sub->isMinimized());
        // Closing the screen closes its child window; the next opening builds a new screen.
        sub->widget()->close();
        QTRY_COMPARE(window.mdiArea()->subWindowList().size(), 0);
        window.open("CriaConsumidor");
        QCOMPARE(window.mdiArea()->subWindowList().size(), 1);
        QVERIFY(m_dialogs.shown.isEmpty());
    }
}

void tst_Host::cacheRefreshCountsRowsOfPlainTableNames()
{
    LocalCache cache(TADOIBQuery::defaultConnectionName());
    cache.refresh({"consumidor", "CONSUMIDOR; DROP TABLE CLIENTE"});
    QCOMPARE(cache.history().size(), 2);
    QCOMPARE(cache.history().at(0).table, QString("CONSUMIDOR"));
    QCOMPARE(cache.history().at(0).rows, qint64(ServerFixture::kClient1Consumers + 3));
    QCOMPARE(cache.history().at(1).rows, qint64(-1)); // not a table name: never run
}

QTEST_MAIN(tst_Host)
#include "tst_Host.moc"
