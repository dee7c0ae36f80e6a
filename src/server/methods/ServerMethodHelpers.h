#pragma once

#include "FieldDef.h"
#include "Packet.h"
#include "RemoteMethod.h"

namespace cns {

// Small pieces that the consumer module's method files share.
namespace ServerMethodHelpers {

// A declared text argument, named for the messages of a bad call.
RemoteMethod::Arg text(const char *name);
// A text field of a reply packet.
FieldDef textField(const char *name, int size);
// The reply of a read: a list whose first element is the packet.
Value packetReply(Packet packet);

} // namespace ServerMethodHelpers

} // namespace cns
