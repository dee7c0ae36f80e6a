#include "BenchStore.h"

#include "DemoData.h"
#include "Schema.h"
#include "SqlDialect.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

// A connection of its own for one piece of work, gone when the work is done: a PostgreSQL
// database cannot be copied while any connection to it stays open.
template<typename Work>
auto withConnection(const cns::DatabaseUrl &url, Work &&work)
{
    static int serial = 0;
    const QString name = QStringLiteral("bench-store-%1").arg(++serial);
    struct Remove
    {
        QString name;
        ~Remove() { QSqlDatabase::removeDatabase(name); }
    } remove{name};
    QSqlDatabase db = url.open(name);
    return work(db);
}

void exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
}

} // namespace

BenchStore BenchStore::sqlite(const QString &dir)
{
    BenchStore s;
    s.m_dir = dir;
    return s;
}

std::vector<BenchStore> BenchStore::chosen(const QString &only, const QString &dir, const QString &prefix, const char *runner)
{
    std::vector<BenchStore> stores;
    if (only != u"postgresql")
        stores.push_back(sqlite(dir));
    const QString pg = qEnvironmentVariable("CNS_TEST_PG_URL");
    if (only != u"sqlite") {
        if (!pg.isEmpty())
            stores.push_back(postgresql(pg, prefix));
        else
            std::printf("CNS_TEST_PG_URL not set: PostgreSQL is not measured (%s starts a cluster)\n", runner);
    }
    return stores;
}

BenchStore BenchStore::postgresql(const QString &serverUrl, const QString &prefix)
{
    BenchStore s;
    s.m_sqlite = false;
    s.m_serverUrl = serverUrl;
    s.m_prefix = prefix;
    return s;
}

QString BenchStore::path(const QString &name) const
{
    if (m_sqlite)
        return QStringLiteral("sqlite:%1/%2.db").arg(m_dir, name);
    QUrl url(m_serverUrl);
    url.setPath(u'/' + m_prefix + name);
    return url.toString();
}

void BenchStore::makeSeed(int benchConsumers)
{
    if (!m_sqlite) {
        withConnection(cns::DatabaseUrl::parse(m_serverUrl), [this](QSqlDatabase &admin) {
            exec(admin, QStringLiteral("DROP DATABASE IF EXISTS %1seed WITH (FORCE)").arg(m_prefix));
            exec(admin, QStringLiteral("CREATE DATABASE %1seed").arg(m_prefix));
        });
    }
    m_seed = cns::DatabaseUrl::parse(path(QStringLiteral("seed")));
    withConnection(m_seed, [benchConsumers](QSqlDatabase &db) {
        cns::Schema::createOrUpgrade(db);
        cns::DemoData::Options options;
        options.small = true;
        options.benchClientConsumers = benchConsumers;
        cns::DemoData::seed(db, options);
    });
}

cns::DatabaseUrl BenchStore::fresh(const QString &name) const
{
    const cns::DatabaseUrl url = cns::DatabaseUrl::parse(path(name));
    if (m_sqlite) {
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(url.path() + QLatin1String(suffix));
        if (!QFile::copy(m_seed.path(), url.path()))
            fail(QStringLiteral("cannot copy %1").arg(m_seed.path()));
        return url;
    }
    withConnection(cns::DatabaseUrl::parse(m_serverUrl), [&](QSqlDatabase &admin) {
        exec(admin, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.path()));
        exec(admin, QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(url.path(), m_seed.path()));
    });
    return url;
}

QString BenchStore::psqlTarget(const cns::DatabaseUrl &url) const
{
    QString target = QStringLiteral("dbname=%1").arg(url.path());
    if (!url.host().isEmpty())
        target += QStringLiteral(" host=%1").arg(url.host());
    if (url.port() > 0)
        target += QStringLiteral(" port=%1").arg(url.port());
    if (!url.user().isEmpty())
        target += QStringLiteral(" user=%1").arg(url.user());
    return target;
}

void BenchStore::shell(const QStringList &arguments, const QString &script) const
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    if (m_sqlite)
        p.start(QStringLiteral("sqlite3"), QStringList{QStringLiteral("-bail")} + arguments);
    else
        p.start(QStringLiteral("psql"), QStringList{QStringLiteral("-q"), QStringLiteral("-X"), QStringLiteral("-v"),
                                                    QStringLiteral("ON_ERROR_STOP=1")} + arguments);
    if (!p.waitForStarted())
        fail(QStringLiteral("cannot start the %1 shell").arg(name()));
    p.write(script.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(QStringLiteral("the %1 shell failed on:\n%2").arg(name(), script.left(2000)));
}

double BenchStore::run(const cns::DatabaseUrl &url, const QString &script) const
{
    QElapsedTimer t;
    t.start();
    shell(m_sqlite ? QStringList{url.path()} : QStringList{psqlTarget(url)}, script);
    return double(t.nsecsElapsed()) / 1e6;
}

void BenchStore::exportCsv(const cns::DatabaseUrl &url, const QString &select, const QString &csvPath) const
{
    if (m_sqlite)
        shell({url.path()}, QStringLiteral(".mode csv\n.headers on\n.nullvalue '\\N'\n.once '%1'\n%2;\n").arg(csvPath, select));
    else
        shell({psqlTarget(url)}, QStringLiteral("\\copy (%1) TO '%2' WITH (FORMAT csv, HEADER)\n").arg(select, csvPath));
}

QString BenchStore::stage(const QString &csvPath) const
{
    // Indexed by the consumer's key, as the statements that join it look for rows by that key.
    if (m_sqlite)
        return QStringLiteral(".import --csv --schema temp '%1' ENTRADA\n"
                              "CREATE INDEX temp.ENTRADA_CHAVE ON ENTRADA (CDCLIENTE, CDCONSUMIDOR);\n")
            .arg(csvPath);
    return QStringLiteral("CREATE TEMPORARY TABLE ENTRADA (LIKE CONSUMIDOR);\n"
                          "\\copy ENTRADA FROM '%1' WITH (FORMAT csv, HEADER)\n"
                          "CREATE INDEX ON ENTRADA (CDCLIENTE, CDCONSUMIDOR);\nANALYZE ENTRADA;\n")
        .arg(csvPath);
}

QString BenchStore::staged(const QString &column) const
{
    return m_sqlite ? QStringLiteral("NULLIF(E.%1, '\\N')").arg(column) : QStringLiteral("E.%1").arg(column);
}

QString BenchStore::sessionSetup() const
{
    if (!m_sqlite)
        return {};
    QString out;
    for (const QString &statement : cns::SqlDialect::forDriver(u"QSQLITE").sessionSetup)
        out += statement + QStringLiteral(";\n");
    return out;
}

qint64 BenchStore::count(const cns::DatabaseUrl &url, const QString &sql) const
{
    return withConnection(url, [&sql](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(sql) || !q.next())
            fail(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
        return q.value(0).toLongLong();
    });
}

QStringList BenchStore::texts(const cns::DatabaseUrl &url, const QString &sql) const
{
    return withConnection(url, [&sql](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            fail(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
        QStringList out;
        while (q.next())
            out.append(q.value(0).toString());
        return out;
    });
}

QStringList BenchStore::columns(const cns::DatabaseUrl &url, const QString &table) const
{
    return withConnection(url, [&table](QSqlDatabase &db) {
        QSqlQuery q(db);
        const QString sql = QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table);
        if (!q.exec(sql))
            fail(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
        QStringList out;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            out.append(r.fieldName(i).toUpper());
        return out;
    });
}

} // namespace bench
