#include "ServerMethodHelpers.h"

namespace cns::ServerMethodHelpers {

RemoteMethod::Arg text(const char *name)
{
    return {QString::fromUtf8(name), RemoteMethod::Kind::Text};
}

FieldDef textField(const char *name, int size)
{
    return {QString::fromUtf8(name), FieldType::String, size};
}

Value packetReply(Packet packet)
{
    return Value(QList<Value> {Value(std::move(packet))});
}

} // namespace cns::ServerMethodHelpers
