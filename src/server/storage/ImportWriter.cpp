#include "ImportWriter.h"

#include "BulkInsert.h"
#include "Consiste.h"
#include "ConsumerHistory.h"
#include "DbSession.h"
#include "EErro.h"
#include "EErroBanco.h"
#include "FieldText.h"
#include "NumberFormat.h"
#include "Schema.h"
#include "TADOIBQuery.h"

#include <QDateTime>
#include <array>

namespace cns {

namespace {

QString key(const QString &client, const QString &consumer)
{
    return client + u'\x1f' + consumer;
}

// Where each field of a packet stands among the ones wanted (-1: not wanted).
template <size_t N>
std::vector<int> fieldSlots(const Packet &p, const std::array<int, N> &fields)
{
    std::vector<int> slotOf(size_t(p.fields().size()), -1);
    for (size_t i = 0; i < N; ++i) {
        if (fields[i] >= 0)
            slotOf[size_t(fields[i])] = int(i);
    }
    return slotOf;
}

// The texts of the wanted fields of a row, read in one walk; empty for a field the packet lacks.
// Marks in filled the fields that hold something: not null and, for a text, not empty.
template <size_t N>
void texts(const Row &row, const std::vector<int> &slotOf, std::array<QString, N> &out, std::vector<char> &filled)
{
    for (QString &t : out)
        t.clear();
    size_t field = 0;
    for (Row::Reader r(row); !r.atEnd(); ++field) {
        const int slot = field < slotOf.size() ? slotOf[field] : -1;
        const char *data = nullptr;
        qsizetype size = 0;
        if (r.peekTag() == Row::TagNull) {
            r.skip();
        } else if (r.nextText(&data, &size)) {
            if (size > 0 && field < filled.size())
                filled[field] = true;
            if (slot >= 0)
                out[size_t(slot)] = QString::fromUtf8(data, size);
        } else {
            if (field < filled.size())
                filled[field] = true;
            if (slot >= 0)
                out[size_t(slot)] = r.nextString();
            else
                r.skip();
        }
    }
}

QSet<QString> column(DbSession &db, const QString &sql, const QHash<QString, Value> &params)
{
    QSet<QString> out;
    const Packet p = db.select(sql, params, {{QStringLiteral("V"), FieldType::String, 0}});
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        out.insert(p.value(i, 0).toString());
    return out;
}

} // namespace

void ImportWriter::refuse(const QString &text, const Item &item, const QString &badge) const
{
    QString filled = text;
    filled.replace(QStringLiteral("%s"), badge);
    throw EErro(QStringLiteral("%1 (cliente %2, consumidor %3)").arg(filled, item.client, item.consumer));
}

void ImportWriter::readLayout(const QString &layout, const QString &branch)
{
    const Packet l = m_db.select(QStringLiteral("SELECT IDINACONSARQIMP, CDFILIAL FROM LAYOUTIMP WHERE CDLAYOUTIMP = :L"),
                                 {{QStringLiteral("L"), Value(layout)}},
                                 {{QStringLiteral("IDINACONSARQIMP"), FieldType::String, 1}, {QStringLiteral("CDFILIAL"), FieldType::String, 4}});
    if (l.rowCount() == 0)
        throw EErro(QStringLiteral("Layout %1 não cadastrado.").arg(layout));
    m_inactivate = l.value(0, 0).toString() != u"N";
    m_branch = branch.trimmed().isEmpty() ? l.value(0, 1).toString().trimmed() : branch.trimmed();
    if (m_branch.isEmpty())
        throw EErro(QStringLiteral("O layout deve estar associado à uma filial para ser utilizado para importação."));
    m_mapped = column(m_db, QStringLiteral("SELECT DISTINCT UPPER(NMCOLUNAIMP) FROM COLLAYOUTIMP WHERE CDLAYOUTIMP = :L"),
                      {{QStringLiteral("L"), Value(layout)}});
}

ImportWriter::Draft ImportWriter::draft(const Row &row, int r, const std::vector<int> &slotOf, bool balanceMapped,
                                        std::vector<char> &filled)
{
    using F = DraftField;
    std::array<QString, F::Count> t;
    texts(row, slotOf, t, filled);
    Draft d;
    d.valid = t[F::Valid] != u"N";
    d.item = Item{r,
                  std::move(t[F::Client]).trimmed(),
                  std::move(t[F::Consumer]).trimmed(),
                  std::move(t[F::Badge]).trimmed().toUpper(),
                  std::move(t[F::Type]).trimmed(),
                  std::move(t[F::CostCentre]).trimmed(),
                  {}};
    d.item.key = key(d.item.client, d.item.consumer);
    d.nameEmpty = Consiste::EmptyString(t[F::Name]);
    d.balanceBad = balanceMapped && t[F::Balance] != u"S" && t[F::Balance] != u"N";
    return d;
}

void ImportWriter::checkRows(const Packet &rows)
{
    using F = DraftField;
    const std::array<int, F::Count> fields = {rows.indexOf(u"CDCLIENTE"),  rows.indexOf(u"CDCONSUMIDOR"), rows.indexOf(u"NMCONSUMIDOR"),
                                              rows.indexOf(u"CDTIPOCONS"), rows.indexOf(u"CDCCUSCLIE"),   rows.indexOf(u"IDVERSALDCON"),
                                              rows.indexOf(u"CDIDCONSUMID"), rows.indexOf(u"IDVALIDO")};
    if (fields[F::Client] < 0 || fields[F::Consumer] < 0)
        throw EErro(QStringLiteral("setConsumidor: as linhas de importação não têm CDCLIENTE e CDCONSUMIDOR."));
    const std::vector<int> slotOf = fieldSlots(rows, fields);
    m_filled.assign(size_t(rows.fields().size()), false);
    QSet<QString> clients;
    m_items.reserve(rows.rowCount());
    m_inFile.reserve(rows.rowCount());
    for (qsizetype r = 0; r < rows.rowCount(); ++r) {
        Draft d = draft(rows.rows()[size_t(r)], int(r), slotOf, fields[F::Balance] >= 0, m_filled);
        Item &item = d.item;
        if (!d.valid) {
            // Still a consumer the file brings: it is not inactivated.
            if (!m_inFile.contains(item.key))
                m_inFile.insert(item.key, -1);
            continue;
        }
        if (item.client.isEmpty())
            refuse(m_texts.clientNull, item);
        if (item.consumer.isEmpty())
            refuse(m_texts.consumerNull, item);
        if (d.nameEmpty)
            refuse(m_texts.nameNull, item);
        if (item.type.isEmpty())
            refuse(m_texts.typeNull, item);
        if (item.costCentre.isEmpty())
            refuse(m_texts.costCentreNull, item);
        if (d.balanceBad)
            refuse(m_texts.balanceFlag, item);
        if (!clients.contains(item.client)) {
            if (m_db.count(QStringLiteral("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = :C"), {{QStringLiteral("C"), Value(item.client)}}) == 0)
                throw EErro(QStringLiteral("Cliente %1 não cadastrado.").arg(item.client));
            clients.insert(item.client);
        }
        item.repeated = m_inFile.value(item.key, -1) >= 0;
        m_inFile.insert(item.key, m_items.size()); // the last row of a consumer is what it ends as
        m_items.append(std::move(item));
    }
}

void ImportWriter::checkBadges()
{
    const QSet<QString> atBranch = column(m_db, QStringLiteral("SELECT CDCLIENTE FROM CLIENFILIAL WHERE CDFILIAL = :F"),
                                          {{QStringLiteral("F"), Value(m_branch)}});
    QHash<QString, const Item *> byBadge;
    byBadge.reserve(m_items.size());
    for (const Item &item : std::as_const(m_items)) {
        if (item.badge.isEmpty())
            continue;
        const Item *other = byBadge.value(item.badge);
        if (!other) {
            byBadge.insert(item.badge, &item);
            continue;
        }
        if (other->client == item.client && other->consumer != item.consumer)
            refuse(m_texts.badgeInFile, item, item.badge);
        if (other->client != item.client && atBranch.contains(item.client) && atBranch.contains(other->client))
            refuse(m_texts.badgeTwoClients, item, item.badge);
    }
    if (byBadge.isEmpty())
        return;
    const bool wholeDatabase =
        m_db.count(QStringLiteral("SELECT COUNT(*) FROM PARAVEND WHERE IDBLOQCDIDCONS = 'S'"), {}) > 0;
    const Packet held = m_db.select(
        QStringLiteral("SELECT UPPER(C.CDIDCONSUMID), C.CDCLIENTE, C.CDCONSUMIDOR FROM CONSUMIDOR C "
                       "WHERE C.CDIDCONSUMID IS NOT NULL AND C.CDIDCONSUMID <> '' AND (:P_TODOS = 'S' OR C.CDCLIENTE IN "
                       "(SELECT CDCLIENTE FROM CLIENFILIAL WHERE CDFILIAL = :P_CDFILIAL))"),
        {{QStringLiteral("P_TODOS"), Value(wholeDatabase ? QStringLiteral("S") : QStringLiteral("N"))},
         {QStringLiteral("P_CDFILIAL"), Value(m_branch)}},
        {{QStringLiteral("B"), FieldType::String, 0}, {QStringLiteral("C"), FieldType::String, 0}, {QStringLiteral("K"), FieldType::String, 0}});
    for (qsizetype i = 0; i < held.rowCount(); ++i) {
        const Item *item = byBadge.value(held.value(i, 0).toString().trimmed());
        if (!item)
            continue;
        const QString holder = key(held.value(i, 1).toString(), held.value(i, 2).toString());
        if (holder == key(item->client, item->consumer))
            continue;
        // The holder gives the badge up in this same file.
        if (const qsizetype at = m_inFile.value(holder, -1); at >= 0 && m_items.at(at).badge != item->badge)
            continue;
        refuse(m_texts.badgeInRegister, *item, item->badge);
    }
}

void ImportWriter::createTypesAndCostCentres()
{
    QSet<QString> types = column(m_db, QStringLiteral("SELECT CDTIPOCONS FROM TIPOCONS"), {});
    QHash<QString, QSet<QString>> centres;
    for (const Item &item : std::as_const(m_items)) {
        const QString &t = item.type;
        if (!types.contains(t)) {
            m_db.exec(QStringLiteral("INSERT INTO TIPOCONS (CDTIPOCONS, NMTIPOCONS) VALUES (:T, :N)"),
                      {{QStringLiteral("T"), Value(t)}, {QStringLiteral("N"), Value(QStringLiteral("Tipo %1 (importação)").arg(t).left(20))}});
            types.insert(t);
        }
        auto it = centres.find(item.client);
        if (it == centres.end())
            it = centres.insert(item.client, column(m_db, QStringLiteral("SELECT CDCCUSCLIE FROM CCUSCLIE WHERE CDCLIENTE = :C"),
                                                    {{QStringLiteral("C"), Value(item.client)}}));
        const QString &c = item.costCentre;
        if (!it->contains(c)) {
            m_db.exec(QStringLiteral("INSERT INTO CCUSCLIE (CDCLIENTE, CDCCUSCLIE, NMCCUSCLIE) VALUES (:C, :K, :N)"),
                      {{QStringLiteral("C"), Value(item.client)}, {QStringLiteral("K"), Value(c)},
                       {QStringLiteral("N"), Value(QStringLiteral("Centro de custo %1").arg(c))}});
            it->insert(c);
        }
    }
}

void ImportWriter::loadExisting(const QSet<QString> &clients)
{
    for (const QString &client : clients) {
        const Packet p = m_db.select(QStringLiteral("SELECT CDCONSUMIDOR, IDSITCONSUMI FROM CONSUMIDOR WHERE CDCLIENTE = :C"),
                                     {{QStringLiteral("C"), Value(client)}},
                                     {{QStringLiteral("K"), FieldType::String, 0}, {QStringLiteral("S"), FieldType::String, 0}});
        for (qsizetype i = 0; i < p.rowCount(); ++i)
            m_situation.insert(key(client, p.value(i, 0).toString()), p.value(i, 1).toString());
    }
}

QList<ImportWriter::ColumnPlan> ImportWriter::plans(const Packet &rows, const QStringList &columns)
{
    const TableDef &table = Schema::table(u"CONSUMIDOR");
    QList<ColumnPlan> out;
    for (const QString &name : columns) {
        ColumnPlan s;
        if (name != u"IDSITCONSUMI") {
            const TableDef::Column *c = table.column(name);
            s.column = c;
            s.field = rows.indexOf(name);
            s.type = c->type;
            s.size = c->size;
            s.cpf = name == u"NRCPFRESPCON";
        }
        out.append(s);
    }
    return out;
}

Value ImportWriter::columnValue(const Value &v, const ColumnPlan &c)
{
    if (c.field < 0)
        return Value(QStringLiteral("1"));
    if (c.type == TableDef::Type::Numeric) {
        std::optional<double> d;
        if (v.isNumber())
            d = v.toDouble();
        else if (v.kind() == Value::Kind::Text)
            d = NumberFormat::parse(v.toString());
        return d ? inRange(Value(*d), c) : Value();
    }
    if (c.type == TableDef::Type::Timestamp)
        return v.kind() == Value::Kind::Date ? inRange(v, c) : Value();
    QString s = v.isNull() ? QString() : v.toString().trimmed();
    // A CPF that the check digits refuse is stored empty, as the log warned.
    if (c.cpf && (!Consiste::CPFOk(s) || s.size() != 11))
        s.clear();
    FieldText::cutToSize(s, c.size);
    return s.isEmpty() ? Value() : Value(s);
}

Value ImportWriter::inRange(const Value &v, const ColumnPlan &c)
{
    if (QString beyond = TableDef::beyondRange(*c.column, v); !beyond.isEmpty()) {
        beyond[0] = beyond.at(0).toUpper();
        throw EErro(beyond + u'.');
    }
    return v;
}

bool ImportWriter::plainText(const char *data, qsizetype size, const ColumnPlan &c, QByteArrayView *out)
{
    if (c.cpf)
        return false;
    auto space = [](char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); };
    qsizetype b = 0, e = size;
    while (b < e && space(data[b]))
        ++b;
    while (e > b && space(data[e - 1]))
        --e;
    // Other characters at the ends may be spaces to trimmed(), and more bytes than the column's
    // width may still be fewer characters: both take the general way.
    if (b < e && (static_cast<unsigned char>(data[b]) >= 0x80 || static_cast<unsigned char>(data[e - 1]) >= 0x80))
        return false;
    if (c.size > 0 && e - b > c.size)
        return false;
    *out = QByteArrayView(data + b, e - b);
    return true;
}

