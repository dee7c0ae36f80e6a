#pragma once

#include <QStyledItemDelegate>

namespace cns::ui {

class DBGrid;

// Draws the cells of a DBGrid through its drawing hook and gives its columns their editors: a
// pick list, or a line edit with the column's edit button and the grid's key filter.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit GridDelegate(DBGrid *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    DBGrid *m_grid;
};

} // namespace cns::ui
