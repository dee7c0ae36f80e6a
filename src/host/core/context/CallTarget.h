#pragma once

#include "CallOrigin.h"
#include "Value.h"

#include <QList>
#include <QString>

namespace cns {

// Something that answers a server call: the application server's dispatcher, called in-process by
// the embedded default, or a test's stand-in. The answer is the method's result, or an error value
// with the server's text.
class CallTarget
{
public:
    virtual ~CallTarget() = default;
    virtual Value call(const QString &module, const QString &method, const QList<Value> &args, const CallOrigin &origin) = 0;
    // A call made for no one in particular.
    Value call(const QString &module, const QString &method, const QList<Value> &args)
    {
        return call(module, method, args, CallOrigin{});
    }
    // Whether the method may change stored data (a write is never run twice for one call id);
    // true where the target cannot tell.
    virtual bool writes(const QString &module, const QString &method) const
    {
        Q_UNUSED(module);
        Q_UNUSED(method);
        return true;
    }
};

} // namespace cns
