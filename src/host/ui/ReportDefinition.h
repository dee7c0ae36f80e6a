#pragma once

#include "SqlDialect.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>

namespace cns::ui {

// One report as its file describes it: the title, one query text per dialect (named parameters
// ":P_NAME"), the columns and, optionally, a grouping with a header per group and a count (and
// totals) at its end. Stored as JSON, one file per report, named after the report.
struct ReportDefinition
{
    struct Column
    {
        QString field;
        QString title;
        double width = 30; // millimetres
        Qt::Alignment align = Qt::AlignLeft;
        // Numbers: a NumberFormat pattern ("#,##0.00"); dates: "dd/MM/yyyy" style; "inscricao": a
        // registration number laid into the mask of its kind. Empty: the value as it comes.
        QString format;
        QMap<QString, QString> values; // coded values shown by their meaning ("1" -> "Ativo")
    };
    struct Group
    {
        QStringList fields; // a new group starts where any of them changes; the header shows them
        QString title; // before the header's values ("Tipo de Consumidor")
        QString countLabel; // the count of the group's rows, after it; empty: none
        QStringList totals; // numeric fields summed per group and for the report
        bool isEmpty() const { return fields.isEmpty(); }
    };

    QString name; // the file's name without ".json"
    QString title;
    bool landscape = false;
    std::array<QString, 4> sql; // by SqlDialect::Text
    QList<Column> columns;
    Group group;
    QString totalLabel; // the count of all rows, at the end; empty: none

    // Raises EErro naming the file when it cannot be read or is not a report definition.
    static ReportDefinition load(const QString &path);
    // Raises EErro naming the file when it cannot be written.
    void save(const QString &path) const;

    static ReportDefinition fromJson(const QJsonObject &o, const QString &name);
    QJsonObject toJson() const;

    QString text(SqlDialect::Text dialect) const; // that dialect's text, else the generic one
};

} // namespace cns::ui
