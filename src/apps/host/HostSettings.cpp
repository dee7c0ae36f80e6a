#include "HostSettings.h"

#include "EErro.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>

namespace {

struct Opt
{
    const char *name;
    const char *key; // in the settings file
    const char *help;
};

const Opt kOptions[] = {
    {"operator", "operador/codigo", "Código do operador."},
    {"operator-name", "operador/nome", "Nome do operador."},
    {"branch", "filial/codigo", "Filial de processamento."},
    {"branch-name", "filial/nome", "Nome da filial de processamento."},
    {"server", "servidor/endereco", "Servidor de aplicação host:porta (vazio: dentro do host)."},
    {"token", "servidor/token", "Token do servidor de aplicação."},
    {"db", "banco/url", "Banco de dados (sqlite:CAMINHO ou postgresql://...)."},
    {"idbio-library", "leitor/idbio", "Biblioteca do leitor biométrico iDBio (vazio: libcidbio pelo nome)."},
};

} // namespace

void HostSettings::addOptions(QCommandLineParser &parser)
{
    for (const Opt &o : kOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(o.name), QString::fromUtf8(o.help), QStringLiteral("valor")));
    parser.addOption(QCommandLineOption(QStringLiteral("per-branch"), QStringLiteral("A instalação trabalha por filial.")));
    parser.addOption(QCommandLineOption(QStringLiteral("settings"), QStringLiteral("Arquivo de configuração."), QStringLiteral("arquivo")));
    parser.addOption(QCommandLineOption(QStringLiteral("open"), QStringLiteral("Abre um ponto de entrada ao iniciar (ex.: CriaConsumidor)."),
                                        QStringLiteral("entrada")));
    parser.addOption(QCommandLineOption(QStringLiteral("screenshot"), QStringLiteral("Grava a janela ativa em PNG depois de aberta."),
                                        QStringLiteral("arquivo.png")));
    parser.addOption(QCommandLineOption(QStringLiteral("quit-after-screenshot"), QStringLiteral("Termina depois da captura.")));
}

HostSettings HostSettings::load(const QCommandLineParser &parser)
{
    HostSettings s;
    s.settingsFile = parser.isSet(QStringLiteral("settings"))
        ? parser.value(QStringLiteral("settings"))
        : QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/cns-host.ini");
    QSettings file(s.settingsFile, QSettings::IniFormat);
    auto value = [&](const Opt &o, const QString &current) {
        const QString fromFile = file.value(QString::fromLatin1(o.key), current).toString();
        return parser.isSet(QString::fromLatin1(o.name)) ? parser.value(QString::fromLatin1(o.name)) : fromFile;
    };
    s.operatorCode = value(kOptions[0], s.operatorCode);
    s.operatorName = value(kOptions[1], s.operatorName);
    s.branchCode = value(kOptions[2], s.branchCode);
    s.branchName = value(kOptions[3], s.branchName);
    const QString server = value(kOptions[4], QString()).trimmed();
    s.serverToken = value(kOptions[5], QString());
    s.databaseUrl = value(kOptions[6], QString());
    s.idBioLibrary = value(kOptions[7], QString());
    s.perBranch = parser.isSet(QStringLiteral("per-branch")) || file.value(QStringLiteral("filial/porfilial"), false).toBool();
    if (!server.isEmpty()) {
        const qsizetype colon = server.lastIndexOf(u':');
        bool ok = colon > 0;
        const int port = ok ? server.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || port <= 0 || port > 65535)
            throw cns::EErro(QStringLiteral("Endereço do servidor inválido: %1 (use host:porta).").arg(server));
        s.serverHost = server.left(colon);
        s.serverPort = port;
    }
    // The installation's secret for stored passwords: made once and kept with the settings; every
    // workstation of an installation must carry the same one.
    s.installationKey = QByteArray::fromBase64(file.value(QStringLiteral("instalacao/chave")).toByteArray());
    if (s.installationKey.isEmpty()) {
        QByteArray key(32, '\0');
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(key.data()), key.size() / 4);
        s.installationKey = key;
        file.setValue(QStringLiteral("instalacao/chave"), key.toBase64());
    }
    s.openEntries = parser.values(QStringLiteral("open"));
    s.screenshotFile = parser.value(QStringLiteral("screenshot"));
    s.quitAfterScreenshot = parser.isSet(QStringLiteral("quit-after-screenshot"));
    return s;
}

QString HostSettings::demoDatabasePath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return dir + QStringLiteral("/consumidor-demo.db");
}

QString HostSettings::effectiveDatabaseUrl() const
{
    return databaseUrl.isEmpty() ? QStringLiteral("sqlite:") + demoDatabasePath() : databaseUrl;
}
