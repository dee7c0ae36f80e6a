#include "SqliteBulkInsert.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "SqliteRows.h"

#include <sqlite3.h>

namespace cns {

SqliteBulkInsert::SqliteBulkInsert(QSqlDatabase &db, QString table, QStringList columns)
    : BulkInsert(std::move(table), std::move(columns))
{
    sqlite3 *sdb = SqliteRows::handle(db);
    QString params = QStringLiteral("?");
    for (qsizetype i = 1; i < m_columns.size(); ++i)
        params += QStringLiteral(",?");
    // OR FAIL: a row's constraints are all checked before anything of it is written, so the
    // statement needs no journal of its own to undo half a row, which plain INSERT (ABORT) opens
    // for every row of a table with indexes. A failure still ends the whole call's transaction.
    const QByteArray sql = QStringLiteral("INSERT OR FAIL INTO %1 (%2) VALUES (%3)").arg(m_table, m_columns.join(u','), params).toUtf8();
    if (!sdb || sqlite3_prepare_v2(sdb, sql.constData(), int(sql.size()), &m_stmt, nullptr) != SQLITE_OK)
        throw EErroBanco(QStringLiteral("Falha ao preparar a carga da tabela %1: %2")
                        .arg(m_table, sdb ? QString::fromUtf8(sqlite3_errmsg(sdb)) : QStringLiteral("conexão sem SQLite")));
    m_nullBound.assign(size_t(m_columns.size()), false);
}

SqliteBulkInsert::~SqliteBulkInsert()
{
    sqlite3_finalize(m_stmt);
}

void SqliteBulkInsert::setText(int column, QByteArrayView utf8)
{
    m_nullBound[size_t(column)] = false;
    // Bound without a copy: the caller keeps the bytes until endRow().
    if (sqlite3_bind_text64(m_stmt, column + 1, utf8.data() ? utf8.data() : "", sqlite3_uint64(utf8.size()), SQLITE_STATIC,
                            SQLITE_UTF8)
        != SQLITE_OK)
        throw EErroBanco(QStringLiteral("Erro no banco de dados ao passar o parâmetro %1.").arg(column + 1));
}

void SqliteBulkInsert::setNull(int column)
{
    // Bindings outlive sqlite3_reset(): a column that stays empty row after row (most columns of an
    // import) is bound once.
    if (!m_nullBound[size_t(column)])
        set(column, Value());
}

void SqliteBulkInsert::set(int column, const Value &v)
{
    SqliteRows::bind(m_stmt, column + 1, v);
    m_nullBound[size_t(column)] = v.isNull();
}

void SqliteBulkInsert::endRow()
{
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE)
        fail(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt))));
    ++m_written;
}

} // namespace cns
