#include "MultiRowInsert.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "TADOIBQuery.h"

#include <QSqlError>

namespace cns {

MultiRowInsert::MultiRowInsert(QSqlDatabase &db, QString table, QStringList columns)
    : BulkInsert(std::move(table), std::move(columns)), m_db(db)
{
    m_rowsPerBatch = qMax(1, kMaxParameters / int(m_columns.size()));
    m_pending.reserve(qsizetype(m_rowsPerBatch) * m_columns.size());
    m_row.resize(m_columns.size());
}

void MultiRowInsert::set(int column, const Value &v)
{
    m_row[column] = TADOIBQuery::toSqlValue(v);
}

void MultiRowInsert::endRow()
{
    m_pending.append(m_row);
    if (m_pending.size() >= qsizetype(m_rowsPerBatch) * m_columns.size())
        flush();
}

void MultiRowInsert::finish()
{
    flush();
}

void MultiRowInsert::flush()
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
                throw EErroBanco(QStringLiteral("Falha ao preparar a carga da tabela %1: %2").arg(m_table, text));
            }
        }
        execute(*m_full, rows);
        return;
    }
    QSqlQuery q(m_db);
    if (!q.prepare(statement(rows)))
        throw EErroBanco(QStringLiteral("Falha ao preparar a carga da tabela %1: %2").arg(m_table, q.lastError().text()));
    execute(q, rows);
}

void MultiRowInsert::execute(QSqlQuery &q, int rows)
{
    for (const QVariant &v : std::as_const(m_pending))
        q.addBindValue(v);
    // The batch is dropped even when it fails: the caller's transaction is lost anyway.
    m_pending.clear();
    if (!q.exec())
        fail(q.lastError().text());
    m_written += rows;
}

QString MultiRowInsert::statement(int rows) const
{
    QString one = QStringLiteral("(?");
    for (qsizetype i = 1; i < m_columns.size(); ++i)
        one += QStringLiteral(",?");
    one += u')';
    QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(m_table, m_columns.join(u','));
    sql.reserve(sql.size() + rows * (one.size() + 1));
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            sql += u',';
        sql += one;
    }
    return sql;
}

} // namespace cns
