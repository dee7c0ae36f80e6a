#pragma once

#include "DataSet.h"
#include "DataSetListener.h"

#include <functional>
#include <vector>

namespace cns {

// Links bound controls and grids to a DataSet, and can be pointed at another DataSet at any time
// (a screen re-points its data source by tab). Its listeners hear what its DataSet says; when it is
// re-pointed they hear that everything changed, and OnStateChange runs; otherwise OnStateChange
// runs when the DataSet's state is another than the last one seen.
class DataSource : public DataSetListener
{
public:
    using StateEvent = std::function<void(DataSource &)>;
    using DataEvent = std::function<void(DataSource &, Field *)>;

    DataSource() = default;
    explicit DataSource(DataSet *dataSet) { setDataSet(dataSet); }
    ~DataSource() override;
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    DataSet *dataSet() const { return m_dataSet; }
    void setDataSet(DataSet *dataSet);
    DataSetState State() const { return m_dataSet ? m_dataSet->State() : DataSetState::Inactive; }

    // Puts the DataSet into editing when it is browsing (a control about to write a value).
    void Edit();
    bool AutoEdit = true;

    StateEvent OnStateChange;
    DataEvent OnDataChange; // a field of the current record changed (null: the record is another)

    void addListener(DataSetListener *l);
    void removeListener(DataSetListener *l);

    // DataSetListener
    void activeChanged(DataSet &ds) override;
    void stateChanged(DataSet &ds) override;
    void dataSetChanged(DataSet &ds) override;
    void scrolled(DataSet &ds) override;
    void recordChanged(DataSet &ds, Field *field) override;
    void updateRecord(DataSet &ds) override;
    void destroyed(DataSet &ds) override;

private:
    template<typename F>
    void forward(F &&f);

    DataSet *m_dataSet = nullptr;
    DataSetState m_lastState = DataSetState::Inactive;
    std::vector<DataSetListener *> m_listeners;
};

} // namespace cns
