#pragma once

class TNetConnection;

// The server connection the module's dialogs share: the consumer screen's connection while that
// screen is open, otherwise one the module keeps for them.
namespace ModuleConnection {

TNetConnection &consumer();
void setConsumerScreenConnection(TNetConnection *net); // the consumer screen, on creation and closing
void closeOwn();                                      // the module unloads

} // namespace ModuleConnection
