#pragma once

#include <QString>
#include <QStringList>

namespace cns::ui {

// A column of a data grid: the field it shows, its title and width, and how it is edited.
struct GridColumn
{
    GridColumn(QString field = {}, int pixels = 0, QString caption = {})
        : fieldName(std::move(field)), title(std::move(caption)), width(pixels)
    {
    }

    QString fieldName;
    QString title;         // empty: the field's display label
    int width = 0;         // pixels; 0: from the field's size
    bool readOnly = false;
    QStringList pickList;  // edited by choosing one of these texts
    bool ellipsis = false; // its editor shows an edit button ("...") that raises the grid's button event
};

} // namespace cns::ui
