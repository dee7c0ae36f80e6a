#pragma once

#include "DBGrid.h"

class TMessages;

// How the grids of consumers draw a cell: on the tooltip background, inactive consumers in red, the
// selected cell in the highlight colours, the situation as its text.
namespace ConsumerGridCell {

void draw(const cns::ui::DBGrid::Cell &cell, bool inactive, const TMessages &messages);

} // namespace ConsumerGridCell
