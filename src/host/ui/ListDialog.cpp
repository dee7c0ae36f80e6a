#include "ListDialog.h"

#include "DataSet.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace cns::ui {

ListDialog::ListDialog(const QString &title, cns::DataSet &rows, const QString &keyField, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPesquisaLista"));
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstPesquisa"));
    layout->addWidget(m_list);
    const int key = rows.FieldByName(keyField).Index();
    for (int row = 0; row < rows.rowCount(); ++row) {
        QStringList shown;
        for (int f = 0; f < rows.FieldCount(); ++f) {
            if (rows.Fields(f).Visible && f != key && rows.Fields(f).FieldName().compare(u"IDMARCADO", Qt::CaseInsensitive) != 0)
                shown.append(rows.rowText(row, f, true));
        }
        auto *item = new QListWidgetItem(shown.join(QStringLiteral(" - ")), m_list);
        item->setData(Qt::UserRole, rows.rowText(row, key, false));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    auto *marks = new QHBoxLayout;
    auto *all = new QPushButton(QStringLiteral("Marcar todos"), this);
    auto *none = new QPushButton(QStringLiteral("Desmarcar todos"), this);
    marks->addWidget(all);
    marks->addWidget(none);
    marks->addStretch();
    layout->addLayout(marks);
    auto setAll = [this](Qt::CheckState s) {
        for (int i = 0; i < m_list->count(); ++i)
            m_list->item(i)->setCheckState(s);
    };
    connect(all, &QPushButton::clicked, this, [setAll] { setAll(Qt::Checked); });
    connect(none, &QPushButton::clicked, this, [setAll] { setAll(Qt::Unchecked); });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(480, 420);
}

QStringList ListDialog::tickedKeys() const
{
    QStringList keys;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->checkState() == Qt::Checked)
            keys.append(m_list->item(i)->data(Qt::UserRole).toString());
    }
    return keys;
}

bool ListDialog::choose(const QString &title, cns::DataSet &rows, const QString &keyField, QStringList *keys)
{
    ListDialog dlg(title, rows, keyField, QApplication::activeWindow());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    *keys = dlg.tickedKeys();
    return true;
}

} // namespace cns::ui
