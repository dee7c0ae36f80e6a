#include "SqlRows.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "NamedSql.h"
#include "SqlDialect.h"
#include "TADOIBQuery.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace cns::SqlRows {

namespace {

[[noreturn]] void failSql(const QString &what, const QString &sql)
{
    throw EErroBanco(QStringLiteral("Erro no banco de dados: %1\n%2").arg(what, sql.left(300)));
}

void prepare(QSqlQuery &q, const NamedSql &sql, const QList<Value> &values)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql.positional()))
        failSql(q.lastError().text(), sql.positional());
    for (const Value &v : values)
        q.addBindValue(TADOIBQuery::toSqlValue(v));
}

} // namespace

QList<Value> bindings(const NamedSql &sql, const QHash<QString, Value> &params)
{
    QList<Value> values;
    values.reserve(sql.occurrences().size());
    for (const QString &name : sql.occurrences()) {
        const auto it = params.constFind(name);
        if (it == params.constEnd())
            throw EErro(QStringLiteral("Parâmetro %1 sem valor na consulta.").arg(name));
        values.append(*it);
    }
    return values;
}

std::vector<Row> fetchGeneric(QSqlDatabase &db, const NamedSql &sql, const QList<Value> &values, const QList<FieldDef> &fields)
{
    QSqlQuery q(db);
    prepare(q, sql, values);
    if (!q.exec())
        failSql(q.lastError().text(), sql.positional());
    std::vector<Row> rows;
    const int n = int(fields.size());
    while (q.next()) {
        Row::Builder b(n * 8);
        for (int i = 0; i < n; ++i)
            b.addValue(TADOIBQuery::fromSqlValue(q.value(i), fields.at(i).type));
        rows.push_back(b.take());
    }
    if (q.lastError().isValid())
        failSql(q.lastError().text(), sql.positional());
    return rows;
}

Packet select(QSqlDatabase &db, const QString &sql, const QHash<QString, Value> &params, const QList<FieldDef> &fields)
{
    const NamedSql named = NamedSql::parse(sql);
    Packet p(fields);
    p.rows() = SqlDialect::of(db).fetchRows(db, named, bindings(named, params), fields);
    return p;
}

int exec(QSqlDatabase &db, const QString &sql, const QHash<QString, Value> &params)
{
    const NamedSql named = NamedSql::parse(sql);
    QSqlQuery q(db);
    prepare(q, named, bindings(named, params));
    if (!q.exec())
        failSql(q.lastError().text(), named.positional());
    return q.numRowsAffected();
}

} // namespace cns::SqlRows
