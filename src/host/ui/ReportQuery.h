#pragma once

#include "ReportDefinition.h"
#include "Value.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class QSqlRecord;

namespace cns::ui {

// The query of a report on one connection: the text of the connected database's dialect, the
// parameters that text names (the list a screen fills before the report runs), and the rows,
// handed over one at a time so that no report holds all of them. Parameters are bound, never
// written into the text; one that nobody set is bound as null.
class ReportQuery
{
public:
    // Raises EErro when the connection is not open.
    ReportQuery(const ReportDefinition &definition, const QString &connectionName);

    QStringList ParamNames() const { return m_names; }
    bool ExistParam(QStringView name) const;
    // Raises EErro when the query has no such parameter.
    cns::Value &ParamByName(QStringView name);
    cns::Value param(QStringView name) const { return m_values.value(name.toString().toUpper()); }

    // Runs the query and hands every row over, in order; returns how many there were.
    // Raises EErroBanco with the database's text when it fails.
    qint64 run(const std::function<void(const QSqlRecord &)> &row) const;

private:
    QString m_text;
    QString m_connectionName;
    QStringList m_names;
    QHash<QString, cns::Value> m_values; // by upper-case name
};

} // namespace cns::ui