void ImportWriter::fillRow(RowSink &sink, const Row &row, const QList<ColumnPlan> &plans, const std::vector<int> &columnOf)
{
    int field = 0;
    for (Row::Reader r(row); !r.atEnd(); ++field) {
        const int column = field < int(columnOf.size()) ? columnOf[size_t(field)] : -1;
        if (column < 0) {
            r.skip();
            continue;
        }
        const ColumnPlan &c = plans.at(column);
        const char *data = nullptr;
        qsizetype size = 0;
        QByteArrayView text;
        if (c.type == TableDef::Type::Varchar && r.nextText(&data, &size) && plainText(data, size, c, &text)) {
            if (text.isEmpty())
                sink.setNull(column);
            else
                sink.setText(column, text);
            continue;
        }
        sink.set(column, columnValue(data ? Value(QString::fromUtf8(data, size)) : r.next(), c));
    }
    // A short row would leave cells of the row before in place.
    if (field < int(columnOf.size()))
        throw EErro(QStringLiteral("setConsumidor: linha de importação com %1 valores para %2 campos.").arg(field).arg(columnOf.size()));
    for (int column = 0; column < plans.size(); ++column) {
        if (plans.at(column).field < 0)
            sink.setText(column, "1");
    }
    sink.endRow();
}

void ImportWriter::fillItem(RowSink &sink, const Packet &rows, const Item &item, const QList<ColumnPlan> &plans,
                            const std::vector<int> &columnOf) const
{
    try {
        fillRow(sink, rows.rows()[size_t(item.row)], plans, columnOf);
    } catch (const EErroBanco &) {
        throw;
    } catch (const EErro &e) {
        refuse(e.message(), item);
    }
}

