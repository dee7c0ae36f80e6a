#include "DataSet.h"

#include "DataSetListener.h"
#include "EErro.h"
#include "TextFold.h"

#include <algorithm>
#include <numeric>

namespace cns {

namespace {

// Restores the examined row when a predicate or a key reader is done, also when it throws.
class ProbeScope
{
public:
    ProbeScope(const Row *&probe, const Row *row) : m_probe(probe), m_saved(probe) { m_probe = row; }
    ~ProbeScope() { m_probe = m_saved; }
    ProbeScope(const ProbeScope &) = delete;
    ProbeScope &operator=(const ProbeScope &) = delete;

private:
    const Row *&m_probe;
    const Row *m_saved;
};

int compareValues(const Value &a, const Value &b, bool caseInsensitive)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    if (a.isNumber() && b.isNumber()) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    switch (a.kind()) {
    case Value::Kind::Text:
        if (b.kind() == Value::Kind::Text) {
            if (caseInsensitive) {
                const int c = TextFold::compare(a.toString(), b.toString());
                if (c != 0)
                    return c;
            }
            return a.toString().compare(b.toString());
        }
        break;
    case Value::Kind::Date:
        if (b.kind() == Value::Kind::Date) {
            const qint64 x = a.toDateTime().toMSecsSinceEpoch(), y = b.toDateTime().toMSecsSinceEpoch();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        break;
    case Value::Kind::Bool:
        if (b.kind() == Value::Kind::Bool)
            return int(a.toBool()) - int(b.toBool());
        break;
    case Value::Kind::Bytes:
        if (b.kind() == Value::Kind::Bytes)
            return a.toBytes().compare(b.toBytes());
        break;
    default: break;
    }
    return int(a.kind()) - int(b.kind());
}

} // namespace

DataSet::DataSet(QString name) : m_name(std::move(name)) {}

DataSet::~DataSet()
{
    const auto listeners = m_listeners;
    for (DataSetListener *l : listeners)
        l->destroyed(*this);
}

// ------------------------------------------------------------------ fields

Field &DataSet::AddField(const QString &name, FieldType type, int size, const QString &label)
{
    if (Active())
        throw EErro(QStringLiteral("%1: campos não podem ser acrescentados com o pacote aberto.").arg(m_name));
    if (fieldIndex(name) >= 0)
        throw EErro(QStringLiteral("%1: campo %2 repetido.").arg(m_name, name));
    if (m_dynamicFields) {
        m_fields.clear();
        m_dynamicFields = false;
    }
    m_fields.push_back(std::make_unique<Field>(this, int(m_fields.size()), FieldDef{name, type, size}));
    m_fields.back()->DisplayLabel = label;
    return *m_fields.back();
}

void DataSet::setFieldDefs(const QList<FieldDef> &defs)
{
    if (Active())
        throw EErro(QStringLiteral("%1: campos não podem ser trocados com o pacote aberto.").arg(m_name));
    checkFieldDefs(defs, m_name);
    m_fields.clear();
    for (const FieldDef &d : defs)
        m_fields.push_back(std::make_unique<Field>(this, int(m_fields.size()), d));
    m_dynamicFields = false;
}

void DataSet::setDynamicFieldDefs(const QList<FieldDef> &defs)
{
    if (m_dynamicFields && fieldDefs() == defs)
        return; // the same shape keeps its Field objects
    setFieldDefs(defs);
    m_dynamicFields = true;
}

QList<FieldDef> DataSet::fieldDefs() const
{
    QList<FieldDef> defs;
    defs.reserve(qsizetype(m_fields.size()));
    for (const auto &f : m_fields)
        defs.append(f->def());
    return defs;
}

int DataSet::fieldIndex(QStringView name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i]->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

Field *DataSet::FindField(QStringView name) const
{
    const int i = fieldIndex(name);
    return i < 0 ? nullptr : m_fields[size_t(i)].get();
}

Field &DataSet::FieldByName(QStringView name) const
{
    if (Field *f = FindField(name))
        return *f;
    throw EErro(QStringLiteral("Campo %1 não encontrado em %2.").arg(name, m_name));
}

QList<int> DataSet::fieldList(const QString &fieldNames) const
{
    QList<int> out;
    const QStringList names = fieldNames.split(u';', Qt::SkipEmptyParts);
    for (const QString &n : names)
        out.append(FieldByName(n.trimmed()).Index());
    return out;
}

// ------------------------------------------------------------------ listeners

void DataSet::addListener(DataSetListener *l)
{
    if (std::find(m_listeners.begin(), m_listeners.end(), l) == m_listeners.end())
        m_listeners.push_back(l);
}

void DataSet::removeListener(DataSetListener *l)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), l), m_listeners.end());
}

