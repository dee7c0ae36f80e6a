#pragma once

#include "DBGrid.h"

class TMessages;

// How the grids of consumers draw a cell: on the tooltip background, inactive consumers in red, the
// selected cell in the highlight colours, the situation as its text.
namespace ConsumerGridCell {

void draw(const cns::ui::DBGrid::Cell &cell, bool inactive, const TMessages &messages);

// The text of a code column of the further addresses: the name of a code that is set, else the
// cell's own value without surrounding blanks; the code itself where showCode asks for it.
QString addressCodeText(const cns::DataSet &rows, int row, const QString &codeField, const QString &nameField, bool showCode);

} // namespace ConsumerGridCell
