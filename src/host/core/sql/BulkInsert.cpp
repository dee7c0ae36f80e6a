#include "BulkInsert.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "SqlDialect.h"

namespace cns {

BulkInsert::BulkInsert(QString table, QStringList columns) : m_table(std::move(table)), m_columns(std::move(columns))
{
    if (m_columns.isEmpty())
        throw EErro(QStringLiteral("Carga da tabela %1 sem colunas.").arg(m_table));
}

std::unique_ptr<BulkInsert> BulkInsert::open(QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    return SqlDialect::of(db).bulkInsert(db, table, columns);
}

void BulkInsert::insertRows(QSqlDatabase &db, const QString &table, const QStringList &columns, qsizetype count,
                            const RowFill &fill)
{
    if (count > 0)
        SqlDialect::of(db).insertRows(db, table, columns, count, fill);
}

void BulkInsert::insertRowsOneByOne(QSqlDatabase &db, const QString &table, const QStringList &columns, qsizetype count,
                                    const RowFill &fill)
{
    const std::unique_ptr<BulkInsert> sink = open(db, table, columns);
    for (qsizetype i = 0; i < count; ++i)
        fill(i, *sink);
    sink->finish();
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

void BulkInsert::fail(const QString &what) const
{
    throw EErroBanco(QStringLiteral("Falha ao gravar na tabela %1: %2").arg(m_table, what));
}

} // namespace cns
