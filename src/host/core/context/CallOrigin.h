#pragma once

#include <QString>

namespace cns {

// Who makes a server call: the operator signed in at the host and the branch it processes for.
// The server writes them beside the changes the call makes (the consumers' history); it grants
// nothing by them. Empty when a call is made for no one (a test, a tool of the server itself).
struct CallOrigin
{
    QString operador;
    QString filial;
};

} // namespace cns
