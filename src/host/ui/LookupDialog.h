#pragma once

#include "DataSource.h"

#include <QDialog>
#include <QStringList>

class QLineEdit;

namespace cns::ui {

class DBGrid;

// The lookup window: the rows of a DataSet in a grid, a search box that moves to the first row
// whose shown text begins with what is typed (letter case ignored), Enter or a double click picks.
class LookupDialog : public QDialog
{
    Q_OBJECT

public:
    LookupDialog(const QString &title, cns::DataSet &rows, const QStringList &fields, QWidget *parent = nullptr);

    static bool choose(const QString &title, cns::DataSet &rows, const QStringList &fields);

private:
    void search(const QString &text);

    cns::DataSet &m_rows;
    cns::DataSource m_source;
    DBGrid *m_grid;
    QLineEdit *m_search;
    QStringList m_fields;
};

} // namespace cns::ui
