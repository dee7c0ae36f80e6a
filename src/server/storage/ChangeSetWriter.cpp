#include "ChangeSetWriter.h"

#include "ConsumerHistory.h"
#include "DbSession.h"
#include "EErro.h"
#include "EErroBanco.h"
#include "NamedSql.h"
#include "Packet.h"
#include "SqlRows.h"

#include <QSqlError>
#include <QSqlQuery>
#include "TADOIBQuery.h"

namespace cns {

ChangeSetWriter::Mapping ChangeSetWriter::map(const ChangeSet &changes) const
{
    Mapping m;
    for (const TableDef::Column &c : m_table.columns()) {
        const int f = changes.indexOf(c.name);
        m.fieldOfColumn.append(f);
        if (f >= 0)
            m.columns.append(int(m.fieldOfColumn.size()) - 1);
    }
    for (const QString &k : m_table.primaryKey()) {
        if (changes.indexOf(k) < 0)
            throw EErro(QStringLiteral("As alterações de %1 não trazem o campo %2 da chave.").arg(m_table.name(), k));
    }
    return m;
}

QList<Value> ChangeSetWriter::values(const Row &row) const
{
    QList<Value> out;
    Row::Reader r(row);
    while (!r.atEnd())
        out.append(r.next());
    return out;
}

Value ChangeSetWriter::newValue(const QList<Value> &row, int column, const Mapping &m) const
{
    const TableDef::Column &c = m_table.columns().at(column);
    if (m_nullColumns.contains(c.name, Qt::CaseInsensitive))
        return {};
    const Value &given = row.at(m.fieldOfColumn.at(column));
    Value v = coerceToField(m_table.fieldDef(c), given);
    // A key cut to its column would name another row (or take another row's place): refused instead.
    const bool text = c.type == TableDef::Type::Varchar || c.type == TableDef::Type::Char;
    if (text && m_table.isKey(c.name) && !given.isNull() && v.toString() != given.toString())
        throw EErro(QStringLiteral("Não é possível gravar o registro de %1 com %2: o campo %3 da chave aceita até %4 "
                                   "caracteres; veio \"%5\".")
                        .arg(m_table.name(), keyText(m, row), c.name)
                        .arg(c.size)
                        .arg(given.toString()));
    // Refused here, before the statement, so that both databases refuse it alike and say which field.
    if (const QString beyond = TableDef::beyondRange(c, v); !beyond.isEmpty())
        throw EErro(QStringLiteral("Não é possível gravar o registro de %1 com %2: %3.").arg(m_table.name(), keyText(m, row), beyond));
    return v;
}

QString ChangeSetWriter::keyText(const Mapping &m, const QList<Value> &row) const
{
    QStringList parts;
    for (int col = 0; col < m_table.columns().size(); ++col) {
        const TableDef::Column &c = m_table.columns().at(col);
        if (m_table.isKey(c.name))
            parts.append(c.name + u' ' + row.at(m.fieldOfColumn.at(col)).toString().trimmed());
    }
    return parts.join(QStringLiteral(", "));
}

QString ChangeSetWriter::whereKey(const Mapping &m, const QList<Value> &row, QHash<QString, Value> *params) const
{
    QStringList conds;
    for (int col = 0; col < m_table.columns().size(); ++col) {
        const TableDef::Column &c = m_table.columns().at(col);
        if (!m_table.isKey(c.name))
            continue;
        const QString p = QStringLiteral("K%1").arg(col);
        conds.append(c.name + QStringLiteral(" = :") + p);
        params->insert(p, row.at(m.fieldOfColumn.at(col)));
    }
    return conds.join(QStringLiteral(" AND "));
}

int ChangeSetWriter::run(const QString &sql, const QHash<QString, Value> &params, const Mapping &m, const QList<Value> &row)
{
    const NamedSql named = NamedSql::parse(sql);
    QSqlQuery q(m_db.db());
    if (!q.prepare(named.positional()))
        throw EErroBanco(QStringLiteral("Erro no banco de dados: %1").arg(q.lastError().text()));
    for (const Value &v : SqlRows::bindings(named, params))
        q.addBindValue(TADOIBQuery::toSqlValue(v));
    if (!q.exec()) {
        const QSqlError error = q.lastError();
        // The call fails as a whole: end its transaction now, while the statement still exists, so
        // that the database does not refuse to release it inside an aborted transaction.
        m_db.rollback();
        if (m_db.dialect().uniqueViolationCodes.contains(error.nativeErrorCode()))
            throw EErro(QStringLiteral("Já existe em %1 um registro com %2.").arg(m_table.name(), keyText(m, row)));
        throw EErroBanco(QStringLiteral("Erro ao gravar %1: %2").arg(m_table.name(), error.text()));
    }
    return q.numRowsAffected();
}

void ChangeSetWriter::insert(const Mapping &m, const QList<Value> &row)
{
    QStringList cols, marks;
    QHash<QString, Value> params;
    QList<Value> stored = perColumn();
    for (int col : m.columns) {
        const QString p = QStringLiteral("V%1").arg(col);
        cols.append(m_table.columns().at(col).name);
        marks.append(u':' + p);
        stored[col] = newValue(row, col, m);
        params.insert(p, stored.at(col));
    }
    run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(m_table.name(), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
        params, m, row);
    if (m_history)
        m_history->row(m_table, perColumn(), stored);
}

void ChangeSetWriter::update(const Mapping &m, const QList<Value> &oldRow, const QList<Value> &newRow)
{
    QStringList sets, matches;
    QHash<QString, Value> params;
    const QString &eq = m_db.dialect().nullSafeEqual;
    QList<Value> before = perColumn(), after = perColumn();
    for (int col : m.columns) {
        const int f = m.fieldOfColumn.at(col);
        const bool forcedNull = m_nullColumns.contains(m_table.columns().at(col).name, Qt::CaseInsensitive);
        if (m_table.isKey(m_table.columns().at(col).name))
            before[col] = after[col] = oldRow.at(f); // names the row in the history
        if (oldRow.at(f) == newRow.at(f) && !(forcedNull && !oldRow.at(f).isNull()))
            continue;
        const QString name = m_table.columns().at(col).name;
        sets.append(QStringLiteral("%1 = :N%2").arg(name).arg(col));
        before[col] = oldRow.at(f);
        after[col] = newValue(newRow, col, m);
        params.insert(QStringLiteral("N%1").arg(col), after.at(col));
        matches.append(QStringLiteral("%1 %2 :O%3").arg(name, eq).arg(col));
        params.insert(QStringLiteral("O%1").arg(col), oldRow.at(f));
    }
    if (sets.isEmpty())
        return;
    QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(m_table.name(), sets.join(QStringLiteral(", ")), whereKey(m, oldRow, &params));
    for (const QString &match : std::as_const(matches))
        sql += QStringLiteral(" AND ") + match;
    if (run(sql, params, m, oldRow) != 1)
        refuse(m, oldRow, false);
    if (m_history)
        m_history->row(m_table, before, after);
}

void ChangeSetWriter::remove(const Mapping &m, const QList<Value> &oldRow)
{
    QHash<QString, Value> params;
    QString sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(m_table.name(), whereKey(m, oldRow, &params));
    const QString &eq = m_db.dialect().nullSafeEqual;
    for (int col : m.columns) {
        const TableDef::Column &c = m_table.columns().at(col);
        if (m_table.isKey(c.name) || c.type == TableDef::Type::Blob)
            continue;
        sql += QStringLiteral(" AND %1 %2 :O%3").arg(c.name, eq).arg(col);
        params.insert(QStringLiteral("O%1").arg(col), oldRow.at(m.fieldOfColumn.at(col)));
    }
    if (run(sql, params, m, oldRow) != 1)
        refuse(m, oldRow, true);
    if (m_history) {
        QList<Value> before = perColumn();
        for (int col : m.columns)
            before[col] = oldRow.at(m.fieldOfColumn.at(col));
        m_history->row(m_table, before, perColumn());
    }
}

void ChangeSetWriter::refuse(const Mapping &m, const QList<Value> &oldRow, bool deleting)
{
    QHash<QString, Value> params;
    const QString where = whereKey(m, oldRow, &params);
    const bool exists = m_db.count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(m_table.name(), where), params) > 0;
    const QString what = deleting ? QStringLiteral("excluído") : QStringLiteral("alterado");
    if (!exists)
        throw EErro(QStringLiteral("O registro de %1 com %2 não pode ser %3: foi excluído por outro usuário. "
                                   "Atualize os dados e repita a operação.")
                        .arg(m_table.name(), keyText(m, oldRow), what));
    throw EErro(QStringLiteral("O registro de %1 com %2 não pode ser %3: foi alterado por outro usuário depois de "
                               "carregado. Atualize os dados e repita a operação.")
                    .arg(m_table.name(), keyText(m, oldRow), what));
}

ChangeSetWriter::Counts ChangeSetWriter::apply(const ChangeSet &changes)
{
    Counts counts;
    if (changes.isEmpty())
        return counts;
    const Mapping m = map(changes);
    for (const ChangeSet::Change &c : changes.changes()) {
        switch (c.op) {
        case ChangeSet::Op::Insert:
            insert(m, values(c.newRow));
            ++counts.inserted;
            break;
        case ChangeSet::Op::Update:
            update(m, values(c.oldRow), values(c.newRow));
            ++counts.updated;
            break;
        case ChangeSet::Op::Delete:
            remove(m, values(c.oldRow));
            ++counts.deleted;
            break;
        }
    }
    return counts;
}

} // namespace cns
