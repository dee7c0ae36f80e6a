#pragma once

#include "CallOrigin.h"
#include "HistoryPack.h"
#include "TableDef.h"
#include "Value.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace cns {

class DbSession;

// The change history of consumers (HISTCONSUMIDOR, described in Schema.cpp) as one server call
// writes it. Every row of the call carries the call's one time (the server's, in UTC), the operator
// and branch it was made for, and the method. The rows known one by one are kept until the call
// ends and written then in one load, in its transaction (Dispatcher: a refused call leaves none);
// the changes of many consumers are written by the database from the rows they change, before the
// statement that changes them (changedColumns), or packed, one row per consumer (changedConsumers).
//
// What the history must never hold is written as what happened to it: a password or its digest as
// "alterada", a fingerprint as "capturada" or "removida".
class ConsumerHistory
{
public:
    static const QString kTable;
    // A bulk call's changes to each consumer, packed (Schema.cpp).
    static const QString kBatchTable;
    // FROM and WHERE of one consumer's packed rows (L) with their calls' rows (H), for the
    // parameters P_CDCLIENTE and P_CDCONSUMIDOR.
    static QString batchRowsOfConsumer();
    static constexpr int kValueSize = 2000; // DSVALORANT, DSVALORNOVO

    // The field of a bulk call's own row, which holds its arguments and counts.
    static const QString kCallField;

    ConsumerHistory(DbSession &db, CallOrigin origin, QString method);

    // One field of a consumer's data, as it was and as it is now (null: absent). Nothing is written
    // when both are alike.
    void field(const QString &client, const QString &consumer, const QString &table, const QString &item,
               const QString &field, const Value &before, const Value &after);
    // A row of a table of a consumer's data (CONSUMIDOR, ENDECONS, CONSUMIFILIAL) as a change set
    // wrote it: a value per column of the table, before and after (all null before an insert, after
    // a delete). One entry per changed column that is not a key; a row that is all key (a branch
    // link) is one entry of its last key column, made or removed.
    void row(const TableDef &table, const QList<Value> &before, const QList<Value> &after);
    // The row of a bulk call: its arguments that are not personal data, and its counts.
    void call(const QString &client, const QString &summary);

    // A column of a statement's source rows that a bulk write changes: the SQL of its value before
    // and after, and of whether it changes.
    struct ColumnChange
    {
        QString column;
        QString before, after, changes;
        QString source; // the SQL of the value before as stored, null for a value never kept
    };
    // The change of column from the SQL value before to the one after, compared null-safe.
    static ColumnChange change(const DbSession &db, const QString &column, const QString &before, const QString &after);
    // One entry per column that changes of each row of "FROM from WHERE where", written by one
    // statement; ownerAlias names the source of CDCLIENTE and CDCONSUMIDOR. Returns the entries.
    // The entries name table, and the item that item (an SQL expression) gives.
    int changedColumns(const QString &from, const QString &where, const QString &ownerAlias,
                       const QList<ColumnChange> &columns, const QHash<QString, Value> &params = {},
                       const QString &table = QStringLiteral("CONSUMIDOR"), const QString &item = QStringLiteral("NULL"));
    // One entry per row of "SELECT values FROM ...", values giving CDCLIENTE, CDCONSUMIDOR, NMTABELA,
    // CDITEMHIST, NMCAMPO, DSVALORANT, DSVALORNOVO in that order; written by one statement. Returns
    // the entries.
    int rows(const QString &values, const QString &from, const QHash<QString, Value> &params = {});
    // Only the consumers inserted by a bulk call: one packed row each, without values (the values are
    // the consumer's own; getHistCons shows it "incluído"), written in one load with the call's row.
    void included(const QString &client, const QString &consumer);
    // One packed row per row of "FROM from WHERE where" of which some column changes, holding the
    // value before of each one that does, written by one statement; ownerAlias names the source of
    // CDCLIENTE and CDCONSUMIDOR. The new values, alike for every row, go once in the call's row.
    // Returns the rows.
    int changedConsumers(const QString &from, const QString &where, const QString &ownerAlias,
                         const QList<ColumnChange> &columns, const QList<HistoryPack::Field> &newValues,
                         const QHash<QString, Value> &params = {});

    // Writes the entries kept so far; the dispatcher calls it before the call's commit.
    void flush();

    // How a column's value stands in the history: its text, or what happened to it where its value
    // must not be kept.
    static QString recordedText(const QString &column, const Value &before, const Value &after, bool afterSide);
    // The same in SQL, for a value expression of the column ("before" or "after" side).
    static QString recordedSql(const QString &column, const QString &before, const QString &after, bool afterSide);
    // A value as the history writes it: numbers without trailing zeros, dates as the database
    // writes them, texts as they are; null stays null.
    static Value text(const Value &v);

    // Neutralises, in the history of one consumer, the values of the columns an anonymisation erases
    // (by table), so that the history keeps no former personal value. Returns the rows touched.
    static int neutralise(DbSession &db, const QString &client, const QString &consumer,
                          const QHash<QString, QStringList> &columnsByTable, const QString &neutral);
    // Removes the rows older than days days. Returns how many.
    static int purge(DbSession &db, int days);

private:
    struct Entry
    {
        QString client, consumer, table, item, field;
        Value before, after;
    };
    QHash<QString, Value> callParams() const;
    static int neutraliseBatch(DbSession &db, const QString &client, const QString &consumer, const QStringList &columns,
                               const QString &neutral);
    // The number of the call's own row, written now if it is not yet (with the packed new values).
    qint64 callNumber(const QString &newValues);
    void flushIncluded();
    void flushCall();

    DbSession &m_db;
    CallOrigin m_origin;
    QString m_method;
    QDateTime m_time;
    QList<Entry> m_entries;
    QList<std::pair<QString, QString>> m_included;
    qint64 m_callNumber = -1;
    bool m_hasCall = false;
    QString m_callClient, m_callSummary;
};

} // namespace cns
