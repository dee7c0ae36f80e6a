#include "DbSession.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "SqlRows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <memory>
#include <unordered_map>

namespace cns {

namespace {
// One session per database per thread, dropped with the thread.
thread_local std::unordered_map<std::string, std::unique_ptr<DbSession>> t_sessions;
std::atomic<int> g_connectionSerial{0};
} // namespace

DbSession &DbSession::forThread(const DatabaseUrl &url)
{
    const std::string key = url.text().toStdString();
    auto it = t_sessions.find(key);
    if (it != t_sessions.end())
        return *it->second;
    const QString name = QStringLiteral("cns-server-%1").arg(++g_connectionSerial);
    std::unique_ptr<DbSession> session(new DbSession(url, name));
    DbSession &ref = *session;
    t_sessions.emplace(key, std::move(session));
    return ref;
}

DbSession::DbSession(const DatabaseUrl &url, const QString &connectionName)
    : m_connectionName(connectionName), m_db(url.open(connectionName)), m_dialect(&SqlDialect::of(m_db))
{
}

DbSession::~DbSession()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void DbSession::run(const QString &statement)
{
    QSqlQuery q(m_db);
    if (!q.exec(statement))
        throw EErroBanco(QStringLiteral("Erro no banco de dados: %1").arg(q.lastError().text()));
}

void DbSession::temporaryTable(const QString &name, const QString &definition)
{
    run(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    run(QStringLiteral("CREATE TEMPORARY TABLE %1 %2").arg(name, definition));
}

void DbSession::begin(bool write)
{
    run(write ? m_dialect->beginWrite : m_dialect->beginRead);
    m_inTransaction = true;
}

void DbSession::commit()
{
    run(QStringLiteral("COMMIT"));
    m_inTransaction = false;
}

void DbSession::rollback() noexcept
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    QSqlQuery q(m_db);
    q.exec(QStringLiteral("ROLLBACK"));
}

bool DbSession::idle()
{
    return m_inTransaction || !m_dialect->idle || m_dialect->idle(m_db);
}

Packet DbSession::select(const QString &sql, const QHash<QString, Value> &params, const QList<FieldDef> &fields)
{
    return SqlRows::select(m_db, sql, params, fields);
}

int DbSession::exec(const QString &sql, const QHash<QString, Value> &params)
{
    return SqlRows::exec(m_db, sql, params);
}

qint64 DbSession::count(const QString &sql, const QHash<QString, Value> &params)
{
    const Packet p = select(sql, params, {{QStringLiteral("N"), FieldType::Integer, 0}});
    return p.rowCount() == 0 ? 0 : p.value(0, 0).toInt();
}

} // namespace cns
