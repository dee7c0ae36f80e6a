#include "DBMemo.h"

#include "ScopedFlag.h"

namespace cns::ui {

DBMemo::DBMemo(QWidget *parent) : QPlainTextEdit(parent), m_link([this] { showValue(); }, [] {})
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing)
            return;
        bool written = false;
        {
            const ScopedFlag writing(m_writing);
            written = m_link.write([&](cns::Field &f) { f.setText(toPlainText()); });
        }
        if (!written)
            showValue();
    });
}

void DBMemo::setDataSource(cns::DataSource *source, const QString &fieldName)
{
    m_link.bind(source, fieldName);
}

void DBMemo::showValue()
{
    if (m_writing)
        return;
    const cns::Field *f = m_link.field();
    m_showing = true;
    setPlainText(f ? f->Text() : QString());
    m_showing = false;
}

} // namespace cns::ui
