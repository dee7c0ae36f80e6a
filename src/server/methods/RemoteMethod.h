#pragma once

#include "Value.h"

#include <QList>
#include <QString>
#include <functional>

namespace cns {

class MethodCall;

// A method of a remote data module: its name, its positional arguments (a name for messages and
// the kind each must have), whether it writes, and the handler that answers it.
struct RemoteMethod
{
    enum class Kind : unsigned char {
        Text,      // a text; null counts as the empty text
        Flag,      // true or false; the numbers -1 and 1 count as true, 0 as false
        Number,    // an integer or a float
        NumberOrNull, // a number, or null for a value left blank
        Packet,    // a data packet
        ChangeSet, // the pending changes of a packet
    };
    struct Arg
    {
        QString name;
        Kind kind;
    };

    QString name;
    QList<Arg> args;
    bool writes = false;
    std::function<Value(MethodCall &)> handler;

    static QString kindName(Kind kind);
};

} // namespace cns
