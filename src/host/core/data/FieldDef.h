#pragma once

#include "FieldType.h"

#include <QString>

namespace cns {

// A packet column as it travels: name (upper case, the database's), type and size. Size is the
// maximum length in characters of a text column, 0 when unbounded or not a text.
struct FieldDef
{
    QString name;
    FieldType type = FieldType::String;
    int size = 0;

    friend bool operator==(const FieldDef &a, const FieldDef &b)
    {
        return a.type == b.type && a.size == b.size && a.name == b.name;
    }
};

} // namespace cns