template<typename F>
void DataSet::notify(F &&f, bool evenWhenDisabled)
{
    if (m_disableCount > 0 && !evenWhenDisabled) {
        m_pendingNotify = true;
        return;
    }
    const auto listeners = m_listeners; // a listener may detach itself
    for (DataSetListener *l : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), l) != m_listeners.end())
            f(l);
    }
}

void DataSet::notifyAll()
{
    notify([this](DataSetListener *l) {
        l->stateChanged(*this);
        l->dataSetChanged(*this);
    });
}

void DataSet::DisableControls()
{
    ++m_disableCount;
}

void DataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0 && m_pendingNotify) {
        m_pendingNotify = false;
        notifyAll();
    }
}

// ------------------------------------------------------------------ state helpers

void DataSet::checkActive() const
{
    if (!Active())
        throw EErro(QStringLiteral("%1 não está aberto.").arg(m_name));
}

void DataSet::checkEditing(const char *what) const
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        throw EErro(QStringLiteral("%1 não está em edição ou inclusão: %2.").arg(m_name, QString::fromUtf8(what)));
}

void DataSet::setState(DataSetState s)
{
    if (m_state == s)
        return;
    m_state = s;
    notify([this](DataSetListener *l) { l->stateChanged(*this); });
}

DataSet::Slot DataSet::newSlot(Row row)
{
    Slot s;
    s.cur = std::move(row);
    s.id = m_nextId++;
    return s;
}

const Row *DataSet::currentRowData() const
{
    if (m_cur < 0 || m_cur >= int(m_view.size()) || m_view[size_t(m_cur)] == kPending)
        return nullptr;
    return &m_slots[size_t(m_view[size_t(m_cur)])].cur;
}

Value DataSet::fieldValue(int field) const
{
    if (m_probe)
        return m_probe->value(field);
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return m_buf.at(size_t(field));
    if (const Row *r = currentRowData())
        return r->value(field);
    return {};
}

void DataSet::setFieldValue(int field, const Value &v)
{
    checkEditing("atribuição de campo");
    Field &f = *m_fields.at(size_t(field));
    m_buf[size_t(field)] = coerceToField(f.def(), v);
    m_modified = true;
    notify([&](DataSetListener *l) { l->recordChanged(*this, &f); });
    if (f.OnChange)
        f.OnChange(f);
}

Row DataSet::packBuffer() const
{
    Row::Builder b;
    for (const Value &v : m_buf)
        b.addValue(v);
    return b.take();
}

// ------------------------------------------------------------------ open, close, data

void DataSet::openWithRows(std::vector<Row> rows)
{
    if (m_fields.empty())
        throw EErro(QStringLiteral("%1 não tem campos definidos.").arg(m_name));
    m_slots.clear();
    m_originals.clear();
    m_slots.reserve(rows.size());
    for (Row &r : rows)
        m_slots.push_back(newSlot(std::move(r)));
    m_buf.clear();
    m_modified = false;
    m_editSlot = -1;
    const bool wasActive = Active();
    m_state = DataSetState::Browse;
    rebuildView();
    resetCursor();
    if (!wasActive)
        notify([this](DataSetListener *l) { l->activeChanged(*this); }, true);
    notifyAll();
    if (!wasActive)
        fire(AfterOpen);
    fire(AfterScroll);
}

void DataSet::Open()
{
    if (Active())
        return;
    openWithRows({});
}

void DataSet::Close()
{
    if (!Active())
        return;
    m_buf.clear();
    m_modified = false;
    m_slots.clear();
    m_originals.clear();
    m_view.clear();
    m_cur = -1;
    m_bof = m_eof = true;
    m_state = DataSetState::Inactive;
    notify([this](DataSetListener *l) { l->activeChanged(*this); }, true);
    notifyAll();
    fire(AfterClose);
}

