#pragma once

#include "Value.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace cns {

struct SqlDialect;

// What a bulk call's history keeps of each consumer it changes (HISTCONSLOTE.DSVALORANT), and once
// for the call (HISTCONSUMIDOR.DSVALORLOTE), as JSON arrays. The call's row holds the fields the
// call sets and their new values, alike for every consumer: [["IDTPVENDACONS","3"],["VRLIMDEBCONS",
// null]]. A consumer's row holds which of them changed, as the bits of a number (the first field
// is 1), and the value before of each of them in the same order: [1,"2",15.5]. The database writes
// a consumer's row with its own JSON function, which took a quarter of the time that composing a
// text of each changed field by concatenation took on SQLite.
class HistoryPack
{
public:
    struct Field
    {
        QString name;
        Value value; // null or text
    };
    struct Change
    {
        QString name;
        Value before, after;
    };
    // The SQL of a field's value before, and of whether it changes.
    struct Part
    {
        QString value, when;
    };

    // The call's fields and new values, and back.
    static QString packCall(const QList<Field> &fields);
    static QList<Field> unpackCall(const QString &packed);
    // The SQL of a consumer's row, parts in the order of the call's fields; and of its condition
    // that some field changes.
    static QString sql(const SqlDialect &dialect, const QList<Part> &parts);
    static QString anySql(const QList<Part> &parts);
    // The fields a consumer's row says changed, with their values before and after.
    static QList<Change> changes(const QString &packed, const QList<Field> &call);
    // packed with the value before of each of columns replaced by neutral (null stays null).
    static QString neutralised(const QString &packed, const QList<Field> &call, const QStringList &columns,
                               const QString &neutral);
};

} // namespace cns
