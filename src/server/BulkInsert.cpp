#include "BulkInsert.h"

#include "EErro.h"
#include "TADOIBQuery.h"

#include "SqlRows.h"

#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

namespace cns {

BulkInsert::BulkInsert(QSqlDatabase &db, QString table, QStringList columns)
    : m_db(db), m_table(std::move(table)), m_columns(std::move(columns))
{
    if (m_columns.isEmpty())
        throw EErro(QStringLiteral("Carga da tabela %1 sem colunas.").arg(m_table));
    m_rowsPerBatch = qMax(1, kMaxParameters / int(m_columns.size()));
    if (sqlite3 *sdb = SqlRows::sqliteHandle(m_db)) {
        // OR FAIL: a row's constraints are all checked before anything of it is written, so the
        // statement needs no journal of its own to undo half a row, which plain INSERT (ABORT)
        // opens for every row of a table with indexes. A failure still ends the whole call's
        // transaction.
        const QByteArray sql = statement(1, QStringLiteral("INSERT OR FAIL")).toUtf8();
        if (sqlite3_prepare_v2(sdb, sql.constData(), int(sql.size()), &m_native, nullptr) != SQLITE_OK)
            throw EErro(QStringLiteral("Falha ao preparar a carga da tabela %1: %2").arg(m_table, QString::fromUtf8(sqlite3_errmsg(sdb))));
        if (m_native) {
            m_nullBound.assign(size_t(m_columns.size()), false);
            return;
        }
    }
    m_pending.reserve(qsizetype(m_rowsPerBatch) * m_columns.size());
    m_row.resize(m_columns.size());
}

BulkInsert::~BulkInsert()
{
    sqlite3_finalize(m_native);
}

void BulkInsert::add(const QList<Value> &row)
{
    if (row.size() != m_columns.size())
        throw EErro(QStringLiteral("Carga da tabela %1: linha com %2 valores para %3 colunas.")
                        .arg(m_table)
                        .arg(row.size())
                        .arg(m_columns.size()));
    for (int i = 0; i < row.size(); ++i)
        set(i, row.at(i));
    endRow();
}

void BulkInsert::setText(int column, QByteArrayView utf8)
{
    if (!m_native) {
        m_row[column] = QString::fromUtf8(utf8);
        return;
    }
    m_nullBound[size_t(column)] = false;
    // Bound without a copy: the caller keeps the bytes until endRow().
    if (sqlite3_bind_text64(m_native, column + 1, utf8.data() ? utf8.data() : "", sqlite3_uint64(utf8.size()), SQLITE_STATIC,
                            SQLITE_UTF8)
        != SQLITE_OK)
        throw EErro(QStringLiteral("Erro no banco de dados ao passar o parâmetro %1.").arg(column + 1));
}

void BulkInsert::setNull(int column)
{
    // Bindings outlive sqlite3_reset(): a column that stays empty row after row (most columns of
    // an import) is bound once.
    if (m_native && m_nullBound[size_t(column)])
        return;
    set(column, Value());
}

void BulkInsert::set(int column, const Value &v)
{
    if (m_native) {
        SqlRows::bindSqlite(m_native, column + 1, v);
        m_nullBound[size_t(column)] = v.isNull();
    } else
        m_row[column] = TADOIBQuery::toSqlValue(v);
}

void BulkInsert::endRow()
{
    if (m_native) {
        const int rc = sqlite3_step(m_native);
        sqlite3_reset(m_native);
        if (rc != SQLITE_DONE)
            throw EErro(QStringLiteral("Falha ao gravar na tabela %1: %2").arg(m_table, QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_native)))));
        ++m_written;
        return;
    }
    m_pending.append(m_row);
    if (m_pending.size() >= qsizetype(m_rowsPerBatch) * m_columns.size())
        flush();
}

void BulkInsert::finish()
{
    flush();
}

void BulkInsert::flush()
{
    const int rows = int(m_pending.size() / m_columns.size());
    if (rows == 0)
        return;
    if (rows == m_rowsPerBatch) {
        if (!m_full) {
            m_full.emplace(m_db);
            if (!m_full->prepare(statement(rows))) {
                const QString text = m_full->lastError().text();
                m_full.reset();
                throw EErro(QStringLiteral("Falha ao preparar a carga da tabela %1: %2").arg(m_table, text));
            }
        }
        execute(*m_full, rows);
        return;
    }
    QSqlQuery q(m_db);
    if (!q.prepare(statement(rows)))
        throw EErro(QStringLiteral("Falha ao preparar a carga da tabela %1: %2").arg(m_table, q.lastError().text()));
    execute(q, rows);
}

void BulkInsert::execute(QSqlQuery &q, int rows)
{
    for (const QVariant &v : std::as_const(m_pending))
        q.addBindValue(v);
    // The batch is dropped even when it fails: the caller's transaction is lost anyway.
    m_pending.clear();
    if (!q.exec())
        throw EErro(QStringLiteral("Falha ao gravar na tabela %1: %2").arg(m_table, q.lastError().text()));
    m_written += rows;
}

QString BulkInsert::statement(int rows, const QString &verb) const
{
    QString one = QStringLiteral("(?");
    for (qsizetype i = 1; i < m_columns.size(); ++i)
        one += QStringLiteral(",?");
    one += u')';
    QString sql = QStringLiteral("%1 INTO %2 (%3) VALUES ").arg(verb, m_table, m_columns.join(u','));
    sql.reserve(sql.size() + rows * (one.size() + 1));
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            sql += u',';
        sql += one;
    }
    return sql;
}

} // namespace cns
