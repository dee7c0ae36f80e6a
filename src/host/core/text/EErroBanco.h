#pragma once

#include "EErro.h"

namespace cns {

// A failure of the database or of its driver. Its text is the database's own (often in English,
// with the statement or a value in it): it belongs in the application server's log, and the server
// answers its client with a text of its own naming the call (Dispatcher). Where no server stands
// between (the schema made at start-up, the host's own queries) it is shown as it is.
class EErroBanco : public EErro
{
public:
    using EErro::EErro;
};

} // namespace cns
