#include "DBCheckBox.h"


#include <QSignalBlocker>

namespace cns::ui {

DBCheckBox::DBCheckBox(QWidget *parent) : QCheckBox(parent), m_link([this] { showValue(); }, [] {})
{
    connect(this, &QCheckBox::clicked, this, [this](bool checked) {
        m_link.write([&](cns::Field &f) { f.setAsString(checked ? ValueChecked : ValueUnchecked); });
        showValue();
    });
}

void DBCheckBox::setDataSource(cns::DataSource *source, const QString &fieldName)
{
    m_link.bind(source, fieldName);
}

void DBCheckBox::showValue()
{
    const cns::Field *f = m_link.field();
    const QSignalBlocker block(this);
    setChecked(f && f->AsString() == ValueChecked);
}

} // namespace cns::ui
