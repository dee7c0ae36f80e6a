// cns-host: the host application that loads the consumer module.
#include "BusyWindow.h"
#include "DatabaseUrl.h"
#include "DbSession.h"
#include "DemoData.h"
#include "Dispatcher.h"
#include "EErro.h"
#include "HostContext.h"
#include "HostMainWindow.h"
#include "HostSettings.h"
#include "LocalCache.h"
#include "ModuleLoader.h"
#include "Schema.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "WidgetDialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLabel>
#include <QStyleFactory>

using namespace cns;
using namespace cns::ui;

namespace {

// The embedded default: a demo database made and seeded on the first run.
void prepareDemo(const DatabaseUrl &url)
{
    DbSession &s = DbSession::forThread(url);
    const bool fresh = Schema::installedVersion(s.db()) == 0;
    Schema::createOrUpgrade(s.db());
    if (!fresh)
        return;
    QLabel splash(QStringLiteral("Preparando o banco de demonstração (primeira execução)..."));
    splash.setWindowFlags(Qt::SplashScreen);
    splash.setMargin(24);
    splash.show();
    QApplication::processEvents();
    DemoData::Options options;
    options.sampleFilesDir = QFileInfo(url.path()).absolutePath() + QStringLiteral("/importacao");
    DemoData::seed(s.db(), options);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("consumidor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Consumidores"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Aplicação hospedeira do módulo de consumidores."));
    parser.addHelpOption();
    HostSettings::addOptions(parser);
    parser.process(app);

    WidgetDialogs dialogs;
    HostDialogs::install(&dialogs);
    try {
        const HostSettings settings = HostSettings::load(parser);
        if (!settings.embedded() && settings.databaseUrl.isEmpty())
            throw EErro(QStringLiteral("Com um servidor de aplicação (--server) informe também o banco (--db) para as consultas."));
        const DatabaseUrl url = DatabaseUrl::parse(settings.effectiveDatabaseUrl());
        std::unique_ptr<Dispatcher> dispatcher;
        if (settings.embedded()) {
            if (settings.databaseUrl.isEmpty())
                prepareDemo(url);
            dispatcher = Dispatcher::standard(url);
            dispatcher->setLogSink(nullptr);
            TNetConnection::setInProcessTarget(dispatcher.get());
        }
        url.open(TADOIBQuery::defaultConnectionName());

        BusyWindow busy;
        Showavi::install(&busy);
        ModuleLoader loader;
        LocalCache cache(TADOIBQuery::defaultConnectionName());
        HostContext context(settings, loader, cache);
        Corvane::install(&context);
        const QString where = settings.embedded() ? QStringLiteral("Banco: %1 (servidor interno)").arg(url.display())
                                                  : QStringLiteral("Servidor: %1:%2").arg(settings.serverHost).arg(settings.serverPort);
        HostMainWindow window(settings, loader, cache, where);
        window.show();
        window.runAutomation();
        const int rc = app.exec();
        Corvane::install(nullptr);
        Showavi::install(nullptr);
        TNetConnection::setInProcessTarget(nullptr);
        return rc;
    } catch (const EErro &e) {
        dialogs.message(e.message(), MsgType::Error, mbOK, QStringLiteral("Consumidores"));
        return 1;
    }
}