void ImportWriter::write(const Packet &rows)
{
    const TableDef &table = Schema::table(u"CONSUMIDOR");
    QStringList insertColumns{QStringLiteral("IDSITCONSUMI")}, updateColumns{QStringLiteral("IDSITCONSUMI")};
    for (qsizetype i = 0; i < rows.fields().size(); ++i) {
        const FieldDef &f = rows.fields().at(i);
        if (!table.column(f.name) || f.name == u"IDSITCONSUMI")
            continue;
        // A column no row fills is left null by the insert without reading every row's cell.
        if (m_filled[size_t(i)])
            insertColumns.append(f.name);
        if (!table.isKey(f.name) && m_mapped.contains(f.name))
            updateColumns.append(f.name);
    }
    // A consumer the file brings twice is inserted by its first row and updated by the next: the
    // inserts go first.
    QList<const Item *> inserts, updates;
    for (Item &item : m_items) {
        item.inserted = !item.repeated && !m_situation.contains(item.key);
        (item.inserted ? inserts : updates).append(&item);
    }
    insertNew(rows, inserts, insertColumns);
    updateExisting(rows, updates, updateColumns);
    m_counts.inserted = int(inserts.size());
    m_counts.updated = int(updates.size());
}

void ImportWriter::stage(const QString &table, const QStringList &columns, qsizetype count, const RowFill &fill)
{
    m_db.temporaryTable(table, QStringLiteral("AS SELECT %1 FROM CONSUMIDOR WHERE 1 = 0").arg(columns.join(u',')));
    BulkInsert::insertRows(m_db.db(), table, columns, count, fill);
}

