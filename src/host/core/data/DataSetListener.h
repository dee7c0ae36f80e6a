#pragma once

namespace cns {

class DataSet;
class Field;

// What a data source, a bound control or a grid model hears of a DataSet. Calls arrive on the
// thread that changed the DataSet; while its controls are disabled only activeChanged and
// destroyed arrive, and one stateChanged plus dataSetChanged follow when they are enabled again.
class DataSetListener
{
public:
    virtual ~DataSetListener() = default;
    virtual void activeChanged(DataSet &) {}
    virtual void stateChanged(DataSet &) {}
    // Rows came or went, or their order or filter changed: everything shown must be read again.
    virtual void dataSetChanged(DataSet &) {}
    // The current record is another one.
    virtual void scrolled(DataSet &) {}
    // A value of the current record changed; field is null when the whole record did.
    virtual void recordChanged(DataSet &, Field *) {}
    // The record is about to be posted: a control holding a value not yet written writes it now.
    virtual void updateRecord(DataSet &) {}
    virtual void destroyed(DataSet &) {}
    // The data source this listener was attached to is being destroyed: forget it.
    virtual void sourceDestroyed() {}
};

} // namespace cns
