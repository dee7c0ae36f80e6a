#include "FieldType.h"

#include <array>

namespace cns {

namespace {
struct TypeName
{
    FieldType type;
    const char16_t *name;
};
constexpr std::array<TypeName, 7> kTypeNames{{
    {FieldType::String, u"text"},
    {FieldType::FixedChar, u"fixedtext"},
    {FieldType::Float, u"float"},
    {FieldType::Integer, u"integer"},
    {FieldType::Boolean, u"boolean"},
    {FieldType::DateTime, u"datetime"},
    {FieldType::Blob, u"blob"},
}};
} // namespace

QString fieldTypeName(FieldType type)
{
    for (const auto &entry : kTypeNames) {
        if (entry.type == type)
            return QString::fromUtf16(entry.name);
    }
    return {};
}

std::optional<FieldType> fieldTypeFromName(QStringView name)
{
    for (const auto &entry : kTypeNames) {
        if (name == QStringView(entry.name))
            return entry.type;
    }
    return std::nullopt;
}

bool isTextType(FieldType type)
{
    return type == FieldType::String || type == FieldType::FixedChar;
}

} // namespace cns
