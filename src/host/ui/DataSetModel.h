#pragma once

#include "DataSetListener.h"
#include "DataSource.h"
#include "GridColumn.h"

#include <QAbstractTableModel>
#include <QList>

namespace cns::ui {

// A DataSet as a table for a grid: one row per visible record (the record being inserted among
// them), one column per grid column. Texts come through the fields' get-text handlers; an edit
// moves the DataSet's cursor to the row, puts it into editing and sets the field's text.
class DataSetModel : public QAbstractTableModel, public cns::DataSetListener
{
    Q_OBJECT

public:
    explicit DataSetModel(QObject *parent = nullptr);
    ~DataSetModel() override;

    void setDataSource(cns::DataSource *source);
    cns::DataSource *dataSource() const { return m_source; }
    cns::DataSet *dataSet() const { return m_source ? m_source->dataSet() : nullptr; }

    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    GridColumn &column(int i) { return m_columns[i]; }
    int columnOf(const QString &fieldName) const; // -1 when no column shows it
    cns::Field *fieldOf(int column) const;
    void setReadOnly(bool on) { m_readOnly = on; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    void activeChanged(cns::DataSet &) override { reload(); }
    void dataSetChanged(cns::DataSet &) override { reload(); }
    void stateChanged(cns::DataSet &) override;
    void recordChanged(cns::DataSet &ds, cns::Field *f) override;
    void scrolled(cns::DataSet &) override { emit currentRowMoved(); }
    void destroyed(cns::DataSet &) override { reload(); }
    void sourceDestroyed() override;

signals:
    void currentRowMoved();
    void reloaded();

private:
    void reload();
    cns::DataSource *m_source = nullptr;
    QList<GridColumn> m_columns;
    int m_rows = 0;
    bool m_readOnly = false;
};

} // namespace cns::ui
