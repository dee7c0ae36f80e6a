#pragma once

#include "FieldLink.h"

#include <QPlainTextEdit>

namespace cns::ui {

// A multi-line text bound to a field, written as it is typed.
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DBMemo(QWidget *parent = nullptr);

    void setDataSource(cns::DataSource *source, const QString &fieldName);
    cns::Field *field() const { return m_link.field(); }

private:
    void showValue();
    FieldLink m_link;
    bool m_writing = false;
    bool m_showing = false;
};

} // namespace cns::ui
