#pragma once

#include "DataSet.h"
#include "SqlDialect.h"

#include <QHash>
#include <QString>
#include <array>

class QSqlQuery;

// A query with one SQL text per dialect (generic, Oracle, MSSQL, InterBase) that runs the text of
// the database it is connected to (SQLite and PostgreSQL run the generic one; a dialect without a
// text of its own runs the generic one too). Parameters are named (":P_CDFILIAL") and always bound,
// never spliced into the text. Open reads the rows into the query itself, a DataSet, so that they
// can be walked (First, Next, Eof, FieldByName) or shown by a lookup.
//
// Column types come from the database; fields defined before Open are kept, and the result's
// columns are matched to them by name.
class TADOIBQuery : public cns::DataSet
{
public:
    explicit TADOIBQuery(const QString &name = {}, const QString &connectionName = {});

    void setSQL(const QString &generic) { setSQL(cns::SqlDialect::Text::Generic, generic); }
    void setSQL(cns::SqlDialect::Text dialect, const QString &text);
    QString SQL(cns::SqlDialect::Text dialect = cns::SqlDialect::Text::Generic) const;

    // The value of a parameter of the statement; raises EErro when it has no such parameter.
    cns::Value &ParamByName(QStringView name);
    QStringList ParamNames() const; // of the generic text
    void clearParams();

    void setConnectionName(const QString &name) { m_connectionName = name; }
    QString connectionName() const;
    // The host's shared connection, used by queries that name none.
    static void setDefaultConnectionName(const QString &name);
    static QString defaultConnectionName();

    void Open() override;
    int ExecSQL(); // a statement without rows; returns the rows it touched

    // The text the connected database runs.
    QString activeText() const;

    // How values are bound and read, shared with the server.
    static QVariant toSqlValue(const cns::Value &v);
    // A date-time in the text form the queries bind and the databases store ("yyyy-MM-dd
    // HH:mm:ss", ".zzz" when there are milliseconds), as UTF-8; empty for an invalid one.
    static QByteArray dateText(const QDateTime &dt);
    static cns::Value fromSqlValue(const QVariant &v, cns::FieldType type);

private:
    void prepare(QSqlQuery &q) const;
    QList<cns::FieldDef> describe(const QSqlQuery &q, const cns::SqlDialect &dialect) const;

    std::array<QString, 4> m_texts;
    QHash<QString, cns::Value> m_params; // by upper-case name
    QStringList m_paramNames;
    QString m_connectionName;
};
