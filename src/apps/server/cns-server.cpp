// cns-server: the application server of the consumer system over HTTP.
#include "DatabaseUrl.h"
#include "ConsumerHistory.h"
#include "DbSession.h"
#include "DemoData.h"
#include "Dispatcher.h"
#include "EErro.h"
#include "HttpServer.h"
#include "Schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <chrono>
#include <memory>
#include <cstdio>

using namespace cns;

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

bool parseListen(const QString &text, HttpServer::Options *options)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    if (host == u"localhost")
        host = QStringLiteral("127.0.0.1");
    const QHostAddress address(host);
    if (!ok || port <= 0 || port > 65535 || address.isNull())
        return false;
    options->address = address;
    options->port = quint16(port);
    return true;
}

QString defaultSampleDir(const DatabaseUrl &url)
{
    if (url.isSqlite() && url.path() != u":memory:")
        return QFileInfo(url.path()).absolutePath() + QStringLiteral("/importacao");
    return QStringLiteral("importacao");
}

void initialise(const DatabaseUrl &url, bool demo, const QString &sampleDir, int benchConsumers)
{
    DbSession &session = DbSession::forThread(url);
    const int before = Schema::installedVersion(session.db());
    Schema::createOrUpgrade(session.db());
    if (before != Schema::currentVersion())
        say(QStringLiteral("Banco %1 na versão %2 do esquema.").arg(url.display()).arg(Schema::currentVersion()));
    if (!demo)
        return;
    if (session.count(QStringLiteral("SELECT COUNT(*) FROM CLIENTE"), {}) > 0) {
        say(QStringLiteral("O banco já tem clientes: os dados de demonstração não foram gravados de novo."));
        return;
    }
    DemoData::Options options;
    options.sampleFilesDir = sampleDir;
    options.benchClientConsumers = benchConsumers;
    const DemoData::Stats stats = DemoData::seed(session.db(), options);
    say(QStringLiteral("Demonstração gravada: %1 filiais, %2 clientes, %3 consumidores; arquivos de exemplo em %4.")
            .arg(stats.branches)
            .arg(stats.clients)
            .arg(stats.consumers)
            .arg(sampleDir));
}

// The history rows older than days days go, in a transaction of their own, now and then once a day
// while the server runs (on its main thread, beside the calls: a call waits at most for the
// delete, as for any other write).
class HistoryRetention
{
public:
    HistoryRetention(DatabaseUrl url, int days) : m_url(std::move(url)), m_days(days)
    {
        purge();
        QObject::connect(&m_timer, &QTimer::timeout, [this] { purge(); });
        m_timer.start(std::chrono::hours(24));
    }

private:
    void purge()
    {
        DbSession &session = DbSession::forThread(m_url);
        try {
            session.begin(true);
            const int removed = ConsumerHistory::purge(session, m_days);
            session.commit();
            say(QStringLiteral("Histórico dos consumidores: %1 linhas com mais de %2 dias removidas.").arg(removed).arg(m_days));
        } catch (const EErro &e) {
            session.rollback();
            say(QStringLiteral("Não foi possível limpar o histórico dos consumidores: %1").arg(e.message()));
        }
    }

