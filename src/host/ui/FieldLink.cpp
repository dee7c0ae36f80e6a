#include "FieldLink.h"

#include "HandlerGuard.h"

namespace cns::ui {

FieldLink::FieldLink(Callback dataChanged, Callback stateChanged, Callback flush)
    : m_dataChanged(std::move(dataChanged)), m_stateChanged(std::move(stateChanged)), m_flush(std::move(flush))
{
}

FieldLink::~FieldLink()
{
    if (m_source)
        m_source->removeListener(this);
}

void FieldLink::bind(cns::DataSource *source, const QString &fieldName)
{
    if (m_source)
        m_source->removeListener(this);
    m_source = source;
    m_fieldName = fieldName;
    if (m_source)
        m_source->addListener(this);
    m_stateChanged();
    m_dataChanged();
}

cns::Field *FieldLink::field() const
{
    if (!m_source || !m_source->dataSet() || !m_source->dataSet()->Active())
        return nullptr;
    return m_source->dataSet()->FindField(m_fieldName);
}

bool FieldLink::editing() const
{
    const cns::DataSetState s = m_source ? m_source->State() : cns::DataSetState::Inactive;
    return s == cns::DataSetState::Edit || s == cns::DataSetState::Insert;
}

bool FieldLink::canModify() const
{
    const cns::Field *f = field();
    return f && !f->ReadOnly;
}

bool FieldLink::edit()
{
    if (!canModify())
        return false;
    if (!editing())
        m_source->Edit();
    return editing();
}

bool FieldLink::write(const std::function<void(cns::Field &)> &assign)
{
    bool written = false;
    HandlerGuard::run([&] {
        if (edit()) {
            assign(*field());
            written = true;
        }
    });
    return written;
}

void FieldLink::recordChanged(cns::DataSet &, cns::Field *f)
{
    if (!f || f->FieldName().compare(m_fieldName, Qt::CaseInsensitive) == 0)
        m_dataChanged();
}

void FieldLink::updateRecord(cns::DataSet &)
{
    if (m_flush)
        m_flush();
}

void FieldLink::destroyed(cns::DataSet &)
{
    m_stateChanged();
    m_dataChanged();
}

} // namespace cns::ui
