// cns-import: the consumer import of the import screen, on the command line (batch jobs).
#include "BatchDialogs.h"
#include "Consiste.h"
#include "ConsistencyRun.h"
#include "Corvane.h"
#include "DatabaseUrl.h"
#include "Dispatcher.h"
#include "EAbort.h"
#include "EErro.h"
#include "ImportEngine.h"
#include "ImportLogCsv.h"
#include "ImportMessages.h"
#include "TADOIBQuery.h"
#include "SystemUser.h"
#include "TNetConnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMap>
#include <cstdio>

using namespace cns;
using namespace cns::import;

namespace {

// Exit statuses besides 0 (done) and 1 (bad use, bad input, a failure).
constexpr int kStopped = 2; // blocking problems stop the import
constexpr int kRefused = 3; // the server refused it

void out(const QString &text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
}

void err(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

bool parseServer(const QString &text, Corvane::SimpleContext *ctx)
{
    const qsizetype colon = text.lastIndexOf(u':');
    bool ok = false;
    const int port = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port <= 0 || port > 65535)
        return false;
    ctx->webURL = text.left(colon);
    ctx->webPort = port;
    return true;
}

// The counts, and the findings per message key in the order they first appear.
void report(const ImportEngine &engine)
{
    out(QStringLiteral("Registros carregados: %1").arg(engine.loadedCount()));
    out(QStringLiteral("Registros a importar: %1").arg(engine.rowsToImport()));
    QStringList order;
    QMap<QString, int> counts;
    const DataSet &log = engine.cdsLogImp;
    const int message = log.FieldByName(u"DSLOGIMP").Index();
    for (int i = 0; i < log.rowCount(); ++i) {
        const QString text = log.rowValue(i, message).toString();
        if (!counts.contains(text))
            order.append(text);
        ++counts[text];
    }
    if (order.isEmpty())
        return;
    out(QStringLiteral("Ocorrências:"));
    for (const QString &text : std::as_const(order)) {
        const QString key = ImportMessages::keyOf(text);
        out(QStringLiteral("  %1 (%2): %3 - %4")
                .arg(key, ConsistencyRun::isWarning(key) ? QStringLiteral("aviso") : QStringLiteral("bloqueante"))
                .arg(counts.value(text))
                .arg(text));
    }
}

struct Options
{
    QString db, server, token, branch, layout, client, log, operador;
    QStringList files;
    bool perBranch = false, clientFromFile = false, check = false, confirm = false;
};

int run(const Options &o)
{
    const DatabaseUrl url = DatabaseUrl::parse(o.db);
    Corvane::SimpleContext ctx;
    ctx.filiProc = Consiste::Ajusta(o.branch, 4);
    ctx.moduFili = o.perBranch;
    ctx.operador = o.operador;
    ctx.serverToken = o.token;
    std::unique_ptr<Dispatcher> dispatcher;
    if (o.server.isEmpty()) {
        dispatcher = Dispatcher::standard(url);
        dispatcher->setLogSink(nullptr);
        TNetConnection::setInProcessTarget(dispatcher.get());
    } else if (!parseServer(o.server, &ctx)) {
        throw EErro(QStringLiteral("--server: informe HOST:PORTA (veio \"%1\").").arg(o.server));
    }
    url.open(TADOIBQuery::defaultConnectionName());
    Corvane::install(&ctx);
    BatchDialogs dialogs(o.confirm);
    HostDialogs::install(&dialogs);

    TNetConnection net(QStringLiteral("Cns72200.rdmImportConsu"));
    net.Open();
    ImportEngine engine(net, ImportMessages::table());
    engine.clientFromFile = o.clientFromFile;
    if (!o.clientFromFile)
        engine.Vd_CdCliente(Consiste::Ajusta_Inscricao(o.client), true);
    engine.Vd_Layout(o.layout, true);
    out(QStringLiteral("Layout %1 - %2 (filial %3)")
            .arg(engine.layoutField(u"CDLAYOUTIMP"), engine.layoutField(u"NMLAYOUTIMP"), engine.layoutField(u"CDFILIAL")));
    engine.getTabLayoutImp();
    engine.replaceFiles(o.files);

    ImportProgress quiet;
    int status = 0;
    auto finish = [&] {
        report(engine);
        if (!o.log.isEmpty())
            ImportLogCsv::save(engine.cdsLogImp, o.log);
    };
    engine.Carregar(quiet);
    if (o.check) {
        engine.ChamaGeraLog(quiet, false);
        if (engine.boParaImp && engine.layoutField(u"IDPARALISAIMPARQ") != u"N")
            status = kStopped;
        finish();
        return status;
    }
    try {
        const ImportEngine::Outcome outcome = engine.Confirmar(quiet);
        if (outcome == ImportEngine::Outcome::Stopped)
            status = kStopped;
        else if (outcome != ImportEngine::Outcome::Imported)
            status = 1;
    } catch (const EErroServidor &e) {
        err(e.message());
        status = kRefused;
    }
    finish();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cns-import"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Importação de consumidores por layout, sem tela: carga, consistências e confirmação."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("db"), QStringLiteral("Banco (sqlite:ARQUIVO ou postgresql://...), para as consultas e o servidor interno."), QStringLiteral("URL")},
        {QStringLiteral("server"), QStringLiteral("Servidor de aplicação HOST:PORTA (sem ele, o servidor roda neste processo)."), QStringLiteral("HOST:PORTA")},
        {QStringLiteral("token"), QStringLiteral("Token do servidor de aplicação (fora de 127.0.0.1)."), QStringLiteral("TOKEN")},
        {QStringLiteral("branch"), QStringLiteral("Filial de processamento."), QStringLiteral("FILIAL")},
        {QStringLiteral("per-branch"), QStringLiteral("A instalação trabalha por filial.")},
        {QStringLiteral("layout"), QStringLiteral("Código do layout."), QStringLiteral("LAYOUT")},
        {QStringLiteral("client"), QStringLiteral("Inscrição do cliente (cliente informado pelo usuário)."), QStringLiteral("NR")},
        {QStringLiteral("client-from-file"), QStringLiteral("Cliente importado via arquivo texto.")},
        {QStringLiteral("file"), QStringLiteral("Arquivo a ler em lugar dos arquivos do layout (pode repetir)."), QStringLiteral("ARQUIVO")},
        {QStringLiteral("check"), QStringLiteral("Só as consistências, sem importar.")},
        {QStringLiteral("confirm"), QStringLiteral("Consistências e importação.")},
        {QStringLiteral("log"), QStringLiteral("Grava o log de importação neste arquivo CSV."), QStringLiteral("ARQUIVO.csv")},
        {QStringLiteral("operator"), QStringLiteral("Operador registrado no histórico dos consumidores (padrão: o usuário do sistema)."),
         QStringLiteral("OPERADOR")},
    });
    p.process(app);
    Options o;
    o.db = p.value(QStringLiteral("db"));
    o.server = p.value(QStringLiteral("server"));
    o.token = p.value(QStringLiteral("token"));
    o.branch = p.value(QStringLiteral("branch"));
    o.perBranch = p.isSet(QStringLiteral("per-branch"));
    o.layout = p.value(QStringLiteral("layout"));
    o.client = p.value(QStringLiteral("client"));
    o.clientFromFile = p.isSet(QStringLiteral("client-from-file"));
    o.files = p.values(QStringLiteral("file"));
    o.check = p.isSet(QStringLiteral("check"));
    o.confirm = p.isSet(QStringLiteral("confirm"));
    o.log = p.value(QStringLiteral("log"));
    o.operador = p.isSet(QStringLiteral("operator")) ? p.value(QStringLiteral("operator")).trimmed() : systemUserName();
    QString bad;
    if (o.db.isEmpty() || o.branch.isEmpty() || o.layout.isEmpty())
        bad = QStringLiteral("Informe --db, --branch e --layout.");
    else if (o.client.isEmpty() == !o.clientFromFile)
        bad = QStringLiteral("Informe --client NR ou --client-from-file (um dos dois).");
    else if (o.operador.isEmpty())
        bad = QStringLiteral("Informe o operador com --operator: o usuário do sistema não foi encontrado.");
    else if (o.check == o.confirm)
        bad = QStringLiteral("Informe --check ou --confirm (um dos dois).");
    if (!bad.isEmpty()) {
        err(bad);
        err(p.helpText());
        return 1;
    }
    try {
        return run(o);
    } catch (const EAbort &) {
        return 1; // the message was already shown
    } catch (const EErroServidor &e) {
        err(e.message());
        return kRefused;
    } catch (const EErro &e) {
        err(e.message());
        return 1;
    }
}
