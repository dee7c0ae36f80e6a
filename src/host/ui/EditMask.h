#pragma once

#include <QString>

namespace cns::ui {

// Edit masks as the screens write them ("999.999.999-99;1; ", ">aaaa;0; "): the mask, whether the
// literals are part of the text, and the blank character. 0 is a required digit, 9 an optional one,
// A/a a letter or digit (required/optional), L/l a letter, C/c any character, > and < change case,
// \ makes the next character a literal.
class EditMask
{
public:
    explicit EditMask(const QString &delphiMask = {});

    bool isEmpty() const { return m_mask.isEmpty(); }
    QString qtInputMask() const; // for QLineEdit::setInputMask
    bool saveLiterals() const { return m_saveLiterals; }
    QChar blank() const { return m_blank; }

    // The characters the operator typed, without literals and blanks.
    QString stripped(const QString &text) const;
    // Raw characters laid into the mask with its literals ("52998224725" -> "529.982.247-25").
    QString format(const QString &raw) const;

private:
    static bool isPlaceholder(QChar c);
    QString m_mask;
    bool m_saveLiterals = true;
    QChar m_blank = u'_';
};

} // namespace cns::ui
