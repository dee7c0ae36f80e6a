#pragma once

#include <QDialog>
#include <QStringList>

namespace cns {
class DataSet;
}
class QListWidget;

namespace cns::ui {

// The multi-select list: every row of a DataSet with a tick box, "all" and "none" buttons.
class ListDialog : public QDialog
{
    Q_OBJECT

public:
    ListDialog(const QString &title, cns::DataSet &rows, const QString &keyField, QWidget *parent = nullptr);
    QStringList tickedKeys() const;

    static bool choose(const QString &title, cns::DataSet &rows, const QString &keyField, QStringList *keys);

private:
    QListWidget *m_list;
};

} // namespace cns::ui
