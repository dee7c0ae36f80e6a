#include "DataSetModel.h"

#include "HandlerGuard.h"

namespace cns::ui {

DataSetModel::DataSetModel(QObject *parent) : QAbstractTableModel(parent) {}

DataSetModel::~DataSetModel()
{
    if (m_source)
        m_source->removeListener(this);
}

void DataSetModel::setDataSource(cns::DataSource *source)
{
    if (m_source)
        m_source->removeListener(this);
    m_source = source;
    if (m_source)
        m_source->addListener(this);
    reload();
}

void DataSetModel::sourceDestroyed()
{
    m_source = nullptr;
    reload();
}

void DataSetModel::setColumns(const QList<GridColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

void DataSetModel::reload()
{
    beginResetModel();
    const cns::DataSet *ds = dataSet();
    m_rows = ds && ds->Active() ? ds->rowCount() : 0;
    endResetModel();
    emit reloaded();
}

int DataSetModel::columnOf(const QString &fieldName) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

cns::Field *DataSetModel::fieldOf(int column) const
{
    const cns::DataSet *ds = dataSet();
    if (!ds || !ds->Active() || column < 0 || column >= m_columns.size())
        return nullptr;
    return ds->FindField(m_columns.at(column).fieldName);
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const cns::Field *f = fieldOf(index.column());
    if (!f || index.row() >= m_rows)
        return {};
    QString text;
    HandlerGuard::run([&] { text = dataSet()->rowText(index.row(), f->Index(), role == Qt::DisplayRole); });
    return text;
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_columns.size())
        return {};
    if (!m_columns.at(section).title.isEmpty())
        return m_columns.at(section).title;
    // Titles come from the fields' labels also while the DataSet is closed.
    const cns::Field *f = dataSet() ? dataSet()->FindField(m_columns.at(section).fieldName) : nullptr;
    return f ? f->displayLabel() : m_columns.at(section).fieldName;
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const cns::Field *field = fieldOf(index.column());
    if (!m_readOnly && field && !field->ReadOnly && !m_columns.at(index.column()).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    cns::DataSet *ds = dataSet();
    cns::Field *f = fieldOf(index.column());
    return HandlerGuard::run([&] {
        if (ds->currentRow() != index.row())
            ds->setRecNo(index.row() + 1);
        if (ds->State() == cns::DataSetState::Browse)
            m_source->Edit();
        f->setText(value.toString());
    });
}

void DataSetModel::stateChanged(cns::DataSet &ds)
{
    // Entering or leaving an insert adds or removes the row being inserted.
    if (ds.rowCount() != m_rows)
        reload();
    else if (m_rows > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1));
}

void DataSetModel::recordChanged(cns::DataSet &ds, cns::Field *)
{
    const int row = ds.currentRow();
    if (row >= 0 && row < m_rows && !m_columns.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

} // namespace cns::ui
