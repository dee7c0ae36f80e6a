#pragma once

#include "ChangeSet.h"

#include <QString>

namespace cns {

class DbSession;

// The rules a consumer row keeps to be saved by SetConsumidor, whatever its caller checked before
// (SetConsumidor's comment lists them). A value an update leaves as it was is not looked at again:
// rows stored before a rule existed can still be changed in their other fields.
class ConsumerSaveRules
{
public:
    ConsumerSaveRules(DbSession &db, const ChangeSet &changes);

    // Raises EErro, naming the consumer, at the first rule the change breaks. Deletes pass.
    void check(const ChangeSet::Change &c) const;

private:
    QString text(const Row &row, int field) const;
    // Whether the change writes the field: every field of an insert, the changed ones of an update.
    bool writes(const ChangeSet::Change &c, int field) const;
    bool exists(const QString &sql, const QHash<QString, Value> &params) const;
    [[noreturn]] void refuse(const Row &row, const QString &why) const;

    void keepKey(const ChangeSet::Change &c) const;
    void checkKey(const ChangeSet::Change &c) const;
    void checkName(const ChangeSet::Change &c) const;
    void checkSituation(const ChangeSet::Change &c) const;
    void checkType(const ChangeSet::Change &c) const;
    void checkCostCentre(const ChangeSet::Change &c) const;
    void checkFingerprints(const ChangeSet::Change &c) const;

    DbSession &m_db;
    int m_client, m_consumer, m_name, m_situation, m_type, m_costCentre; // in the change set; -1: not sent
    int m_fingerprints[2];
};

} // namespace cns
