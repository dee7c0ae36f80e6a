#include "ReportQuery.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "NamedSql.h"
#include "TADOIBQuery.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace cns::ui {

ReportQuery::ReportQuery(const ReportDefinition &definition, const QString &connectionName)
    : m_connectionName(connectionName.isEmpty() ? TADOIBQuery::defaultConnectionName() : connectionName)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isValid() || !db.isOpen())
        throw EErro(
            QStringLiteral("O relatório %1 não tem conexão com o banco (%2).").arg(definition.name, m_connectionName));
    m_text = definition.text(SqlDialect::of(db).text);
    m_names = NamedSql::parse(m_text).names();
}

bool ReportQuery::ExistParam(QStringView name) const
{
    return m_names.contains(name.toString().toUpper());
}

cns::Value &ReportQuery::ParamByName(QStringView name)
{
    const QString key = name.toString().toUpper();
    if (!m_names.contains(key))
        throw EErro(QStringLiteral("A consulta do relatório não tem o parâmetro %1.").arg(name));
    return m_values[key];
}

qint64 ReportQuery::run(const std::function<void(const QSqlRecord &)> &row) const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.setForwardOnly(true);
    const NamedSql sql = NamedSql::parse(m_text);
    if (!q.prepare(sql.positional()))
        throw EErroBanco(QStringLiteral("Erro na consulta do relatório: %1").arg(q.lastError().text()));
    for (const QString &name : sql.occurrences())
        q.addBindValue(TADOIBQuery::toSqlValue(m_values.value(name)));
    if (!q.exec())
        throw EErroBanco(QStringLiteral("Erro na consulta do relatório: %1").arg(q.lastError().text()));
    qint64 n = 0;
    while (q.next()) {
        row(q.record());
        ++n;
    }
    return n;
}

} // namespace cns::ui
