#include "DBEdit.h"

#include "ScopedFlag.h"

#include <QSignalBlocker>

namespace cns::ui {

DBEdit::DBEdit(QWidget *parent)
    : QLineEdit(parent), m_link([this] { showValue(); }, [] {})
{
    connect(this, &QLineEdit::textEdited, this, &DBEdit::onEdited);
}

void DBEdit::setDataSource(cns::DataSource *source, const QString &fieldName)
{
    m_link.bind(source, fieldName);
}

void DBEdit::setEditMask(const QString &delphiMask)
{
    m_mask = EditMask(delphiMask);
    const QSignalBlocker block(this);
    setInputMask(m_mask.qtInputMask());
    showValue();
}

void DBEdit::showValue()
{
    if (m_writing)
        return;
    const cns::Field *f = m_link.field();
    const QString value = f ? f->Text() : QString();
    const QSignalBlocker block(this);
    if (m_mask.isEmpty() && f && isTextType(f->DataType()) && f->Size() > 0)
        setMaxLength(f->Size());
    setText(m_mask.isEmpty() ? value : m_mask.format(value));
}

void DBEdit::onEdited(const QString &text)
{
    const QString value = m_mask.isEmpty() || m_mask.saveLiterals() ? text : m_mask.stripped(text);
    bool written = false;
    {
        const ScopedFlag writing(m_writing);
        written = m_link.write([&](cns::Field &f) { f.setText(value); });
    }
    if (!written)
        showValue();
}

} // namespace cns::ui
