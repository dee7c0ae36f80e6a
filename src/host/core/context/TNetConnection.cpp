#include "TNetConnection.h"

#include "Corvane.h"
#include "EErro.h"
#include "HttpClient.h"
#include "WireEnvelope.h"

namespace {
cns::CallTarget *g_inProcess = nullptr;
}

TNetConnection::TNetConnection(QString serverName) : ServerName(std::move(serverName)) {}

TNetConnection::~TNetConnection() = default;

void TNetConnection::setInProcessTarget(cns::CallTarget *target)
{
    g_inProcess = target;
}

cns::CallTarget *TNetConnection::inProcessTarget()
{
    return g_inProcess;
}

void TNetConnection::Open()
{
    if (m_open)
        return;
    Host = Corvane::WebURL().trimmed();
    Port = Corvane::WebPort();
    if (Host.isEmpty()) {
        if (!g_inProcess)
            throw cns::EErro(QStringLiteral("O servidor de aplicação interno não está disponível."));
        m_open = true;
        return;
    }
    // "http://host" and "host" alike.
    if (Host.startsWith(u"http://"))
        Host = Host.mid(7);
    while (Host.endsWith(u'/'))
        Host.chop(1);
    if (Port <= 0 || Port > 65535)
        throw cns::EErro(QStringLiteral("Porta inválida (%1) para o servidor de aplicação em %2.").arg(Port).arg(Host));
    m_http = std::make_unique<cns::HttpClient>(Host, Port);
    m_http->setTimeouts(ConnectTimeoutMs, ReplyTimeoutMs);
    m_http->setBearerToken(Corvane::context().ServerToken());
    try {
        m_http->connectToServer();
    } catch (...) {
        m_http.reset();
        throw;
    }
    m_open = true;
}

void TNetConnection::Close()
{
    if (m_http)
        m_http->disconnectFromServer();
    m_http.reset();
    m_open = false;
}

bool TNetConnection::Connected() const
{
    return m_open;
}

cns::Value TNetConnection::Call(const QString &method, const QList<cns::Value> &args)
{
    return Call(ServerName, method, args);
}

cns::CallOrigin TNetConnection::origin()
{
    return {Corvane::Operador(), Corvane::FiliProc()};
}

cns::Value TNetConnection::Call(const QString &module, const QString &method, const QList<cns::Value> &args)
{
    Open();
    // Taken at each call: the host may change its operator or branch while a screen stays open.
    const cns::CallOrigin from = origin();
    if (!m_http)
        return g_inProcess->call(module, method, args, from);
    const cns::HttpClient::Response r =
        m_http->post(QByteArrayLiteral("/call"), QByteArrayLiteral("application/json"),
                     cns::WireEnvelope::encodeRequest(module, method, args), from);
    if (!r.contentType.startsWith("application/json"))
        throw cns::EErro(QStringLiteral("O servidor de aplicação em %1 respondeu HTTP %2 sem uma resposta válida.")
                             .arg(m_http->address())
                             .arg(r.status));
    return cns::WireEnvelope::decodeReply(r.body);
}
