#pragma once

#include "ChangeSet.h"
#include "TableDef.h"

#include <QStringList>

namespace cns {

class ConsumerHistory;
class DbSession;

// Applies a packet's change set to its table, inside the caller's transaction. Inserts write the
// new row; updates write the changed columns and match the key and the original values of those
// columns; deletes match the key and every original value. A row that another operator changed or
// deleted meanwhile matches nothing and is refused with a Portuguese message: the caller's
// transaction then rolls back, so nothing of the change set is applied. Fields of the change set
// that are not columns of the table (display names joined from other tables) are not written.
// A new value beyond its column's range is refused before its statement, naming the field
// (TableDef::beyondRange), as no database would store it alike; so is a key text longer than its
// column, which other texts are cut to.
class ChangeSetWriter
{
public:
    struct Counts
    {
        int inserted = 0, updated = 0, deleted = 0;
    };

    ChangeSetWriter(DbSession &db, const TableDef &table) : m_db(db), m_table(table) {}

    // Columns written as null whatever the change set holds (a value the operator left blank).
    void setNullColumns(const QStringList &columns) { m_nullColumns = columns; }
    // Every row written is told to the consumers' history, with the values as stored.
    void setHistory(ConsumerHistory *history) { m_history = history; }

    Counts apply(const ChangeSet &changes);

private:
    struct Mapping
    {
        QList<int> fieldOfColumn; // per table column: index in the change set, -1 when absent
        QList<int> columns;       // table columns the change set carries
    };
    Mapping map(const ChangeSet &changes) const;
    QList<Value> values(const Row &row) const;
    Value newValue(const QList<Value> &row, int column, const Mapping &m) const;
    void insert(const Mapping &m, const QList<Value> &row);
    void update(const Mapping &m, const QList<Value> &oldRow, const QList<Value> &newRow);
    void remove(const Mapping &m, const QList<Value> &oldRow);
    [[noreturn]] void refuse(const Mapping &m, const QList<Value> &oldRow, bool deleting);
    QString keyText(const Mapping &m, const QList<Value> &row) const;
    QString whereKey(const Mapping &m, const QList<Value> &row, QHash<QString, Value> *params) const;
    int run(const QString &sql, const QHash<QString, Value> &params, const Mapping &m, const QList<Value> &row);
    // A value per column of the table, null where the change set has none.
    QList<Value> perColumn() const { return QList<Value>(m_table.columns().size()); }

    DbSession &m_db;
    const TableDef &m_table;
    QStringList m_nullColumns;
    ConsumerHistory *m_history = nullptr;
};

} // namespace cns
