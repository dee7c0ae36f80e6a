#include "SqliteRowSource.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "RowCells.h"
#include "SqliteRows.h"

#include <sqlite3.h>
#include <exception>
#include <optional>

namespace cns {

namespace SqliteRowSource {

namespace {

constexpr const char *kName = "cns_linhas";
constexpr int kColumns = 128; // declared columns c0 … c127; the hidden one after them takes the feed

struct Feed
{
    qsizetype count = 0;
    int columns = 0;
    const RowFill *fill = nullptr;
    std::exception_ptr error;
};

struct Cursor : sqlite3_vtab_cursor
{
    Feed *feed = nullptr;
    qsizetype row = 0;
    std::optional<RowCells> cells; // of row; empty past the last
};

// Fills the cells of the cursor's row; an exception may not cross SQLite's frames.
int load(Cursor *c)
{
    if (!c->feed || c->row >= c->feed->count) {
        c->cells.reset();
        return SQLITE_OK;
    }
    try {
        if (!c->cells)
            c->cells.emplace(c->feed->columns);
        (*c->feed->fill)(c->row, *c->cells);
        return SQLITE_OK;
    } catch (...) {
        c->feed->error = std::current_exception();
        c->cells.reset();
        return SQLITE_ERROR;
    }
}

int xConnect(sqlite3 *db, void *, int, const char *const *, sqlite3_vtab **out, char **)
{
    QByteArray schema = "CREATE TABLE x(";
    for (int i = 0; i < kColumns; ++i)
        schema += "c" + QByteArray::number(i) + ",";
    schema += "fonte HIDDEN)";
    const int rc = sqlite3_declare_vtab(db, schema.constData());
    if (rc != SQLITE_OK)
        return rc;
    *out = static_cast<sqlite3_vtab *>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*out)
        return SQLITE_NOMEM;
    **out = sqlite3_vtab{};
    return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab *vtab)
{
    sqlite3_free(vtab);
    return SQLITE_OK;
}

// Only a plan that hands over the feed will do.
int xBestIndex(sqlite3_vtab *, sqlite3_index_info *info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto &c = info->aConstraint[i];
        if (c.iColumn == kColumns && c.op == SQLITE_INDEX_CONSTRAINT_EQ && c.usable) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->estimatedCost = 1;
            return SQLITE_OK;
        }
    }
    return SQLITE_CONSTRAINT;
}

int xOpen(sqlite3_vtab *, sqlite3_vtab_cursor **out)
{
    *out = new Cursor;
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor *cur)
{
    delete static_cast<Cursor *>(cur);
    return SQLITE_OK;
}

int xFilter(sqlite3_vtab_cursor *cur, int, const char *, int argc, sqlite3_value **argv)
{
    auto *c = static_cast<Cursor *>(cur);
    c->feed = argc > 0 ? static_cast<Feed *>(sqlite3_value_pointer(argv[0], kName)) : nullptr;
    c->row = 0;
    return load(c);
}

int xNext(sqlite3_vtab_cursor *cur)
{
    auto *c = static_cast<Cursor *>(cur);
    ++c->row;
    return load(c);
}

int xEof(sqlite3_vtab_cursor *cur)
{
    return !static_cast<Cursor *>(cur)->cells.has_value();
}

int xColumn(sqlite3_vtab_cursor *cur, sqlite3_context *ctx, int column)
{
    const auto *c = static_cast<Cursor *>(cur);
    if (column < c->feed->columns)
        c->cells->result(ctx, column);
    else
        sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor *cur, sqlite3_int64 *rowid)
{
    *rowid = static_cast<Cursor *>(cur)->row;
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module m{};
    m.xConnect = xConnect; // no xCreate: eponymous only, never created in a schema
    m.xBestIndex = xBestIndex;
    m.xDisconnect = xDisconnect;
    m.xOpen = xOpen;
    m.xClose = xClose;
    m.xFilter = xFilter;
    m.xNext = xNext;
    m.xEof = xEof;
    m.xColumn = xColumn;
    m.xRowid = xRowid;
    return m;
}

const sqlite3_module kModule = makeModule();

[[noreturn]] void fail(sqlite3 *db, const QString &table)
{
    throw EErroBanco(QStringLiteral("Falha ao gravar na tabela %1: %2").arg(table, QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace

void insert(QSqlDatabase &connection, const QString &table, const QStringList &columns, qsizetype count, const RowFill &fill)
{
    sqlite3 *db = SqliteRows::handle(connection);
    if (!db)
        throw EErro(QStringLiteral("Carga da tabela %1 sem conexão SQLite.").arg(table));
    if (count == 0)
        return;
    if (columns.isEmpty() || columns.size() > kColumns)
        throw EErro(QStringLiteral("Carga da tabela %1 com %2 colunas.").arg(table).arg(columns.size()));
    if (sqlite3_create_module_v2(db, kName, &kModule, nullptr, nullptr) != SQLITE_OK)
        fail(db, table);
    QStringList cells;
    for (int i = 0; i < columns.size(); ++i)
        cells.append(QStringLiteral("c%1").arg(i));
    const QByteArray sql = QStringLiteral("INSERT OR FAIL INTO %1 (%2) SELECT %3 FROM %4(?1)")
                               .arg(table, columns.join(u','), cells.join(u','), QLatin1StringView(kName))
                               .toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        fail(db, table);
    Feed feed{count, int(columns.size()), &fill, {}};
    sqlite3_bind_pointer(stmt, 1, &feed, kName, nullptr);
    const int rc = sqlite3_step(stmt);
    const QString error = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    if (feed.error)
        std::rethrow_exception(feed.error);
    if (rc != SQLITE_DONE)
        throw EErroBanco(QStringLiteral("Falha ao gravar na tabela %1: %2").arg(table, error));
}

} // namespace SqliteRowSource

} // namespace cns
