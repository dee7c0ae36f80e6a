#pragma once

#include "EditMask.h"
#include "FieldLink.h"

#include <QLineEdit>

namespace cns::ui {

// An edit bound to a field. It shows the field's text (through its get-text handler) and writes
// each change at once, putting the DataSet into editing first; the field's edit mask, or one set
// on the control, formats what is shown.
class DBEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DBEdit(QWidget *parent = nullptr);

    void setDataSource(cns::DataSource *source, const QString &fieldName);
    void setEditMask(const QString &delphiMask);
    FieldLink &link() { return m_link; }
    cns::Field *field() const { return m_link.field(); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString valueText() const; // the field's text as this control shows it
    void showValue();
    void onEdited(const QString &text);

    FieldLink m_link;
    EditMask m_mask;
    bool m_writing = false;
};

} // namespace cns::ui
