#include "DBMemo.h"

#include "HandlerGuard.h"
#include "ScopedFlag.h"

DBMemo::DBMemo(QWidget *parent) : QPlainTextEdit(parent), m_link([this] { showValue(); }, [] {})
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing)
            return;
        HandlerGuard::run([this] {
            if (!m_link.edit()) {
                showValue();
                return;
            }
            const ScopedFlag writing(m_writing);
            m_link.field()->setText(toPlainText());
        });
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
