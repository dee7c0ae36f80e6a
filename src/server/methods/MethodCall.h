#pragma once

#include "CallOrigin.h"
#include "ChangeSet.h"
#include "ConsumerHistory.h"
#include "RemoteMethod.h"
#include "Packet.h"
#include "Value.h"

#include <QList>
#include <memory>

namespace cns {

class DbSession;

// One call being answered: its arguments, already checked against the method's declaration, the
// database session (inside the call's transaction), and on whose behalf it is made.
class MethodCall
{
public:
    MethodCall(const RemoteMethod &declared, const QList<Value> &args, DbSession &db, const CallOrigin &origin = {})
        : m_declared(declared), m_args(args), m_db(db), m_origin(origin)
    {
    }

    DbSession &db() { return m_db; }
    const QString &method() const { return m_declared.name; }
    const CallOrigin &origin() const { return m_origin; }
    // The consumers' history of this call, made when a method first writes to it.
    ConsumerHistory &history()
    {
        if (!m_history)
            m_history = std::make_unique<ConsumerHistory>(m_db, m_origin, m_declared.name);
        return *m_history;
    }
    // The handler succeeded: what it left to write goes in before the commit.
    void finish()
    {
        if (m_history)
            m_history->flush();
    }

    QString text(int i) const { return m_args.at(i).isNull() ? QString() : m_args.at(i).toString(); }
    bool flag(int i) const { return m_args.at(i).toBool(); }
    double number(int i) const { return m_args.at(i).toDouble(); }
    const Value &value(int i) const { return m_args.at(i); }
    const Packet &packet(int i) const { return m_args.at(i).toPacket(); }
    const ChangeSet &changes(int i) const { return m_args.at(i).toChangeSet(); }

private:
    const RemoteMethod &m_declared;
    const QList<Value> &m_args;
    DbSession &m_db;
    CallOrigin m_origin;
    std::unique_ptr<ConsumerHistory> m_history;
};

} // namespace cns
