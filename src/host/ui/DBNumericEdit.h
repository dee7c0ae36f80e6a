#pragma once

#include "FieldLink.h"

#include <QLineEdit>

namespace cns::ui {

// A numeric edit bound to a float field: the field's display format while the control has not the
// focus ("1.234,50"), the plain number while it is edited ("1234,5"). What is typed is written when
// the control is left or the record posted; a text that is not a number is refused there.
class DBNumericEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DBNumericEdit(QWidget *parent = nullptr);

    void setDataSource(cns::DataSource *source, const QString &fieldName);
    cns::Field *field() const { return m_link.field(); }
    void flush(); // writes a pending text; raises EErro when it is not a number

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    void showValue();

    FieldLink m_link;
    bool m_dirty = false;
};

} // namespace cns::ui
