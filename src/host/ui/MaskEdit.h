#pragma once

#include "EditMask.h"

#include <QLineEdit>

namespace cns::ui {

// A masked edit that is not bound to a field (the client's registration number, the CPF): the
// system's mask, its text with or without literals, and a mask change that does not raise the
// change handler.
class MaskEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit MaskEdit(QWidget *parent = nullptr);

    void setEditMask(const QString &delphiMask);
    const EditMask &editMask() const { return m_mask; }
    // Changes mask and text without emitting textChanged (the screens' "without raising its change handler").
    void setMaskAndText(const QString &delphiMask, const QString &text);
    // From the displayed text, which keeps every position of the mask (text() drops the blanks).
    QString unmaskedText() const { return m_mask.stripped(displayText()); }

private:
    EditMask m_mask;
};

} // namespace cns::ui
