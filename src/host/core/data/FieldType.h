#pragma once

#include <QString>
#include <optional>

namespace cns {

// The types a packet's column can have; the names are those of the wire.
enum class FieldType : unsigned char {
    String,    // "text"
    FixedChar, // "fixedtext"
    Float,     // "float"
    Integer,   // "integer"
    Boolean,   // "boolean"
    DateTime,  // "datetime"
    Blob,      // "blob"
};

QString fieldTypeName(FieldType type);
std::optional<FieldType> fieldTypeFromName(QStringView name);
bool isTextType(FieldType type);

} // namespace cns
