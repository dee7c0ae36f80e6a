#include "DatabaseUrl.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "SqlDialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

namespace cns {

DatabaseUrl DatabaseUrl::parse(const QString &url)
{
    DatabaseUrl u;
    u.m_text = url;
    if (url.startsWith(u"sqlite:")) {
        u.m_driver = QStringLiteral("QSQLITE");
        u.m_path = url.mid(7);
        if (u.m_path.startsWith(u"//"))
            u.m_path = u.m_path.mid(2);
        if (u.m_path.isEmpty())
            throw EErro(QStringLiteral("Endereço de banco inválido \"%1\": falta o caminho do arquivo SQLite.").arg(url));
        return u;
    }
    if (url.startsWith(u"postgresql://") || url.startsWith(u"postgres://")) {
        const QUrl q(url, QUrl::StrictMode);
        if (!q.isValid())
            throw EErro(QStringLiteral("Endereço de banco inválido \"%1\": %2.").arg(u.display(), q.errorString()));
        u.m_driver = QStringLiteral("QPSQL");
        u.m_host = q.host();
        u.m_port = q.port(-1);
        u.m_user = q.userName();
        u.m_password = q.password();
        u.m_path = q.path().mid(1);
        QUrlQuery query(q);
        QStringList options;
        for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
            if (key == u"host")
                u.m_host = value;
            else if (key == u"port")
                u.m_port = value.toInt();
            else if (key == u"user")
                u.m_user = value;
            else if (key == u"password")
                u.m_password = value;
            else if (key == u"dbname")
                u.m_path = value;
            else
                options.append(key + u'=' + value);
        }
        u.m_options = options.join(u';');
        if (u.m_path.isEmpty())
            throw EErro(QStringLiteral("Endereço de banco inválido \"%1\": falta o nome do banco.").arg(u.display()));
        return u;
    }
    throw EErro(QStringLiteral("Endereço de banco inválido \"%1\": use sqlite:CAMINHO ou postgresql://...").arg(url));
}

QString DatabaseUrl::display() const
{
    if (m_password.isEmpty())
        return m_text;
    QString t = m_text;
    return t.replace(u':' + m_password + u'@', QStringLiteral(":***@"));
}

QSqlDatabase DatabaseUrl::open(const QString &connectionName, int busyTimeoutMs) const
{
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(m_driver, connectionName);
    if (!db.isValid())
        throw EErro(QStringLiteral("O driver %1 do Qt não está instalado.").arg(m_driver));
    db.setDatabaseName(m_path);
    if (isSqlite()) {
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    } else {
        if (!m_host.isEmpty())
            db.setHostName(m_host);
        if (m_port > 0)
            db.setPort(m_port);
        db.setUserName(m_user);
        db.setPassword(m_password);
        db.setConnectOptions(m_options);
    }
    if (!db.open())
        throw EErroBanco(QStringLiteral("Não foi possível abrir o banco %1: %2").arg(display(), db.lastError().text()));
    const SqlDialect &dialect = SqlDialect::of(db);
    QSqlQuery q(db);
    try {
        for (const QString &statement : dialect.sessionSetup) {
            if (!q.exec(statement))
                throw EErroBanco(q.lastError().text());
        }
        if (dialect.opened)
            dialect.opened(db, m_path);
    } catch (const EErro &e) {
        throw EErroBanco(QStringLiteral("Banco %1: %2").arg(display(), e.message()));
    }
    return db;
}

} // namespace cns
