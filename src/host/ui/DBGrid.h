#pragma once

#include "DataSetModel.h"
#include "KeyFilter.h"

#include <QPointer>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <functional>

namespace cns::ui {

// A grid over a data source. The current row follows the DataSet's cursor and moving in the grid
// moves the cursor (a record being edited is posted first; when that fails the grid stays). The
// screens' hooks: leaving a column, a key typed in the grid or its editor, the edit button of a
// column, and the drawing of each cell.
class DBGrid : public QTableView
{
    Q_OBJECT

public:
    struct Cell
    {
        QPainter *painter;
        QStyleOptionViewItem option;
        QModelIndex index;
        QString field;
        QString text; // the field's display text
        bool selected;
        bool focused;
    };
    using DrawHook = std::function<void(const Cell &)>;

    explicit DBGrid(QWidget *parent = nullptr);

    void setDataSource(cns::DataSource *source);
    void setColumns(const QList<GridColumn> &columns);
    DataSetModel &dataModel() { return m_model; }
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }

    QString selectedField() const; // field of the current column
    int selectedIndex() const { return currentIndex().column(); }
    void selectField(const QString &field);
    // Shows or hides the edit button of a column at run time.
    void setColumnButton(const QString &field, bool visible);
    void setColumnReadOnly(const QString &field, bool readOnly);
    // Closes the open cell editor without writing its text: for a handler that has just written
    // the row itself (a lookup), whose values the editor's stale text must not overwrite.
    void dropEditor();

    std::function<void(const QString &field)> OnColExit;
    std::function<void(const QString &field)> OnEditButtonClick;
    KeyFilter::Handler OnKeyPress;
    DrawHook OnDrawColumnCell;

    // The system's way of writing a cell: the background, the text 2 pixels right of and below the
    // corner, a focus rectangle on the focused cell.
    static void drawCell(const Cell &cell, const QColor &background, const QColor &textColor);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class GridDelegate;
    void followCursor();
    QChar filterKey(QChar c);

    DataSetModel m_model;
    QPointer<QWidget> m_editor; // the open cell editor, set by the delegate
    bool m_readOnly = false;
    bool m_syncing = false;
};

} // namespace cns::ui
