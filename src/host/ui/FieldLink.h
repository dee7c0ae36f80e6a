#pragma once

#include "DataSetListener.h"
#include "DataSource.h"

#include <QPointer>
#include <QString>
#include <functional>

namespace cns::ui {

// What a data-aware control knows of its field: the data source and the field's name. The field
// is looked up on the data source's current DataSet each time, so the control follows a data
// source that is re-pointed and a DataSet whose fields were rebuilt.
class FieldLink : public cns::DataSetListener
{
public:
    using Callback = std::function<void()>;

    FieldLink(Callback dataChanged, Callback stateChanged, Callback flush = {});
    ~FieldLink() override;
    FieldLink(const FieldLink &) = delete;
    FieldLink &operator=(const FieldLink &) = delete;

    void bind(cns::DataSource *source, const QString &fieldName);
    cns::DataSource *source() const { return m_source; }
    const QString &fieldName() const { return m_fieldName; }
    cns::Field *field() const;
    bool editing() const;    // the DataSet is in edit or insert state
    bool canModify() const;  // there is a field the control may write
    // Puts the DataSet into editing when it browses; false when the field cannot be written.
    bool edit();
    // What a control does when the operator changed it: edit, then assign, inside the handler guard;
    // false when the field was not written (read only, or refused), so that the control shows the
    // field's value again.
    bool write(const std::function<void(cns::Field &)> &assign);

    void activeChanged(cns::DataSet &) override { m_stateChanged(); m_dataChanged(); }
    void stateChanged(cns::DataSet &) override { m_stateChanged(); }
    void dataSetChanged(cns::DataSet &) override { m_dataChanged(); }
    void scrolled(cns::DataSet &) override { m_dataChanged(); }
    void recordChanged(cns::DataSet &, cns::Field *f) override;
    void updateRecord(cns::DataSet &) override;
    void destroyed(cns::DataSet &) override;
    void sourceDestroyed() override { m_source = nullptr; }

private:
    Callback m_dataChanged, m_stateChanged, m_flush;
    cns::DataSource *m_source = nullptr;
    QString m_fieldName;
};

} // namespace cns::ui