std::vector<Row> DataSet::adoptRows(Packet packet)
{
    const QList<FieldDef> &incoming = packet.fields();
    if (m_fields.empty() || m_dynamicFields) {
        if (fieldDefs() != incoming) {
            checkFieldDefs(incoming, m_name);
            m_fields.clear();
            for (const FieldDef &d : incoming)
                m_fields.push_back(std::make_unique<Field>(this, int(m_fields.size()), d));
        }
        m_dynamicFields = true;
        return std::move(packet.rows());
    }
    // Defined fields: take the packet's columns by name.
    QList<int> source;
    bool same = incoming.size() == qsizetype(m_fields.size());
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const int col = packet.indexOf(m_fields[i]->FieldName());
        if (col < 0)
            throw EErro(QStringLiteral("Campo %1 não veio no pacote recebido para %2.").arg(m_fields[i]->FieldName(), m_name));
        source.append(col);
        same = same && col == int(i) && incoming.at(col).type == m_fields[i]->DataType();
    }
    if (same)
        return std::move(packet.rows());
    std::vector<Row> rows;
    rows.reserve(packet.rows().size());
    std::vector<Value> values;
    for (const Row &r : packet.rows()) {
        values.clear();
        Row::Reader rd(r);
        while (!rd.atEnd())
            values.push_back(rd.next());
        Row::Builder b;
        for (size_t i = 0; i < m_fields.size(); ++i)
            b.addValue(coerceToField(m_fields[i]->def(), values.at(size_t(source.at(qsizetype(i))))));
        rows.push_back(b.take());
    }
    return rows;
}

void DataSet::setData(const Packet &packet)
{
    setData(Packet(packet));
}

void DataSet::setData(Packet &&packet)
{
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        m_state = DataSetState::Browse;
        m_buf.clear();
    }
    openWithRows(adoptRows(std::move(packet)));
}

void DataSet::setData(const std::shared_ptr<const Packet> &packet)
{
    if (!packet)
        throw EErro(QStringLiteral("%1: pacote vazio recebido.").arg(m_name));
    setData(*packet);
}

Packet DataSet::Data() const
{
    Packet p(fieldDefs());
    p.reserve(qsizetype(m_slots.size()));
    for (const Slot &s : m_slots) {
        if (s.status != RowStatus::Deleted)
            p.appendRow(s.cur);
    }
    return p;
}

void DataSet::AppendData(const Packet &packet)
{
    if (!Active()) {
        setData(packet);
        return;
    }
    CheckBrowseMode();
    const Bookmark keep = GetBookmark();
    std::vector<Row> rows = adoptRows(packet);
    m_slots.reserve(m_slots.size() + rows.size());
    for (Row &r : rows)
        m_slots.push_back(newSlot(std::move(r)));
    rebuildView();
    if (!keep || !GotoBookmark(keep))
        resetCursor();
    notifyAll();
}

void DataSet::EmptyDataSet()
{
    checkActive();
    m_buf.clear();
    m_modified = false;
    m_slots.clear();
    m_originals.clear();
    m_view.clear();
    m_state = DataSetState::Browse;
    resetCursor();
    notifyAll();
}

// ------------------------------------------------------------------ view: filter and order

bool DataSet::passesFilter(const Slot &s) const
{
    if (!m_filtered || !m_filter)
        return true;
    ProbeScope scope(m_probe, &s.cur);
    return m_filter(*this);
}

void DataSet::rebuildView()
{
    m_view.clear();
    m_view.reserve(m_slots.size());
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const Slot &s = m_slots[i];
        if (s.status != RowStatus::Deleted && passesFilter(s))
            m_view.push_back(int(i));
    }
    sortView();
}

void DataSet::sortView()
{
    if (!m_activeIndex || m_activeIndex->fields.isEmpty() || m_view.size() < 2)
        return;
    const IndexDef &ix = *m_activeIndex;
    const bool ci = ix.options.testFlag(IxCaseInsensitive);
    const bool desc = ix.options.testFlag(IxDescending);
    const qsizetype k = ix.fields.size();
    // Keys are read once per row, then rows are ordered by them; equal keys keep the stored order.
    std::vector<Value> keys(m_view.size() * size_t(k));
    for (size_t i = 0; i < m_view.size(); ++i) {
        const Row &r = m_slots[size_t(m_view[i])].cur;
        for (qsizetype j = 0; j < k; ++j)
            keys[i * size_t(k) + size_t(j)] = r.value(ix.fields.at(j));
    }
    std::vector<size_t> order(m_view.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (qsizetype j = 0; j < k; ++j) {
            const int c = compareValues(keys[a * size_t(k) + size_t(j)], keys[b * size_t(k) + size_t(j)], ci);
            if (c != 0)
                return desc ? c > 0 : c < 0;
        }
        return false;
    });
    std::vector<int> sorted(m_view.size());
    for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = m_view[order[i]];
    m_view.swap(sorted);
}

