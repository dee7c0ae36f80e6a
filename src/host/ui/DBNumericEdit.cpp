#include "DBNumericEdit.h"

#include "EErro.h"
#include "HandlerGuard.h"
#include "NumberFormat.h"

#include <QSignalBlocker>

namespace cns::ui {

DBNumericEdit::DBNumericEdit(QWidget *parent)
    : QLineEdit(parent), m_link([this] { showValue(); }, [] {}, [this] { flush(); })
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textEdited, this, [this] {
        HandlerGuard::run([this] {
            if (m_link.edit())
                m_dirty = true;
            else
                showValue();
        });
    });
}

void DBNumericEdit::setDataSource(cns::DataSource *source, const QString &fieldName)
{
    m_link.bind(source, fieldName);
}

void DBNumericEdit::showValue()
{
    if (m_dirty)
        return;
    const cns::Field *f = m_link.field();
    const QSignalBlocker block(this);
    if (!f || f->IsNull())
        setText(QString());
    else
        setText(hasFocus() ? cns::NumberFormat::plain(f->AsFloat()) : f->DisplayText());
}

void DBNumericEdit::flush()
{
    if (!m_dirty)
        return;
    cns::Field *f = m_link.field();
    if (!f || !m_link.editing()) {
        m_dirty = false;
        return;
    }
    const QString t = text().trimmed();
    if (t.isEmpty()) {
        m_dirty = false;
        f->Clear();
        return;
    }
    const auto value = cns::NumberFormat::parse(t);
    if (!value)
        throw cns::EErro(QStringLiteral("\"%1\" não é um valor válido para %2.").arg(t, f->displayLabel()));
    m_dirty = false;
    f->setAsFloat(*value);
}

void DBNumericEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    showValue();
}

void DBNumericEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    if (HandlerGuard::run([this] { flush(); }, this))
        showValue();
}

} // namespace cns::ui
