#pragma once

#include "FieldLink.h"

#include <QCheckBox>

namespace cns::ui {

// A check box bound to a flag field: ticked when the field holds ValueChecked ("S"), and writing
// ValueChecked or ValueUnchecked ("N") when clicked.
class DBCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit DBCheckBox(QWidget *parent = nullptr);

    QString ValueChecked = QStringLiteral("S");
    QString ValueUnchecked = QStringLiteral("N");

    void setDataSource(cns::DataSource *source, const QString &fieldName);
    cns::Field *field() const { return m_link.field(); }

private:
    void showValue();
    FieldLink m_link;
};

} // namespace cns::ui
