#include "GridDelegate.h"

#include "DBGrid.h"
#include "HandlerGuard.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace cns::ui {

GridDelegate::GridDelegate(DBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!m_grid->OnDrawColumnCell) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const GridColumn &col = m_grid->dataModel().columns().at(index.column());
    const DBGrid::Cell cell{painter,
                            option,
                            index,
                            col.fieldName,
                            index.data(Qt::DisplayRole).toString(),
                            bool(option.state & QStyle::State_Selected),
                            bool(option.state & QStyle::State_HasFocus)};
    HandlerGuard::run([&] { m_grid->OnDrawColumnCell(cell); });
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const GridColumn col = m_grid->dataModel().columns().at(index.column());
    if (!col.pickList.isEmpty()) {
        auto *combo = new QComboBox(parent);
        combo->addItems(col.pickList);
        return combo;
    }
    auto *edit = new QLineEdit;
    edit->setObjectName(QStringLiteral("edtCelula"));
    edit->setFrame(false);
    if (const cns::Field *f = m_grid->dataModel().fieldOf(index.column()); f && f->Size() > 0)
        edit->setMaxLength(f->Size());
    KeyFilter::install(edit, [grid = m_grid](QChar c) { return grid->filterKey(c); });
    if (!col.ellipsis) {
        edit->setParent(parent);
        m_grid->m_editor = edit;
        return edit;
    }
    auto *box = new QWidget(parent);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    edit->setParent(box);
    layout->addWidget(edit);
    auto *button = new QToolButton(box);
    button->setObjectName(QStringLiteral("btnCelula"));
    button->setText(QStringLiteral("..."));
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
    box->setFocusProxy(edit);
    m_grid->m_editor = box;
    connect(button, &QToolButton::clicked, box, [grid = m_grid, field = col.fieldName] {
        if (grid->OnEditButtonClick)
            HandlerGuard::run([&] { grid->OnEditButtonClick(field); });
    });
    return box;
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setCurrentIndex(combo->findText(index.data(Qt::DisplayRole).toString()));
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit)
        edit = editor->findChild<QLineEdit *>();
    if (edit && !edit->isModified())
        edit->setText(text);
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit)
        edit = editor->findChild<QLineEdit *>();
    if (edit && edit->isModified())
        model->setData(index, edit->text(), Qt::EditRole);
}

} // namespace cns::ui
