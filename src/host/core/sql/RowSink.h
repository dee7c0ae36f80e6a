#pragma once

#include "Value.h"

#include <QByteArrayView>
#include <functional>

namespace cns {

// The cells of one row at a time, as a loader of many rows takes them. A text already in UTF-8 (a
// packed row's own bytes) goes in without a copy and must stay valid until endRow(). Every column is
// set once per row.
class RowSink
{
public:
    virtual ~RowSink() = default;
    virtual void setText(int column, QByteArrayView utf8) = 0;
    virtual void setNull(int column) = 0;
    virtual void set(int column, const Value &v) = 0;
    virtual void endRow() = 0;
};

// Fills the cells of row number row (0 to count - 1) of a load, in row order; may raise EErro, which
// the load raises again once it has stopped.
using RowFill = std::function<void(qsizetype row, RowSink &cells)>;

} // namespace cns
