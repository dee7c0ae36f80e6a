#pragma once

#include "ReportDefinition.h"

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace cns::ui {

// Edits a report's title, columns and query (the generic text, which SQLite and PostgreSQL run).
// What it returns is saved among the operator's copies, never over the shipped file.
class ReportEditDialog : public QDialog
{
    Q_OBJECT

public:
    ReportEditDialog(const ReportDefinition &definition, QWidget *parent = nullptr);

    QLineEdit *edtTitulo;
    QPlainTextEdit *memSQL;
    QTableWidget *grdColunas; // field, title, width (mm), alignment, format
    QDialogButtonBox *btnBotoes;

    // The definition as edited; raises EErro naming what is wrong.
    ReportDefinition definition() const;

private:
    void fillColumns();
    void addColumn();
    void removeColumn();
    void accept() override;

    ReportDefinition m_original;
};

} // namespace cns::ui
