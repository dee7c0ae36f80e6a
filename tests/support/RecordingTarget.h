#pragma once

#include "CallTarget.h"
#include "Value.h"

#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <optional>

// The in-process server as the screens see it, recording each call; a test may answer some calls
// itself (a count, a refusal) and let the others through.
class RecordingTarget : public cns::CallTarget
{
public:
    using Answer = std::function<std::optional<cns::Value>(const QString &method, const QList<cns::Value> &args)>;

    explicit RecordingTarget(cns::CallTarget &inner) : m_inner(inner) {}

    QList<QPair<QString, QList<cns::Value>>> calls;
    QList<cns::CallOrigin> origins; // of each call, in the order of calls
    Answer answer;

    using cns::CallTarget::call;
    cns::Value call(const QString &module, const QString &method, const QList<cns::Value> &args,
                    const cns::CallOrigin &origin) override
    {
        calls.append({method, args});
        origins.append(origin);
        if (answer) {
            if (std::optional<cns::Value> v = answer(method, args))
                return *v;
        }
        return m_inner.call(module, method, args, origin);
    }
    QList<cns::Value> lastArgs(const QString &method) const
    {
        for (auto it = calls.crbegin(); it != calls.crend(); ++it) {
            if (it->first == method)
                return it->second;
        }
        return {};
    }
    int count(const QString &method) const
    {
        int n = 0;
        for (const auto &c : calls)
            n += c.first == method;
        return n;
    }
    QList<QList<cns::Value>> argsOf(const QString &method) const
    {
        QList<QList<cns::Value>> out;
        for (const auto &c : calls) {
            if (c.first == method)
                out.append(c.second);
        }
        return out;
    }

private:
    cns::CallTarget &m_inner;
};
