#include "DBEdit.h"

#include "HandlerGuard.h"
#include "ScopedFlag.h"

#include <QKeyEvent>
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

QString DBEdit::valueText() const
{
    const cns::Field *f = m_link.field();
    const QString value = f ? f->Text() : QString();
    return m_mask.isEmpty() ? value : m_mask.format(value);
}

void DBEdit::showValue()
{
    if (m_writing)
        return;
    const cns::Field *f = m_link.field();
    const QSignalBlocker block(this);
    if (m_mask.isEmpty() && f && isTextType(f->DataType()) && f->Size() > 0)
        setMaxLength(f->Size());
    setText(valueText());
}

// A field may show less while browsing than it holds (a badge without its check digit). The key
// that starts an edit therefore first puts the record into editing and shows the whole value, so
// that the key changes what is stored rather than what was shown.
void DBEdit::keyPressEvent(QKeyEvent *event)
{
    const bool changesText = !event->text().isEmpty() || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    if (changesText && !isReadOnly() && !m_link.editing() && m_link.canModify()) {
        const QString shown = text();
        const bool wholeSelected = hasSelectedText() && selectedText() == shown;
        const bool atEnd = cursorPosition() == shown.size();
        const int position = cursorPosition();
        bool editing = false;
        HandlerGuard::run([&] { editing = m_link.edit(); });
        if (editing && valueText() != shown) {
            showValue();
            if (wholeSelected)
                selectAll();
            else
                setCursorPosition(atEnd ? int(text().size()) : position);
        }
    }
    QLineEdit::keyPressEvent(event);
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
