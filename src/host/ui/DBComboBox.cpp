#include "DBComboBox.h"

#include "ScopedFlag.h"

#include <QSignalBlocker>

namespace cns::ui {

DBComboBox::DBComboBox(QWidget *parent) : QComboBox(parent), m_link([this] { showValue(); }, [] {})
{
    connect(this, &QComboBox::activated, this, [this](int index) {
        {
            const ScopedFlag writing(m_writing);
            m_link.write([&](cns::Field &f) { f.setText(itemText(index)); });
        }
        showValue();
    });
}

void DBComboBox::setDataSource(cns::DataSource *source, const QString &fieldName)
{
    m_link.bind(source, fieldName);
}

void DBComboBox::showValue()
{
    if (m_writing)
        return;
    const cns::Field *f = m_link.field();
    const QSignalBlocker block(this);
    setCurrentIndex(f ? findText(f->Text()) : -1);
}

} // namespace cns::ui
