#include "ChangeSet.h"

namespace cns {

int ChangeSet::indexOf(QStringView name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QList<int> ChangeSet::changedFields(const Change &c) const
{
    QList<int> out;
    if (c.op != Op::Update)
        return out;
    Row::Reader a(c.oldRow);
    Row::Reader b(c.newRow);
    for (int i = 0; i < m_fields.size() && !a.atEnd() && !b.atEnd(); ++i) {
        if (a.next() != b.next())
            out.append(i);
    }
    return out;
}

QString ChangeSet::opName(Op op)
{
    switch (op) {
    case Op::Insert: return QStringLiteral("insert");
    case Op::Update: return QStringLiteral("update");
    case Op::Delete: return QStringLiteral("delete");
    }
    return {};
}

} // namespace cns
