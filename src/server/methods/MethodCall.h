#pragma once

#include "ChangeSet.h"
#include "RemoteMethod.h"
#include "Packet.h"
#include "Value.h"

#include <QList>

namespace cns {

class DbSession;

// One call being answered: its arguments, already checked against the method's declaration, and
// the database session (inside the call's transaction).
class MethodCall
{
public:
    MethodCall(const RemoteMethod &declared, const QList<Value> &args, DbSession &db) : m_declared(declared), m_args(args), m_db(db) {}

    DbSession &db() { return m_db; }
    const QString &method() const { return m_declared.name; }

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
};

} // namespace cns
