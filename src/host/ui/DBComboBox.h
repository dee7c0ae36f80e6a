#pragma once

#include "FieldLink.h"

#include <QComboBox>

namespace cns::ui {

// A pick list bound to a field: shows the item whose text is the field's text and writes the text of
// the item chosen through the field's set-text handler (which turns "Ativo" into "1").
class DBComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DBComboBox(QWidget *parent = nullptr);

    void setDataSource(cns::DataSource *source, const QString &fieldName);
    cns::Field *field() const { return m_link.field(); }

private:
    void showValue();
    FieldLink m_link;
    bool m_writing = false;
};

} // namespace cns::ui