void ImportWriter::updateExisting(const Packet &rows, const QList<const Item *> &items, const QStringList &columns)
{
    if (items.isEmpty())
        return;
    // One statement for them all (a re-import updates every consumer of the file): the rows are
    // staged, the last row of a consumer only, which is what it ends as, and joined by the key.
    QHash<QString, const Item *> last;
    QList<const Item *> staged;
    for (const Item *item : items) {
        if (!last.contains(item->key))
            staged.append(item);
        last.insert(item->key, item);
    }
    const QStringList stagedColumns = QStringList(columns) << QStringLiteral("CDCLIENTE") << QStringLiteral("CDCONSUMIDOR");
    const QList<ColumnPlan> plans = ImportWriter::plans(rows, stagedColumns);
    std::vector<int> columnOf(size_t(rows.fields().size()), -1);
    for (int i = 0; i < plans.size(); ++i) {
        if (plans.at(i).field >= 0)
            columnOf[size_t(plans.at(i).field)] = i;
    }
    stage(QStringLiteral("TMPCONSIMP"), stagedColumns, staged.size(), [&](qsizetype i, RowSink &cells) {
        fillItem(cells, rows, *last.value(staged.at(i)->key), plans, columnOf);
    });
    // A consumer whose columns already hold what the file brings is left as it stands: in the
    // monthly re-import most are, and rewriting them would cost the database a new row version,
    // its index entries and its log for nothing.
    QStringList sets, same, sameHere;
    QList<ConsumerHistory::ColumnChange> changes;
    for (const QString &c : columns) {
        sets.append(QStringLiteral("%1 = S.%1").arg(c));
        same.append(QStringLiteral("CONSUMIDOR.%1 %2 S.%1").arg(c, m_db.dialect().nullSafeEqual));
        sameHere.append(QStringLiteral("C.%1 %2 S.%1").arg(c, m_db.dialect().nullSafeEqual));
        changes.append(ConsumerHistory::change(m_db, c, QStringLiteral("C.") + c, QStringLiteral("S.") + c));
    }
    // The history reads the same join first; when it finds no change, neither would the UPDATE.
    const int changed = m_history.changedColumns(
        QStringLiteral("TMPCONSIMP S JOIN CONSUMIDOR C ON C.CDCLIENTE = S.CDCLIENTE AND C.CDCONSUMIDOR = S.CDCONSUMIDOR"),
        QStringLiteral("NOT (%1)").arg(sameHere.join(QStringLiteral(" AND "))), QStringLiteral("C"), changes);
    if (changed > 0)
        m_db.exec(QStringLiteral("UPDATE CONSUMIDOR SET %1 FROM TMPCONSIMP S WHERE CONSUMIDOR.CDCLIENTE = S.CDCLIENTE "
                                 "AND CONSUMIDOR.CDCONSUMIDOR = S.CDCONSUMIDOR AND NOT (%2)")
                      .arg(sets.join(QStringLiteral(", ")), same.join(QStringLiteral(" AND "))));
    m_db.ddl(QStringLiteral("DROP TABLE TMPCONSIMP"));
}

