#pragma once

#include "ReportDefinition.h"
#include "TMessages.h"

#include <QList>
#include <QString>

namespace cns::ui {

// The reports of one report code ("Cns722"): the definitions shipped with the host
// (<host folder>/reports/<code>, or CNS_REPORTS_DIR/<code>) and the operator's edited copies
// (<user's data folder>/consumidor/reports/<code>, or CNS_REPORTS_USER_DIR/<code>). An edited copy
// stands in for the shipped report of the same name; the shipped file is never written.
class ReportCatalog
{
public:
    struct Entry
    {
        QString name;
        QString title;
        bool edited = false;
    };

    explicit ReportCatalog(QString code);

    const QString &code() const { return m_code; }
    QString shippedFolder() const;
    QString userFolder() const;

    // By title. Raises EErro (Arq_Rel_Err) when the code has no definition at all.
    QList<Entry> entries() const;
    // Raises EErro (Arq_Rel_Err) when no file holds the report.
    ReportDefinition load(const QString &name) const;
    // Writes the definition among the edited copies, under its name; returns the file written.
    QString save(const ReportDefinition &definition) const;

    // The report screens' own texts (NovoCaption, Arq_Rel_Err, NovoPrompt).
    static const TMessages &messages();
    static QString shippedRoot();
    static QString userRoot();

private:
    QString fileOf(const QString &name) const; // empty when there is none
    [[noreturn]] void missing(const QString &what) const;

    QString m_code;
};

} // namespace cns::ui
