#include "DataSource.h"

#include <algorithm>

namespace cns {

DataSource::~DataSource()
{
    if (m_dataSet)
        m_dataSet->removeListener(this);
    const auto listeners = std::exchange(m_listeners, {});
    for (DataSetListener *l : listeners)
        l->sourceDestroyed();
}

void DataSource::setDataSet(DataSet *dataSet)
{
    if (m_dataSet == dataSet)
        return;
    if (m_dataSet)
        m_dataSet->removeListener(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->addListener(this);
    m_lastState = State();
    forward([](DataSetListener *l, DataSet *ds) {
        if (ds) {
            l->activeChanged(*ds);
            l->stateChanged(*ds);
            l->dataSetChanged(*ds);
        }
    });
    if (OnStateChange)
        OnStateChange(*this);
    if (OnDataChange)
        OnDataChange(*this, nullptr);
}

void DataSource::Edit()
{
    if (AutoEdit && m_dataSet && m_dataSet->State() == DataSetState::Browse)
        m_dataSet->Edit();
}

void DataSource::addListener(DataSetListener *l)
{
    if (std::find(m_listeners.begin(), m_listeners.end(), l) == m_listeners.end())
        m_listeners.push_back(l);
}

void DataSource::removeListener(DataSetListener *l)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), l), m_listeners.end());
}

template<typename F>
void DataSource::forward(F &&f)
{
    const auto listeners = m_listeners;
    for (DataSetListener *l : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), l) != m_listeners.end())
            f(l, m_dataSet);
    }
}

void DataSource::activeChanged(DataSet &ds)
{
    forward([&](DataSetListener *l, DataSet *) { l->activeChanged(ds); });
}

void DataSource::stateChanged(DataSet &ds)
{
    forward([&](DataSetListener *l, DataSet *) { l->stateChanged(ds); });
    if (ds.State() == m_lastState)
        return;
    m_lastState = ds.State();
    if (OnStateChange)
        OnStateChange(*this);
}

void DataSource::dataSetChanged(DataSet &ds)
{
    forward([&](DataSetListener *l, DataSet *) { l->dataSetChanged(ds); });
    if (OnDataChange)
        OnDataChange(*this, nullptr);
}

void DataSource::scrolled(DataSet &ds)
{
    forward([&](DataSetListener *l, DataSet *) { l->scrolled(ds); });
    if (OnDataChange)
        OnDataChange(*this, nullptr);
}

void DataSource::recordChanged(DataSet &ds, Field *field)
{
    forward([&](DataSetListener *l, DataSet *) { l->recordChanged(ds, field); });
    if (OnDataChange)
        OnDataChange(*this, field);
}

void DataSource::updateRecord(DataSet &ds)
{
    forward([&](DataSetListener *l, DataSet *) { l->updateRecord(ds); });
}

void DataSource::destroyed(DataSet &ds)
{
    if (m_dataSet != &ds)
        return;
    m_dataSet = nullptr;
    m_lastState = DataSetState::Inactive;
    forward([&](DataSetListener *l, DataSet *) { l->destroyed(ds); });
    if (OnStateChange)
        OnStateChange(*this);
}

} // namespace cns