void ImportWriter::insertNew(const Packet &rows, const QList<const Item *> &items, const QStringList &columns)
{
    const QList<ColumnPlan> plans = ImportWriter::plans(rows, columns);
    std::vector<int> columnOf(size_t(rows.fields().size()), -1);
    for (int i = 0; i < plans.size(); ++i) {
        if (plans.at(i).field >= 0)
            columnOf[size_t(plans.at(i).field)] = i;
    }
    const QString &markQuery = m_db.dialect().insertMarkQuery;
    if (!markQuery.isEmpty())
        m_insertMark = m_db.count(markQuery.arg(QStringLiteral("CONSUMIDOR")), {});
    BulkInsert::insertRows(m_db.db(), QStringLiteral("CONSUMIDOR"), columns, items.size(), [&](qsizetype i, RowSink &cells) {
        fillItem(cells, rows, *items.at(i), plans, columnOf);
    });
    for (const Item *item : items)
        m_history.included(item->client, item->consumer);
}

QString ImportWriter::insertedHere() const
{
    return m_db.dialect().insertedAfterMark.arg(QStringLiteral(":P_MARCA"));
}

void ImportWriter::tieToBranch()
{
    // New consumers in one statement where the database can tell them apart by their rows.
    if (m_insertMark >= 0)
        m_db.exec(m_db.dialect().insertIgnoringDuplicates.arg(
                      QStringLiteral("CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL)"),
                      QStringLiteral("SELECT CDCLIENTE, CDCONSUMIDOR, :F FROM CONSUMIDOR WHERE %1").arg(insertedHere())),
                  {{QStringLiteral("F"), Value(m_branch)}, {QStringLiteral("P_MARCA"), Value(m_insertMark)}});
    const QList<const Item *> rest = notInsertedHere();
    if (rest.isEmpty())
        return;
    QSet<QString> tied;
    const Packet p = m_db.select(QStringLiteral("SELECT CDCLIENTE, CDCONSUMIDOR FROM CONSUMIFILIAL WHERE CDFILIAL = :F"),
                                 {{QStringLiteral("F"), Value(m_branch)}},
                                 {{QStringLiteral("C"), FieldType::String, 0}, {QStringLiteral("K"), FieldType::String, 0}});
    tied.reserve(p.rowCount() + rest.size());
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        tied.insert(key(p.value(i, 0).toString(), p.value(i, 1).toString()));
    const std::unique_ptr<BulkInsert> ties = BulkInsert::open(
        m_db.db(), QStringLiteral("CONSUMIFILIAL"), {QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR"), QStringLiteral("CDFILIAL")});
    const QByteArray branch = m_branch.toUtf8();
    for (const Item *item : rest) {
        if (tied.contains(item->key))
            continue;
        tied.insert(item->key);
        // A new consumer's tie goes with its inclusion.
        if (!item->inserted)
            m_history.field(item->client, item->consumer, QStringLiteral("CONSUMIFILIAL"), {}, QStringLiteral("CDFILIAL"), {},
                            Value(m_branch));
        const QByteArray client = item->client.toUtf8(), consumer = item->consumer.toUtf8();
        ties->setText(0, client);
        ties->setText(1, consumer);
        ties->setText(2, branch);
        ties->endRow();
    }
    ties->finish();
}

QList<const ImportWriter::Item *> ImportWriter::notInsertedHere() const
{
    QList<const Item *> out;
    for (const Item &item : m_items) {
        if (m_insertMark < 0 || !item.inserted)
            out.append(&item);
    }
    return out;
}

void ImportWriter::registerBadges()
{
    const Value now(QDateTime::currentDateTimeUtc());
    if (m_insertMark >= 0)
        m_db.exec(m_db.dialect().insertIgnoringDuplicates.arg(
                      QStringLiteral("REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR, DTREGIDENT)"),
                      QStringLiteral("SELECT UPPER(CDIDCONSUMID), CDCLIENTE, CDCONSUMIDOR, :D FROM CONSUMIDOR "
                                     "WHERE %1 AND CDIDCONSUMID IS NOT NULL AND CDIDCONSUMID <> ''")
                          .arg(insertedHere())),
                  {{QStringLiteral("D"), now}, {QStringLiteral("P_MARCA"), Value(m_insertMark)}});
    const QList<const Item *> rest = notInsertedHere();
    // The one time of the call, written once in the form queries bind dates.
    const QByteArray nowText = TADOIBQuery::toSqlValue(now).toString().toUtf8();
    QHash<QString, QSet<QString>> known;
    const std::unique_ptr<BulkInsert> reg =
        BulkInsert::open(m_db.db(), QStringLiteral("REGIDENTCONS"),
                         {QStringLiteral("CDIDCONSUMID"), QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR"), QStringLiteral("DTREGIDENT")});
    for (const Item *item : rest) {
        if (item->badge.isEmpty())
            continue;
        auto it = known.find(item->client);
        if (it == known.end())
            it = known.insert(item->client,
                              column(m_db, QStringLiteral("SELECT UPPER(CDIDCONSUMID) || '|' || CDCONSUMIDOR FROM REGIDENTCONS WHERE CDCLIENTE = :C"),
                                     {{QStringLiteral("C"), Value(item->client)}}));
        const QString k = item->badge + u'|' + item->consumer;
        if (it->contains(k))
            continue;
        it->insert(k);
        const QByteArray badge = item->badge.toUtf8(), client = item->client.toUtf8(), consumer = item->consumer.toUtf8();
        reg->setText(0, badge);
        reg->setText(1, client);
        reg->setText(2, consumer);
        reg->setText(3, nowText);
        reg->endRow();
    }
    reg->finish();
}

void ImportWriter::inactivate(const QString &clientList)
{
    if (!m_inactivate)
        return;
    QList<QStringList> gone; // client and consumer
    for (const QString &c : clientList.split(u'_', Qt::SkipEmptyParts)) {
        const QString code = c.trimmed();
        const QString prefix = key(code, QString());
        for (auto it = m_situation.cbegin(); it != m_situation.cend(); ++it) {
            if (it.key().startsWith(prefix) && !m_inFile.contains(it.key()) && it.value() != u"2")
                gone.append({code, it.key().mid(prefix.size())});
        }
    }
    if (gone.isEmpty())
        return;
    // One statement for them all: a client's new list may leave out many of its consumers.
    const QStringList columns{QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR")};
    QList<QByteArray> texts(2);
    stage(QStringLiteral("TMPCONSIMP"), columns, gone.size(), [&](qsizetype i, RowSink &cells) {
        for (int c = 0; c < 2; ++c) {
            texts[c] = gone.at(i).at(c).toUtf8();
            cells.setText(c, texts[c]);
        }
        cells.endRow();
    });
    m_history.changedColumns(
        QStringLiteral("TMPCONSIMP S JOIN CONSUMIDOR C ON C.CDCLIENTE = S.CDCLIENTE AND C.CDCONSUMIDOR = S.CDCONSUMIDOR"),
        QStringLiteral("1 = 1"), QStringLiteral("C"),
        {ConsumerHistory::change(m_db, QStringLiteral("IDSITCONSUMI"), QStringLiteral("C.IDSITCONSUMI"), QStringLiteral("'2'"))});
    // Joined from the staged keys, so that each finds its consumer through the key's index.
    m_counts.inactivated = m_db.exec(QStringLiteral("UPDATE CONSUMIDOR SET IDSITCONSUMI = '2' FROM TMPCONSIMP S "
                                                    "WHERE CONSUMIDOR.CDCLIENTE = S.CDCLIENTE AND CONSUMIDOR.CDCONSUMIDOR = S.CDCONSUMIDOR"));
    m_db.ddl(QStringLiteral("DROP TABLE TMPCONSIMP"));
}

ImportWriter::Counts ImportWriter::run(const Packet &rows, const QString &layout, const QString &clientList, const QString &branch)
{
    readLayout(layout, branch);
    if (rows.rowCount() == 0)
        return m_counts;
    checkRows(rows);
    checkBadges();
    QSet<QString> clients;
    for (const Item &item : std::as_const(m_items))
        clients.insert(item.client);
    if (m_inactivate) {
        for (const QString &c : clientList.split(u'_', Qt::SkipEmptyParts))
            clients.insert(c.trimmed());
    }
    loadExisting(clients);
    createTypesAndCostCentres();
    write(rows);
    tieToBranch();
    registerBadges();
    inactivate(clientList);
    return m_counts;
}

} // namespace cns
