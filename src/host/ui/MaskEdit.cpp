#include "MaskEdit.h"

#include <QSignalBlocker>

namespace cns::ui {

MaskEdit::MaskEdit(QWidget *parent) : QLineEdit(parent) {}

void MaskEdit::setEditMask(const QString &delphiMask)
{
    m_mask = EditMask(delphiMask);
    setInputMask(m_mask.qtInputMask());
}

void MaskEdit::setMaskAndText(const QString &delphiMask, const QString &text)
{
    const QSignalBlocker block(this);
    setEditMask(delphiMask);
    setText(m_mask.isEmpty() ? text : m_mask.format(text));
}

} // namespace cns::ui