int DataSet::viewPosOfSlot(int slot) const
{
    const auto it = std::find(m_view.begin(), m_view.end(), slot);
    return it == m_view.end() ? -1 : int(it - m_view.begin());
}

int DataSet::slotIndexOfId(quint32 id) const
{
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].id == id)
            return int(i);
    }
    return -1;
}

void DataSet::setOnFilterRecord(FilterPredicate predicate)
{
    m_filter = std::move(predicate);
    if (m_filtered)
        Refilter();
}

void DataSet::setFiltered(bool on)
{
    if (m_filtered == on)
        return;
    m_filtered = on;
    Refilter();
}

void DataSet::Refilter()
{
    if (!Active())
        return;
    CheckBrowseMode();
    rebuildView();
    resetCursor();
    notifyAll();
    fire(AfterScroll);
}

void DataSet::AddIndex(const QString &name, const QString &fieldNames, IndexOptions options)
{
    for (const IndexDef &ix : std::as_const(m_indexes)) {
        if (ix.name.compare(name, Qt::CaseInsensitive) == 0)
            throw EErro(QStringLiteral("%1: índice %2 repetido.").arg(m_name, name));
    }
    m_indexes.append(IndexDef{name, fieldList(fieldNames), options});
}

void DataSet::setIndexName(const QString &name)
{
    const IndexDef *found = nullptr;
    if (!name.isEmpty()) {
        for (const IndexDef &ix : std::as_const(m_indexes)) {
            if (ix.name.compare(name, Qt::CaseInsensitive) == 0)
                found = &ix;
        }
        if (!found)
            throw EErro(QStringLiteral("%1: índice %2 não existe.").arg(m_name, name));
    }
    CheckBrowseMode();
    const Bookmark keep = GetBookmark();
    m_indexName = name;
    m_indexFieldNames.clear();
    m_activeIndex = found;
    if (!Active())
        return;
    rebuildView();
    if (!keep || !GotoBookmark(keep))
        resetCursor();
    notifyAll();
}

void DataSet::setIndexFieldNames(const QString &fieldNames, IndexOptions options)
{
    IndexDef ix{QString(), fieldList(fieldNames), options};
    CheckBrowseMode();
    const Bookmark keep = GetBookmark();
    m_fieldNamesIndex = ix;
    m_indexFieldNames = fieldNames;
    m_indexName.clear();
    m_activeIndex = ix.fields.isEmpty() ? nullptr : &m_fieldNamesIndex;
    if (!Active())
        return;
    rebuildView();
    if (!keep || !GotoBookmark(keep))
        resetCursor();
    notifyAll();
}

// ------------------------------------------------------------------ cursor

void DataSet::resetCursor()
{
    m_cur = m_view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_view.empty();
}

void DataSet::moveTo(int pos, bool fireEvents)
{
    if (fireEvents)
        fire(BeforeScroll);
    const int old = m_cur;
    m_cur = pos;
    if (old != m_cur)
        notify([this](DataSetListener *l) { l->scrolled(*this); });
    if (fireEvents)
        fire(AfterScroll);
}

void DataSet::First()
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    const int old = m_cur;
    resetCursor();
    if (old != m_cur)
        notify([this](DataSetListener *l) { l->scrolled(*this); });
    fire(AfterScroll);
}

void DataSet::Last()
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    const int old = m_cur;
    m_cur = int(m_view.size()) - 1;
    m_bof = m_view.empty();
    m_eof = true;
    if (old != m_cur)
        notify([this](DataSetListener *l) { l->scrolled(*this); });
    fire(AfterScroll);
}

int DataSet::MoveBy(int distance)
{
    checkActive();
    CheckBrowseMode();
    if (distance == 0 || m_view.empty() || (distance > 0 && m_eof) || (distance < 0 && m_bof)) {
        if (m_view.empty())
            m_bof = m_eof = true;
        return 0;
    }
    const int last = int(m_view.size()) - 1;
    int target = m_cur + distance;
    m_bof = m_eof = false;
    if (target > last) {
        target = last;
        m_eof = true;
    } else if (target < 0) {
        target = 0;
        m_bof = true;
    }
    const int moved = target - m_cur;
    if (moved != 0)
        moveTo(target, true);
    return moved;
}