    DatabaseUrl m_url;
    int m_days;
    QTimer m_timer;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cns-server"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Servidor de aplicação do cadastro de consumidores."));
    parser.addHelpOption();
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("Banco: sqlite:CAMINHO ou postgresql://..."), QStringLiteral("url"));
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("Endereço e porta (padrão 127.0.0.1:8211)."),
                                    QStringLiteral("host:porta"), QStringLiteral("127.0.0.1:8211"));
    const QCommandLineOption tokenFile(QStringLiteral("token-file"),
                                       QStringLiteral("Arquivo com o token exigido dos clientes (obrigatório fora de 127.0.0.1)."),
                                       QStringLiteral("arquivo"));
    const QCommandLineOption init(QStringLiteral("init"), QStringLiteral("Cria ou atualiza as tabelas do banco."));
    const QCommandLineOption initDemo(QStringLiteral("init-demo"), QStringLiteral("Como --init, e grava os dados de demonstração num banco sem clientes."));
    const QCommandLineOption demoFiles(QStringLiteral("demo-files"), QStringLiteral("Pasta dos arquivos de importação de exemplo."),
                                       QStringLiteral("pasta"));
    const QCommandLineOption benchClient(QStringLiteral("bench-consumers"),
                                         QStringLiteral("Com --init-demo: mais um cliente com N consumidores (medições)."),
                                         QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption maxBody(QStringLiteral("max-body"), QStringLiteral("Tamanho máximo de uma requisição, em bytes."),
                                     QStringLiteral("bytes"));
    const QCommandLineOption workers(QStringLiteral("workers"), QStringLiteral("Chamadas atendidas ao mesmo tempo."), QStringLiteral("N"));
    const QCommandLineOption noServe(QStringLiteral("no-serve"), QStringLiteral("Só inicializa o banco e termina."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Não registra uma linha por chamada."));
    const QCommandLineOption historyDays(QStringLiteral("history-days"),
                                         QStringLiteral("Remove do histórico dos consumidores as linhas com mais de N dias, ao "
                                                        "iniciar e uma vez por dia (padrão: guarda tudo)."),
                                         QStringLiteral("N"));
    parser.addOptions({db, listen, tokenFile, init, initDemo, demoFiles, benchClient, maxBody, workers, noServe, quiet, historyDays});
    parser.process(app);

    try {
        if (!parser.isSet(db)) {
            say(QStringLiteral("Informe o banco com --db (sqlite:CAMINHO ou postgresql://...)."));
            return 2;
        }
        const DatabaseUrl url = DatabaseUrl::parse(parser.value(db));
        if (parser.isSet(init) || parser.isSet(initDemo)) {
            initialise(url, parser.isSet(initDemo),
                       parser.isSet(demoFiles) ? parser.value(demoFiles) : defaultSampleDir(url),
                       parser.value(benchClient).toInt());
        } else {
            const int installed = Schema::installedVersion(DbSession::forThread(url).db());
            if (installed != Schema::currentVersion()) {
                say(QStringLiteral("O banco %1 está na versão %2 do esquema; esta é a %3. Rode com --init.")
                        .arg(url.display())
                        .arg(installed)
                        .arg(Schema::currentVersion()));
                return 1;
            }
        }
        int keepDays = 0;
        if (parser.isSet(historyDays)) {
            bool ok = false;
            keepDays = parser.value(historyDays).toInt(&ok);
            if (!ok || keepDays < 1) {
                say(QStringLiteral("--history-days: informe um número de dias a partir de 1 (veio \"%1\").").arg(parser.value(historyDays)));
                return 2;
            }
        }
        std::unique_ptr<HistoryRetention> retention;
        if (keepDays > 0)
            retention = std::make_unique<HistoryRetention>(url, keepDays);
        if (parser.isSet(noServe))
            return 0;

        HttpServer::Options options;
        if (!parseListen(parser.value(listen), &options)) {
            say(QStringLiteral("Endereço inválido em --listen: %1 (use host:porta).").arg(parser.value(listen)));
            return 2;
        }
        if (parser.isSet(tokenFile)) {
            QFile f(parser.value(tokenFile));
            if (!f.open(QIODevice::ReadOnly)) {
                say(QStringLiteral("Não foi possível ler o token em %1: %2").arg(f.fileName(), f.errorString()));
                return 2;
            }
            options.token = f.readAll().trimmed();
            if (options.token.isEmpty()) {
                say(QStringLiteral("O arquivo de token %1 está vazio.").arg(f.fileName()));
                return 2;
            }
        }
        if (parser.isSet(maxBody))
            options.maxBody = parser.value(maxBody).toLongLong();
        if (parser.isSet(workers))
            options.workers = parser.value(workers).toInt();

        auto dispatcher = Dispatcher::standard(url);
        if (parser.isSet(quiet))
            dispatcher->setLogSink(nullptr);
        HttpServer server(*dispatcher, options);
        QString error;
        if (!server.listen(&error)) {
            say(error);
            return 1;
        }
        say(QStringLiteral("Servidor de aplicação em http://%1:%2/call sobre %3")
                .arg(options.address.toString())
                .arg(server.port())
                .arg(url.display()));
        return app.exec();
    } catch (const EErro &e) {
        say(e.message());
        return 1;
    }
}
