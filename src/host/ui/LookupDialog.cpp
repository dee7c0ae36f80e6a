#include "LookupDialog.h"

#include "DBGrid.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace cns::ui {

LookupDialog::LookupDialog(const QString &title, cns::DataSet &rows, const QStringList &fields, QWidget *parent)
    : QDialog(parent), m_rows(rows), m_source(&rows), m_fields(fields)
{
    setObjectName(QStringLiteral("frmPesquisa"));
    setWindowTitle(title);
    if (m_fields.isEmpty()) {
        for (int i = 0; i < rows.FieldCount(); ++i) {
            if (rows.Fields(i).Visible)
                m_fields.append(rows.Fields(i).FieldName());
        }
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Procurar:"), this));
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("edtProcura"));
    layout->addWidget(m_search);
    m_grid = new DBGrid(this);
    m_grid->setObjectName(QStringLiteral("dbgPesquisa"));
    m_grid->setReadOnly(true);
    m_grid->setDataSource(&m_source);
    QList<GridColumn> columns;
    for (const QString &f : std::as_const(m_fields))
        columns.append(GridColumn(f));
    m_grid->setColumns(columns);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(m_grid);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &QDialog::accept);
    connect(m_search, &QLineEdit::textEdited, this, &LookupDialog::search);
    connect(m_search, &QLineEdit::returnPressed, this, &QDialog::accept);
    resize(560, 420);
}

void LookupDialog::search(const QString &text)
{
    if (text.isEmpty())
        return;
    for (int row = 0; row < m_rows.rowCount(); ++row) {
        for (const QString &f : std::as_const(m_fields)) {
            const cns::Field *field = m_rows.FindField(f);
            if (field && m_rows.rowText(row, field->Index(), true).startsWith(text, Qt::CaseInsensitive)) {
                m_rows.setRecNo(row + 1);
                return;
            }
        }
    }
}

bool LookupDialog::choose(const QString &title, cns::DataSet &rows, const QStringList &fields)
{
    LookupDialog dlg(title, rows, fields, QApplication::activeWindow());
    return dlg.exec() == QDialog::Accepted && rows.RecNo() > 0;
}

} // namespace cns::ui