void DataSet::Next()
{
    MoveBy(1);
}

void DataSet::Prior()
{
    MoveBy(-1);
}

int DataSet::RecNo() const
{
    if (!Active() || m_cur < 0)
        return 0;
    return m_cur + 1;
}

void DataSet::setRecNo(int recNo)
{
    checkActive();
    CheckBrowseMode();
    if (recNo < 1 || recNo > int(m_view.size()))
        throw EErro(QStringLiteral("%1: registro %2 não existe.").arg(m_name).arg(recNo));
    m_bof = m_eof = false;
    if (recNo - 1 != m_cur)
        moveTo(recNo - 1, true);
}

int DataSet::RecordCount() const
{
    if (!Active())
        return 0;
    return int(m_view.size()) - (m_state == DataSetState::Insert ? 1 : 0);
}

bool DataSet::IsEmpty() const
{
    return RecordCount() == 0 && m_state != DataSetState::Insert;
}

bool DataSet::Locate(const QString &fieldNames, const QList<Value> &values, LocateOptions options)
{
    checkActive();
    CheckBrowseMode();
    const QList<int> fields = fieldList(fieldNames);
    if (fields.size() != values.size())
        throw EErro(QStringLiteral("%1: Locate com %2 campos e %3 valores.").arg(m_name).arg(fields.size()).arg(values.size()));
    const bool ci = options.testFlag(CaseInsensitive);
    const bool partial = options.testFlag(PartialKey);
    for (size_t pos = 0; pos < m_view.size(); ++pos) {
        const Row &r = m_slots[size_t(m_view[pos])].cur;
        bool match = true;
        for (qsizetype j = 0; j < fields.size() && match; ++j) {
            const Value have = r.value(fields.at(j));
            const Value &want = values.at(j);
            if (want.kind() == Value::Kind::Text && have.kind() == Value::Kind::Text) {
                const Qt::CaseSensitivity cs = ci ? Qt::CaseInsensitive : Qt::CaseSensitive;
                match = partial ? have.toString().startsWith(want.toString(), cs)
                                : have.toString().compare(want.toString(), cs) == 0;
            } else if (want.isNull() || have.isNull()) {
                match = want.isNull() && have.isNull();
            } else {
                match = compareValues(have, coerceToField(m_fields[size_t(fields.at(j))]->def(), want), false) == 0;
            }
        }
        if (match) {
            m_bof = m_eof = false;
            if (int(pos) != m_cur)
                moveTo(int(pos), true);
            return true;
        }
    }
    return false;
}

DataSet::Bookmark DataSet::GetBookmark() const
{
    if (m_cur < 0 || m_cur >= int(m_view.size()) || m_view[size_t(m_cur)] == kPending)
        return 0;
    return m_slots[size_t(m_view[size_t(m_cur)])].id;
}

bool DataSet::GotoBookmark(Bookmark b)
{
    const int slot = slotIndexOfId(b);
    if (slot < 0)
        return false;
    const int pos = viewPosOfSlot(slot);
    if (pos < 0)
        return false;
    m_bof = m_eof = false;
    if (pos != m_cur)
        moveTo(pos, true);
    return true;
}

// ------------------------------------------------------------------ grid access

bool DataSet::isInsertRow(int row) const
{
    return row >= 0 && row < int(m_view.size()) && m_view[size_t(row)] == kPending;
}

Value DataSet::rowValue(int row, int field) const
{
    if (row < 0 || row >= int(m_view.size()))
        return {};
    if (m_view[size_t(row)] == kPending || (row == m_cur && m_state == DataSetState::Edit))
        return m_buf.at(size_t(field));
    return m_slots[size_t(m_view[size_t(row)])].cur.value(field);
}

QString DataSet::rowText(int row, int field, bool displayText) const
{
    if (row < 0 || row >= int(m_view.size()))
        return {};
    const Field &f = *m_fields.at(size_t(field));
    if (m_view[size_t(row)] == kPending || (row == m_cur && m_state == DataSetState::Edit))
        return displayText ? f.DisplayText() : f.Text();
    ProbeScope scope(m_probe, &m_slots[size_t(m_view[size_t(row)])].cur);
    return displayText ? f.DisplayText() : f.Text();
}

