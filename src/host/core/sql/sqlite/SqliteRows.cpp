#include "SqliteRows.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "NamedSql.h"
#include "SqlRows.h"
#include "TADOIBQuery.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>
#include <sqlite3.h>

namespace cns::SqliteRows {

namespace {

[[noreturn]] void failSql(const QString &what, const QString &sql)
{
    throw EErroBanco(QStringLiteral("Erro no banco de dados: %1\n%2").arg(what, sql.left(300)));
}

// "YYYY-MM-DD[ |T]HH:MM:SS[.zzz]" or "YYYY-MM-DD" as milliseconds since 1970 of a naive date-time.
bool parseSqlDate(const unsigned char *s, int n, qint64 *msecs)
{
    auto num = [&](int at, int len, int *v) {
        if (at + len > n)
            return false;
        int r = 0;
        for (int i = 0; i < len; ++i) {
            const unsigned char c = s[at + i];
            if (c < '0' || c > '9')
                return false;
            r = r * 10 + (c - '0');
        }
        *v = r;
        return true;
    };
    int y, mo, d, h = 0, mi = 0, se = 0, ms = 0;
    if (!num(0, 4, &y) || n < 10 || s[4] != '-' || !num(5, 2, &mo) || s[7] != '-' || !num(8, 2, &d))
        return false;
    if (n >= 19 && (s[10] == ' ' || s[10] == 'T')) {
        if (!num(11, 2, &h) || !num(14, 2, &mi) || !num(17, 2, &se))
            return false;
        if (n >= 23 && s[19] == '.')
            num(20, 3, &ms);
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, se, ms);
    if (!date.isValid() || !time.isValid())
        return false;
    *msecs = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    return true;
}

// A value in the sqlite3 C API's terms, handed to out (a parameter binder or a function result).
template <class Out>
int putSqlite(const Value &v, Out &&out)
{
    switch (v.kind()) {
    case Value::Kind::Null: return out.null();
    case Value::Kind::Bool: return out.integer(v.toBool() ? 1 : 0);
    case Value::Kind::Int: return out.integer(v.toInt());
    case Value::Kind::Float: return out.real(v.toDouble());
    case Value::Kind::Bytes: {
        const QByteArray b = v.toBytes();
        return out.blob(b.constData(), b.size());
    }
    case Value::Kind::Text: {
        const QByteArray t = v.toString().toUtf8();
        return out.text(t.constData(), t.size());
    }
    case Value::Kind::Date: {
        const QByteArray t = TADOIBQuery::dateText(v.toDateTime());
        if (t.isEmpty())
            return out.null();
        return out.text(t.constData(), t.size());
    }
    default: {
        const QByteArray t = TADOIBQuery::toSqlValue(v).toString().toUtf8();
        return out.text(t.constData(), t.size());
    }
    }
}

class Statement
{
public:
    Statement(sqlite3 *db, const QString &sql) : m_db(db)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK)
            failSql(QString::fromUtf8(sqlite3_errmsg(db)), sql);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    sqlite3_stmt *get() const { return m_stmt; }
    [[noreturn]] void fail(const QString &sql) const { failSql(QString::fromUtf8(sqlite3_errmsg(m_db)), sql); }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace

sqlite3 *handle(QSqlDatabase &db)
{
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

void bind(sqlite3_stmt *stmt, int i, const Value &v)
{
    struct Binder
    {
        sqlite3_stmt *s;
        int i;
        int null() { return sqlite3_bind_null(s, i); }
        int integer(qint64 n) { return sqlite3_bind_int64(s, i, n); }
        int real(double d) { return sqlite3_bind_double(s, i, d); }
        int blob(const char *p, qsizetype n) { return sqlite3_bind_blob64(s, i, p, sqlite3_uint64(n), SQLITE_TRANSIENT); }
        int text(const char *p, qsizetype n) { return sqlite3_bind_text64(s, i, p, sqlite3_uint64(n), SQLITE_TRANSIENT, SQLITE_UTF8); }
    };
    if (putSqlite(v, Binder{stmt, i}) != SQLITE_OK)
        throw EErroBanco(QStringLiteral("Erro no banco de dados ao passar o parâmetro %1.").arg(i));
}

void result(sqlite3_context *ctx, const Value &v)
{
    struct Result
    {
        sqlite3_context *c;
        int null() { return sqlite3_result_null(c), SQLITE_OK; }
        int integer(qint64 n) { return sqlite3_result_int64(c, n), SQLITE_OK; }
        int real(double d) { return sqlite3_result_double(c, d), SQLITE_OK; }
        int blob(const char *p, qsizetype n) { return sqlite3_result_blob64(c, p, sqlite3_uint64(n), SQLITE_TRANSIENT), SQLITE_OK; }
        int text(const char *p, qsizetype n)
        {
            return sqlite3_result_text64(c, p, sqlite3_uint64(n), SQLITE_TRANSIENT, SQLITE_UTF8), SQLITE_OK;
        }
    };
    putSqlite(v, Result{ctx});
}

std::vector<Row> fetch(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values, const QList<FieldDef> &fields)
{
    sqlite3 *sdb = handle(db);
    if (!sdb)
        return SqlRows::fetchGeneric(db, sql, values, fields);
    Statement stmt(sdb, sql.positional());
    sqlite3_stmt *s = stmt.get();
    for (int i = 0; i < values.size(); ++i)
        bind(s, i + 1, values.at(i));
    const int n = int(fields.size());
    if (sqlite3_column_count(s) < n)
        throw EErro(QStringLiteral("A consulta devolve %1 colunas para %2 campos.").arg(sqlite3_column_count(s)).arg(n));
    std::vector<Row> rows;
    QByteArray scratch;
    Row::Builder b(n * 8);
    for (;;) {
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            stmt.fail(sql.positional());
        for (int i = 0; i < n; ++i) {
            if (sqlite3_column_type(s, i) == SQLITE_NULL) {
                b.addNull();
                continue;
            }
            switch (fields.at(i).type) {
            case FieldType::String:
            case FieldType::FixedChar: {
                const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(s, i));
                b.addTextUtf8(t, sqlite3_column_bytes(s, i));
                break;
            }
            case FieldType::Integer: b.addInt(sqlite3_column_int64(s, i)); break;
            case FieldType::Float: b.addFloat(sqlite3_column_double(s, i)); break;
            case FieldType::Boolean: b.addBool(sqlite3_column_int(s, i) != 0); break;
            case FieldType::Blob: {
                const void *p = sqlite3_column_blob(s, i);
                b.addBlob(QByteArray(static_cast<const char *>(p), sqlite3_column_bytes(s, i)));
                break;
            }
            case FieldType::DateTime: {
                const unsigned char *t = sqlite3_column_text(s, i);
                qint64 msecs = 0;
                if (parseSqlDate(t, sqlite3_column_bytes(s, i), &msecs))
                    b.addDateMsecs(msecs);
                else
                    b.addNull();
                break;
            }
            }
        }
        rows.push_back(b.take());
    }
    return rows;
}

QString declaredType(const QSqlQuery &q, int column)
{
    const QVariant h = q.result() ? q.result()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0)
        return {};
    sqlite3_stmt *stmt = *static_cast<sqlite3_stmt *const *>(h.constData());
    const char *decl = stmt ? sqlite3_column_decltype(stmt, column) : nullptr;
    return decl ? QString::fromUtf8(decl) : QString();
}

} // namespace cns::SqliteRows
