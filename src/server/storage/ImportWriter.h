#pragma once

#include "Packet.h"
#include "RowSink.h"
#include "TableDef.h"
#include "Value.h"

#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace cns {

class ConsumerHistory;
class DbSession;

// Stores an import (rdmImportConsu.setConsumidor) inside the caller's transaction: checks every
// row to be imported, refuses badge clashes, creates the consumer types and cost centres that do
// not exist, inserts new consumers and updates existing ones (by client and code), ties them to
// the layout's branch and, unless the layout says "N", inactivates the consumers of the file's
// clients that the file does not bring. Any refusal raises EErro; the transaction then stores
// nothing.
//
// An existing consumer gets only the columns the layout maps (and its situation): a column the
// file does not carry is never blanked. A packet with no rows stores nothing and inactivates no
// one: an empty import (a second confirmation after the rows were sent) must not empty a client.
//
// The consumers' history gets, in the same transaction: one entry per consumer inserted ("incluído",
// not its fields: a first import of many consumers would write tens of entries each), one per column
// an update or the inactivation changes (written by the database from the staged rows and the
// stored ones, before they are changed), one per branch link made for a consumer that existed, and
// the call's own (layout, file, clients, branch, counts).
class ImportWriter
{
public:
    struct Texts
    {
        QString clientNull, consumerNull, nameNull, typeNull, costCentreNull, balanceFlag, badgeTwoClients,
            badgeInRegister, badgeInFile; // the last three with "%s" for the badge
    };
    struct Counts
    {
        int inserted = 0, updated = 0, inactivated = 0;
    };

    ImportWriter(DbSession &db, Texts texts, ConsumerHistory &history) : m_db(db), m_texts(std::move(texts)), m_history(history) {}

    Counts run(const Packet &rows, const QString &layout, const QString &clientList, const QString &branch);

private:
    struct Item
    {
        int row = 0;
        QString client, consumer, badge, type, costCentre;
        QString key; // client and consumer, as the sets of the writer hold them
        bool repeated = false; // an earlier row of the file brings the same consumer
        bool inserted = false;
    };
    // A CONSUMIDOR column and where its value comes from.
    struct ColumnPlan
    {
        int field = -1; // in the import rows; -1: the situation, always active
        const TableDef::Column *column = nullptr; // null for the situation
        TableDef::Type type = TableDef::Type::Varchar;
        int size = 0;
        bool cpf = false;
    };
    // The fields of an import row that the row checks read.
    struct DraftField
    {
        enum { Client, Consumer, Name, Type, CostCentre, Balance, Badge, Valid, Count };
    };
    // What the row checks need of one row, read and trimmed; marks in filled the row's fields that
    // hold something.
    struct Draft
    {
        Item item;
        bool valid = true; // not marked invalid by the consistency run
        bool nameEmpty = false;
        bool balanceBad = false; // the balance flag is mapped and neither "S" nor "N"
    };
    static Draft draft(const Row &row, int r, const std::vector<int> &slotOf, bool balanceMapped, std::vector<char> &filled);
    void readLayout(const QString &layout, const QString &branch);
    void checkRows(const Packet &rows);
    void checkBadges();
    void createTypesAndCostCentres();
    void loadExisting(const QSet<QString> &clients);
    void write(const Packet &rows);
    void tieToBranch();
    void inactivate(const QString &clientList);
    // The items whose consumer this call did not insert in a way the database can tell apart
    // (all of them where it cannot): their ties and badges are written one by one.
    QList<const Item *> notInsertedHere() const;
    void registerBadges();
    // The condition that holds for the consumers this call inserted, with the mark as :P_MARCA.
    QString insertedHere() const;
    [[noreturn]] void refuse(const QString &text, const Item &item, const QString &badge = {}) const;
    static QList<ColumnPlan> plans(const Packet &rows, const QStringList &columns);
    static Value columnValue(const Value &v, const ColumnPlan &c);
    // v, when the column holds it alike on every database; raises EErro naming the column otherwise.
    static Value inRange(const Value &v, const ColumnPlan &c);
    // A text cell as the row holds it (UTF-8), when storing it needs no more than trimming ASCII
    // spaces; false when it takes columnValue().
    static bool plainText(const char *data, qsizetype size, const ColumnPlan &c, QByteArrayView *out);
    void insertNew(const Packet &rows, const QList<const Item *> &items, const QStringList &columns);
    void updateExisting(const Packet &rows, const QList<const Item *> &items, const QStringList &columns);
    // Rows given cell by cell into a temporary table of the connection made anew with CONSUMIDOR's
    // types for the given columns (DbSession::temporaryTable).
    void stage(const QString &table, const QStringList &columns, qsizetype count, const RowFill &fill);
    // The cells of one new consumer: columnOf gives the insert column of each field of the row
    // (-1: none).
    static void fillRow(RowSink &sink, const Row &row, const QList<ColumnPlan> &plans, const std::vector<int> &columnOf);
    // fillRow for the row of an item; a value it refuses is refused naming the item's consumer.
    void fillItem(RowSink &sink, const Packet &rows, const Item &item, const QList<ColumnPlan> &plans,
                  const std::vector<int> &columnOf) const;

    DbSession &m_db;
    Texts m_texts;
    ConsumerHistory &m_history;
    QString m_branch;
    bool m_inactivate = true;
    QSet<QString> m_mapped; // the layout's target columns
    QList<Item> m_items; // the rows to store
    std::vector<char> m_filled; // per field of the rows: some row holds something there
    QHash<QString, qsizetype> m_inFile; // every consumer of the file: key -> its last item (-1: rows marked invalid only)
    // Where the database can tell them (SqlDialect::insertMarkQuery), CONSUMIDOR's mark before this
    // call: the consumers inserted by it are after it. -1 where it cannot.
    qint64 m_insertMark = -1;
    QHash<QString, QString> m_situation; // existing consumers of the file's clients: key -> IDSITCONSUMI
    Counts m_counts;
};

} // namespace cns
