#pragma once

#include "ChangeSet.h"
#include "Field.h"
#include "Packet.h"

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace cns {

class DataSetListener;

enum class DataSetState : unsigned char { Inactive, Browse, Edit, Insert };

// A local data packet with a cursor (the screens' cds* packets).
//
// What it promises:
// - Fields are defined before it opens (AddField) or taken from the first packet it loads; a
//   packet loaded into defined fields is matched to them by name.
// - Cursor: First, Next, Prior, Last, MoveBy, RecNo (1-based), Eof, Bof, Locate. Moving while a
//   record is being edited posts it first (or cancels it when nothing was changed).
// - Editing: Append/Insert/Edit put one record into a buffer; Post writes it, Cancel drops it.
//   A Before event that throws aborts its operation and leaves everything as it was: an aborted
//   post stays in editing with the operator's values.
// - Change log (when LogChanges): Delta() is what changed since the last merge, in the order rows
//   were first changed; an inserted row edited later is one insert, an inserted row deleted is
//   nothing, an edited row deleted is a delete of its original. CancelUpdates restores every row
//   as it was; MergeChangeLog accepts the current rows as the new originals. Rows loaded by
//   setData or AppendData are never changes.
// - Filter by predicate, and indexes on field lists (case-insensitive where asked); the row a
//   predicate or an index looks at is readable through FieldByName as if it were current.
// - Listeners (data sources, grids) hear of every change unless controls are disabled.
class DataSet
{
public:
    using Event = std::function<void(DataSet &)>;
    using FilterPredicate = std::function<bool(const DataSet &)>;

    enum LocateOption { CaseInsensitive = 0x1, PartialKey = 0x2 };
    Q_DECLARE_FLAGS(LocateOptions, LocateOption)
    enum IndexOption { IxCaseInsensitive = 0x1, IxDescending = 0x2 };
    Q_DECLARE_FLAGS(IndexOptions, IndexOption)
    using Bookmark = quint32; // 0: none

    explicit DataSet(QString name = {});
    virtual ~DataSet();
    DataSet(const DataSet &) = delete;
    DataSet &operator=(const DataSet &) = delete;

    const QString &Name() const { return m_name; }

    // ---- fields
    Field &AddField(const QString &name, FieldType type, int size = 0, const QString &label = {});
    void setFieldDefs(const QList<FieldDef> &defs);
    QList<FieldDef> fieldDefs() const;
    int FieldCount() const { return int(m_fields.size()); }
    Field &Fields(int i) const { return *m_fields.at(size_t(i)); }
    Field &FieldByName(QStringView name) const; // raises EErro naming the field and the packet
    Field *FindField(QStringView name) const;
    int fieldIndex(QStringView name) const;     // -1 when absent

    // ---- opening and data
    virtual void Open(); // an empty packet with the defined fields
    void Close();
    bool Active() const { return m_state != DataSetState::Inactive; }
    void setData(const Packet &packet);            // replaces every row; the change log is empty
    void setData(Packet &&packet);                 // the same, taking the packet's rows over
    void setData(const std::shared_ptr<const Packet> &packet);
    Packet Data() const;                           // the current rows, in their stored order
    void AppendData(const Packet &packet);         // adds rows as unchanged
    void EmptyDataSet();

    // ---- cursor
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    int RecNo() const;           // 1-based position in the current order; 0 when none
    void setRecNo(int recNo);
    int RecordCount() const;     // visible posted rows (the record being inserted is not counted)
    bool IsEmpty() const;
    bool Locate(const QString &fieldNames, const QList<Value> &values, LocateOptions options = {});
    Bookmark GetBookmark() const;
    bool GotoBookmark(Bookmark b);

    // ---- editing
    DataSetState State() const { return m_state; }
    bool Modified() const { return m_modified; }
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode(); // posts a changed record, cancels an untouched one

    Event BeforeInsert, AfterInsert, OnNewRecord, BeforeEdit, AfterEdit, BeforePost, AfterPost,
        BeforeDelete, AfterDelete, BeforeCancel, AfterCancel, BeforeScroll, AfterScroll, AfterOpen,
        AfterClose;

    // ---- change log
    bool LogChanges() const { return m_logChanges; }
    void setLogChanges(bool on) { m_logChanges = on; }
    int ChangeCount() const;
    ChangeSet Delta() const;
    void MergeChangeLog();
    void CancelUpdates();

    // ---- filter
    void setOnFilterRecord(FilterPredicate predicate);
    void setFiltered(bool on);
    bool Filtered() const { return m_filtered; }
    void Refilter(); // the predicate's inputs changed

    // ---- indexes
    void AddIndex(const QString &name, const QString &fieldNames, IndexOptions options = {});
    void setIndexName(const QString &name); // empty: stored order
    QString IndexName() const { return m_indexName; }
    // An unnamed index on the fields ("A;B"), case-sensitive and ascending unless told otherwise.
    void setIndexFieldNames(const QString &fieldNames, IndexOptions options = {});
    QString IndexFieldNames() const { return m_indexFieldNames; }

    // ---- controls
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }
    void addListener(DataSetListener *l);
    void removeListener(DataSetListener *l);

    // ---- reading any visible row without moving the cursor (grids)
    int rowCount() const { return int(m_view.size()); } // includes the record being inserted
    int currentRow() const { return m_cur; }            // 0-based, -1 when none
    Value rowValue(int row, int field) const;
    QString rowText(int row, int field, bool displayText) const; // through the field's handlers
    bool isInsertRow(int row) const;

    // Values of the record the fields read now (editing buffer, examined row or current row).
    Value fieldValue(int field) const;
    void setFieldValue(int field, const Value &v);

protected:
    // Opens with rows already packed for the defined fields (used by queries).
    void openWithRows(std::vector<Row> rows);
    bool hasPersistentFields() const { return !m_fields.empty() && !m_dynamicFields; }
    // Fields that belong to the data (a query's result), replaced by the next data of another shape.
    void setDynamicFieldDefs(const QList<FieldDef> &defs);

private:
    enum class RowStatus : unsigned char { Unchanged, Inserted, Modified, Deleted };
    struct Slot
    {
        Row cur;
        quint32 id = 0;      // bookmark
        quint32 seq = 0;     // order of the first change
        RowStatus status = RowStatus::Unchanged;
    };
    struct IndexDef
    {
        QString name;
        QList<int> fields;
        IndexOptions options;
    };
    struct Probe;
    static constexpr int kPending = -1;

    void checkActive() const;
    void checkEditing(const char *what) const;
    void setState(DataSetState s);
    void beginInsert(bool atCursor);
    void fire(const Event &e) { if (e) e(*this); }
    Slot newSlot(Row row);
    std::vector<Row> adoptRows(Packet packet);
    QList<int> fieldList(const QString &fieldNames) const;
    void rebuildView();
    bool passesFilter(const Slot &s) const;
    void sortView();
    int viewPosOfSlot(int slot) const;
    int slotIndexOfId(quint32 id) const;
    const Row *currentRowData() const;
    void moveTo(int pos, bool fireEvents);
    void resetCursor();
    Row packBuffer() const;
    void compact(bool keepDeleted);

    template<typename F>
    void notify(F &&f, bool evenWhenDisabled = false);
    void notifyAll();

    QString m_name;
    std::vector<std::unique_ptr<Field>> m_fields;
    bool m_dynamicFields = false;
    DataSetState m_state = DataSetState::Inactive;
    std::vector<Slot> m_slots;
    // The originals of the modified and deleted rows, by their slots' ids: kept beside the slots,
    // which then cost a row and its marks each (a log of millions of findings has one slot per finding).
    std::unordered_map<quint32, Row> m_originals;
    std::vector<int> m_view;
    int m_cur = -1;
    bool m_bof = true;
    bool m_eof = true;
    std::vector<Value> m_buf;
    int m_editSlot = -1;
    bool m_modified = false;
    quint32 m_nextId = 1;
    quint32 m_nextSeq = 1;
    bool m_logChanges = true;
    FilterPredicate m_filter;
    bool m_filtered = false;
    QList<IndexDef> m_indexes;
    QString m_indexName;
    QString m_indexFieldNames;
    IndexDef m_fieldNamesIndex;
    const IndexDef *m_activeIndex = nullptr;
    mutable const Row *m_probe = nullptr;
    int m_disableCount = 0;
    bool m_pendingNotify = false;
    std::vector<DataSetListener *> m_listeners;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DataSet::LocateOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(DataSet::IndexOptions)

} // namespace cns
