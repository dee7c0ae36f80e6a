#pragma once

#include "FieldDef.h"
#include "Row.h"

#include <QList>
#include <vector>

namespace cns {

// The pending changes of a packet since its last merge, in the order they were first made.
// An insert carries the new row, a delete the original row, an update both: the original values
// let the server refuse a row that another operator changed meanwhile.
class ChangeSet
{
public:
    enum class Op : unsigned char { Insert, Update, Delete };

    struct Change
    {
        Op op = Op::Insert;
        Row oldRow; // empty for an insert
        Row newRow; // empty for a delete

        friend bool operator==(const Change &a, const Change &b)
        {
            return a.op == b.op && a.oldRow == b.oldRow && a.newRow == b.newRow;
        }
    };

    ChangeSet() = default;
    explicit ChangeSet(QList<FieldDef> fields) : m_fields(std::move(fields)) {}

    const QList<FieldDef> &fields() const { return m_fields; }
    int indexOf(QStringView name) const;
    const std::vector<Change> &changes() const { return m_changes; }
    std::vector<Change> &changes() { return m_changes; }
    bool isEmpty() const { return m_changes.empty(); }
    qsizetype size() const { return qsizetype(m_changes.size()); }
    void add(Change c) { m_changes.push_back(std::move(c)); }

    // Indices of the fields whose new value differs from the original (updates only).
    QList<int> changedFields(const Change &c) const;

    static QString opName(Op op);

    friend bool operator==(const ChangeSet &a, const ChangeSet &b)
    {
        return a.m_fields == b.m_fields && a.m_changes == b.m_changes;
    }

private:
    QList<FieldDef> m_fields;
    std::vector<Change> m_changes;
};

} // namespace cns