// ------------------------------------------------------------------ editing

void DataSet::CheckBrowseMode()
{
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void DataSet::Append()
{
    beginInsert(false);
}

void DataSet::Insert()
{
    beginInsert(true);
}

void DataSet::beginInsert(bool atCursor)
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeInsert);
    fire(BeforeScroll);
    m_buf.assign(m_fields.size(), Value());
    const int pos = atCursor ? std::max(m_cur, 0) : int(m_view.size());
    m_view.insert(m_view.begin() + pos, kPending);
    m_cur = pos;
    m_bof = m_eof = false;
    m_modified = false;
    m_editSlot = -1;
    m_state = DataSetState::Insert;
    notifyAll();
    fire(OnNewRecord);
    m_modified = false; // values set by the new-record event are defaults, not the operator's
    fire(AfterInsert);
    fire(AfterScroll);
}

void DataSet::Edit()
{
    checkActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return;
    if (RecordCount() == 0) {
        Insert();
        return;
    }
    fire(BeforeEdit);
    const Row *r = currentRowData();
    if (!r)
        throw EErro(QStringLiteral("%1: não há registro corrente para alterar.").arg(m_name));
    m_buf.clear();
    m_buf.reserve(m_fields.size());
    Row::Reader rd(*r);
    while (!rd.atEnd())
        m_buf.push_back(rd.next());
    m_buf.resize(m_fields.size());
    m_editSlot = m_view[size_t(m_cur)];
    m_modified = false;
    setState(DataSetState::Edit);
    fire(AfterEdit);
}

void DataSet::Post()
{
    checkActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    notify([this](DataSetListener *l) { l->updateRecord(*this); }, true);
    fire(BeforePost); // may throw: nothing below has happened yet
    Row packed = packBuffer();
    int slot = -1;
    if (m_state == DataSetState::Insert) {
        // Stored before the row it was inserted in front of, so that the stored order keeps it there.
        int physical = int(m_slots.size());
        for (size_t pos = size_t(m_cur) + 1; pos < m_view.size(); ++pos) {
            if (m_view[pos] != kPending) {
                physical = m_view[pos];
                break;
            }
        }
        if (m_activeIndex || m_filtered)
            physical = int(m_slots.size());
        Slot s = newSlot(std::move(packed));
        if (m_logChanges) {
            s.status = RowStatus::Inserted;
            s.seq = m_nextSeq++;
        }
        m_slots.insert(m_slots.begin() + physical, std::move(s));
        slot = physical;
    } else {
        slot = m_editSlot;
        Slot &s = m_slots[size_t(slot)];
        if (s.cur != packed) {
            if (m_logChanges && s.status == RowStatus::Unchanged) {
                m_originals[s.id] = s.cur;
                s.status = RowStatus::Modified;
                s.seq = m_nextSeq++;
            }
            s.cur = std::move(packed);
            // An edit that brings a row back to its original is no change any more.
            if (s.status == RowStatus::Modified && s.cur == m_originals.at(s.id)) {
                s.status = RowStatus::Unchanged;
                m_originals.erase(s.id);
                s.seq = 0;
            }
        }
    }
    const quint32 id = m_slots[size_t(slot)].id;
    const int oldCur = m_cur;
    m_buf.clear();
    m_modified = false;
    m_editSlot = -1;
    m_state = DataSetState::Browse;
    rebuildView();
    const int pos = viewPosOfSlot(slotIndexOfId(id));
    if (pos >= 0)
        m_cur = pos;
    else
        m_cur = m_view.empty() ? -1 : std::min(oldCur, int(m_view.size()) - 1);
    m_bof = m_eof = m_view.empty();
    notifyAll();
    fire(AfterPost);
}

void DataSet::Cancel()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    fire(BeforeCancel);
    const bool wasInsert = m_state == DataSetState::Insert;
    m_buf.clear();
    m_modified = false;
    m_editSlot = -1;
    if (wasInsert) {
        m_view.erase(m_view.begin() + m_cur);
        if (m_cur >= int(m_view.size()))
            m_cur = int(m_view.size()) - 1;
        m_bof = m_eof = m_view.empty();
    }
    m_state = DataSetState::Browse;
    notifyAll();
    fire(AfterCancel);
    if (wasInsert)
        fire(AfterScroll);
}

