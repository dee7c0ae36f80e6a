#include "TestDatabases.h"

#include "DatabaseUrl.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>

namespace TestDatabases {

QString postgresServerUrl()
{
    return qEnvironmentVariable("CNS_TEST_PG_URL");
}

QString freshPostgres(const QString &suite)
{
    const QString server = postgresServerUrl();
    if (server.isEmpty())
        return {};
    const QString name = suite.toLower();
    {
        QSqlDatabase admin = cns::DatabaseUrl::parse(server).open(QStringLiteral("pg-admin-") + name);
        QSqlQuery q(admin);
        q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + name + QStringLiteral(" WITH (FORCE)"));
        if (!q.exec(QStringLiteral("CREATE DATABASE ") + name))
            qFatal("cannot create test database %s: %s", qPrintable(name), qPrintable(q.lastError().text()));
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pg-admin-") + name);
    QUrl url(server);
    url.setPath(u'/' + name);
    return url.toString();
}

QString freshSqlite(const QString &suite)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(suite + QStringLiteral(".db"));
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    return QStringLiteral("sqlite:") + path;
}

} // namespace TestDatabases
