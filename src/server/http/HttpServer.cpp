#include "HttpServer.h"

#include "HttpConnection.h"
#include "HttpListener.h"

#include <QThread>

namespace cns {

HttpServer::HttpServer(CallTarget &target, Options options, QObject *parent)
    : QObject(parent), m_target(target), m_options(std::move(options)), m_server(std::make_unique<HttpListener>())
{
    const int workers = m_options.workers > 0 ? m_options.workers : std::max(4, QThread::idealThreadCount() * 2);
    m_pool.setMaxThreadCount(workers);
    m_pool.setExpiryTimeout(-1); // workers keep their database sessions
    connect(m_server.get(), &HttpListener::accepted, this, [this](qintptr descriptor) { new HttpConnection(descriptor, *this); });
}

HttpServer::~HttpServer()
{
    m_server->close();
    m_pool.waitForDone();
}

bool HttpServer::listen(QString *error)
{
    if (!m_options.address.isLoopback() && m_options.token.isEmpty()) {
        *error = QStringLiteral("O endereço %1 não é local: informe um token (--token-file) para aceitar conexões.")
                     .arg(m_options.address.toString());
        return false;
    }
    m_server->setListenBacklogSize(m_options.listenBacklog);
    if (!m_server->listen(m_options.address, m_options.port)) {
        *error = QStringLiteral("Não foi possível escutar em %1:%2: %3")
                     .arg(m_options.address.toString())
                     .arg(m_options.port)
                     .arg(m_server->errorString());
        return false;
    }
    return true;
}

quint16 HttpServer::port() const
{
    return m_server->serverPort();
}

} // namespace cns