void DataSet::Delete()
{
    checkActive();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (RecordCount() == 0)
        throw EErro(QStringLiteral("%1 está vazio: não há registro para excluir.").arg(m_name));
    fire(BeforeDelete);
    fire(BeforeScroll);
    // A record being edited is deleted as it was stored; the edit is dropped.
    m_buf.clear();
    m_modified = false;
    m_editSlot = -1;
    const int slot = m_view[size_t(m_cur)];
    Slot &s = m_slots[size_t(slot)];
    if (!m_logChanges || s.status == RowStatus::Inserted) {
        m_slots.erase(m_slots.begin() + slot);
    } else {
        if (s.status == RowStatus::Unchanged) {
            m_originals[s.id] = s.cur;
            s.seq = m_nextSeq++;
        }
        s.status = RowStatus::Deleted;
    }
    const int oldCur = m_cur;
    m_state = DataSetState::Browse;
    rebuildView();
    m_cur = m_view.empty() ? -1 : std::min(oldCur, int(m_view.size()) - 1);
    m_bof = m_eof = m_view.empty();
    notifyAll();
    fire(AfterDelete);
    fire(AfterScroll);
}

// ------------------------------------------------------------------ change log

int DataSet::ChangeCount() const
{
    return int(std::count_if(m_slots.begin(), m_slots.end(),
                             [](const Slot &s) { return s.status != RowStatus::Unchanged; }));
}

ChangeSet DataSet::Delta() const
{
    std::vector<const Slot *> changed;
    for (const Slot &s : m_slots) {
        if (s.status != RowStatus::Unchanged)
            changed.push_back(&s);
    }
    std::sort(changed.begin(), changed.end(), [](const Slot *a, const Slot *b) { return a->seq < b->seq; });
    ChangeSet cs(fieldDefs());
    for (const Slot *s : changed) {
        switch (s->status) {
        case RowStatus::Inserted: cs.add({ChangeSet::Op::Insert, Row(), s->cur}); break;
        case RowStatus::Modified: cs.add({ChangeSet::Op::Update, m_originals.at(s->id), s->cur}); break;
        case RowStatus::Deleted: cs.add({ChangeSet::Op::Delete, m_originals.at(s->id), Row()}); break;
        case RowStatus::Unchanged: break;
        }
    }
    return cs;
}

void DataSet::compact(bool keepDeleted)
{
    std::vector<Slot> kept;
    kept.reserve(m_slots.size());
    for (Slot &s : m_slots) {
        if (s.status == RowStatus::Deleted && !keepDeleted) {
            m_originals.erase(s.id);
            continue;
        }
        kept.push_back(std::move(s));
    }
    m_slots.swap(kept);
}

void DataSet::MergeChangeLog()
{
    if (!Active())
        return;
    CheckBrowseMode();
    const Bookmark keep = GetBookmark();
    compact(false);
    for (Slot &s : m_slots) {
        s.status = RowStatus::Unchanged;
        s.seq = 0;
    }
    m_originals.clear();
    rebuildView();
    if (!keep || !GotoBookmark(keep))
        resetCursor();
}

void DataSet::CancelUpdates()
{
    if (!Active())
        return;
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        Cancel();
    // The cursor stays on its row when that row survives (an edit undone), else near where it was.
    const int oldCur = m_cur;
    const quint32 currentId = m_cur >= 0 && m_view[size_t(m_cur)] != kPending ? m_slots[size_t(m_view[size_t(m_cur)])].id : 0;
    std::vector<Slot> kept;
    kept.reserve(m_slots.size());
    for (Slot &s : m_slots) {
        if (s.status == RowStatus::Inserted)
            continue;
        if (s.status == RowStatus::Modified || s.status == RowStatus::Deleted)
            s.cur = m_originals.at(s.id);
        s.status = RowStatus::Unchanged;
        s.seq = 0;
        kept.push_back(std::move(s));
    }
    m_slots.swap(kept);
    m_originals.clear();
    rebuildView();
    const int pos = currentId ? viewPosOfSlot(slotIndexOfId(currentId)) : -1;
    m_cur = pos >= 0 ? pos : (m_view.empty() ? -1 : std::clamp(oldCur, 0, int(m_view.size()) - 1));
    m_bof = m_eof = m_view.empty();
    notifyAll();
    fire(AfterScroll);
}

} // namespace cns
