#include "DBGrid.h"

#include "GridDelegate.h"
#include "HandlerGuard.h"
#include "ScopedFlag.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

namespace cns::ui {

DBGrid::DBGrid(QWidget *parent) : QTableView(parent), m_model(this)
{
    setModel(&m_model);
    setItemDelegate(new GridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    connect(&m_model, &DataSetModel::currentRowMoved, this, &DBGrid::followCursor);
    connect(&m_model, &DataSetModel::reloaded, this, &DBGrid::followCursor);
}

void DBGrid::setDataSource(cns::DataSource *source)
{
    m_model.setDataSource(source);
}

void DBGrid::setColumns(const QList<GridColumn> &columns)
{
    m_model.setColumns(columns);
    for (int i = 0; i < columns.size(); ++i) {
        int width = columns.at(i).width;
        if (width <= 0) {
            const cns::Field *f = m_model.fieldOf(i);
            width = fontMetrics().averageCharWidth() * std::clamp(f ? f->Size() : 12, 6, 40) + 12;
        }
        setColumnWidth(i, width);
    }
    followCursor();
}

void DBGrid::setReadOnly(bool on)
{
    m_readOnly = on;
    m_model.setReadOnly(on);
    setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                       : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
}

QString DBGrid::selectedField() const
{
    const int c = currentIndex().column();
    return c >= 0 && c < m_model.columns().size() ? m_model.columns().at(c).fieldName : QString();
}

void DBGrid::selectField(const QString &field)
{
    const int c = m_model.columnOf(field);
    if (c < 0)
        return;
    const int row = std::max(currentIndex().row(), 0);
    const ScopedFlag syncing(m_syncing);
    setCurrentIndex(m_model.index(row, c));
}

void DBGrid::setColumnButton(const QString &field, bool visible)
{
    const int c = m_model.columnOf(field);
    if (c >= 0)
        m_model.column(c).ellipsis = visible;
}

void DBGrid::setColumnReadOnly(const QString &field, bool readOnly)
{
    const int c = m_model.columnOf(field);
    if (c >= 0)
        m_model.column(c).readOnly = readOnly;
}

void DBGrid::dropEditor()
{
    if (m_editor && state() == QAbstractItemView::EditingState)
        closeEditor(m_editor, QAbstractItemDelegate::NoHint);
}

void DBGrid::followCursor()
{
    const cns::DataSet *ds = m_model.dataSet();
    if (!ds || !ds->Active() || ds->currentRow() < 0 || m_model.columns().isEmpty())
        return;
    const int col = std::max(currentIndex().column(), 0);
    const QModelIndex target = m_model.index(ds->currentRow(), col);
    if (target == currentIndex())
        return;
    const ScopedFlag syncing(m_syncing);
    setCurrentIndex(target);
    scrollTo(target);
}

void DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    if (previous.isValid() && previous.column() != current.column() && OnColExit) {
        const QString left = m_model.columns().value(previous.column()).fieldName;
        if (!HandlerGuard::run([&] { OnColExit(left); })) {
            const ScopedFlag syncing(m_syncing);
            setCurrentIndex(previous);
            return;
        }
    }
    cns::DataSet *ds = m_model.dataSet();
    if (!ds || current.row() == ds->currentRow())
        return;
    if (!HandlerGuard::run([&] { ds->setRecNo(current.row() + 1); }))
        followCursor();
}

QChar DBGrid::filterKey(QChar c)
{
    return OnKeyPress ? OnKeyPress(c) : c;
}

void DBGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->text().size() == 1 && OnKeyPress) {
        QChar result = event->text().at(0);
        if (!HandlerGuard::run([&] { result = OnKeyPress(result); }) || result.isNull())
            return;
        if (result != event->text().at(0)) {
            QKeyEvent replaced(QEvent::KeyPress, event->key(), event->modifiers(), QString(result));
            QTableView::keyPressEvent(&replaced);
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void DBGrid::drawCell(const Cell &cell, const QColor &background, const QColor &textColor)
{
    QPainter *p = cell.painter;
    p->save();
    p->fillRect(cell.option.rect, background);
    p->setPen(textColor);
    const QRect textRect = cell.option.rect.adjusted(2, 2, -2, 0);
    p->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, cell.option.fontMetrics.elidedText(cell.text, Qt::ElideRight, textRect.width()));
    if (cell.focused) {
        p->setPen(QPen(textColor, 1, Qt::DotLine));
        p->drawRect(cell.option.rect.adjusted(0, 0, -1, -1));
    }
    p->restore();
}

} // namespace cns::ui
