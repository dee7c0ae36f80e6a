#include "ConsumerHistory.h"

#include "BulkInsert.h"
#include "DbSession.h"
#include "FieldText.h"
#include "TADOIBQuery.h"

namespace cns {

const QString ConsumerHistory::kTable = QStringLiteral("HISTCONSUMIDOR");
const QString ConsumerHistory::kCallField = QStringLiteral("CHAMADA");
const QString ConsumerHistory::kBatchTable = QStringLiteral("HISTCONSLOTE");

// The packed rows are stored in the order of their calls, so that a bulk call's hundred thousand rows
// are appended rather than spread through the table (1.74x → 1.31x of the plain UPDATE on SQLite). A
// consumer's rows are found through the calls' rows, which name no consumer and are few, and then
// one key lookup per call.
QString ConsumerHistory::batchRowsOfConsumer()
{
    return QStringLiteral("%1 H JOIN %2 L ON L.NRHISTCONS = H.NRHISTCONS AND L.CDCLIENTE = :P_CDCLIENTE "
                          "AND L.CDCONSUMIDOR = :P_CDCONSUMIDOR "
                          "WHERE ((H.CDCLIENTE = :P_CDCLIENTE AND H.CDCONSUMIDOR IS NULL) "
                          "OR (H.CDCLIENTE IS NULL AND H.CDCONSUMIDOR IS NULL))")
        .arg(kTable, kBatchTable);
}

namespace {

// Sizes of the columns, as Schema.cpp defines them: a longer text is cut, as the packets cut theirs.
constexpr int kOperatorSize = 40, kBranchSize = 4, kMethodSize = 30, kCodeSize = 21, kNameSize = 30;

bool isPassword(const QString &column)
{
    return column == u"CDSENHACONS" || column == u"CDSENHASITE" || column == u"CDSENHACONSMD5";
}

bool isFingerprint(const QString &column)
{
    return column == u"DIGICONSUMIDOR" || column == u"DIGICONSUMIDOR2";
}

Value cut(const QString &text, int size)
{
    if (text.isEmpty())
        return {};
    QString s = text;
    FieldText::cutToSize(s, size);
    return Value(std::move(s));
}

const QStringList &columns()
{
    static const QStringList all = {QStringLiteral("DTHRHISTCONS"), QStringLiteral("CDOPERADOR"), QStringLiteral("CDFILIAL"),
                                    QStringLiteral("NMMETODO"),     QStringLiteral("CDCLIENTE"),  QStringLiteral("CDCONSUMIDOR"),
                                    QStringLiteral("NMTABELA"),     QStringLiteral("CDITEMHIST"), QStringLiteral("NMCAMPO"),
                                    QStringLiteral("DSVALORANT"),   QStringLiteral("DSVALORNOVO")};
    return all;
}

QString literal(const QString &name)
{
    // Column and table names of the schema: letters and digits only, safe as literals.
    return u'\'' + name + u'\'';
}

} // namespace

ConsumerHistory::ConsumerHistory(DbSession &db, CallOrigin origin, QString method)
    : m_db(db), m_origin(std::move(origin)), m_method(std::move(method)), m_time(QDateTime::currentDateTimeUtc())
{
}

Value ConsumerHistory::text(const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::Null: return {};
    case Value::Kind::Bool: return Value(v.toBool() ? QStringLiteral("S") : QStringLiteral("N"));
    case Value::Kind::Int: return Value(QString::number(v.toInt()));
    case Value::Kind::Float: {
        // As SQLite writes a NUMERIC column's value as text, so both ways of recording agree.
        QString s = QString::number(v.toDouble(), 'f', TableDef::kNumericDecimals);
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
        return Value(s == u"-0" ? QStringLiteral("0") : s);
    }
    case Value::Kind::Date: return Value(QString::fromLatin1(TADOIBQuery::dateText(v.toDateTime())));
    case Value::Kind::Text: return cut(v.toString(), kValueSize);
    default: return Value(QStringLiteral("(%1)").arg(Value::kindName(v.kind())));
    }
}

QString ConsumerHistory::recordedText(const QString &column, const Value &before, const Value &after, bool afterSide)
{
    if (isPassword(column))
        return afterSide ? QStringLiteral("alterada") : QString();
    if (isFingerprint(column)) {
        if (!afterSide)
            return {};
        return after.isNull() || after.toString().isEmpty() ? QStringLiteral("removida") : QStringLiteral("capturada");
    }
    const Value t = text(afterSide ? after : before);
    return t.isNull() ? QString() : t.toString();
}

QString ConsumerHistory::recordedSql(const QString &column, const QString &before, const QString &after, bool afterSide)
{
    if (isPassword(column))
        return afterSide ? QStringLiteral("'alterada'") : QStringLiteral("NULL");
    if (isFingerprint(column))
        return afterSide ? QStringLiteral("CASE WHEN %1 IS NULL OR %1 = '' THEN 'removida' ELSE 'capturada' END").arg(after)
                         : QStringLiteral("NULL");
    return QStringLiteral("CAST(%1 AS VARCHAR(%2))").arg(afterSide ? after : before).arg(kValueSize);
}

void ConsumerHistory::field(const QString &client, const QString &consumer, const QString &table, const QString &item,
                            const QString &field, const Value &before, const Value &after)
{
    // Compared as written: a zero read as an integer and written as a decimal is no change. A
    // secret is compared by its value, which its entry does not show.
    if (text(before) == text(after))
        return;
    const QString was = recordedText(field, before, after, false), is = recordedText(field, before, after, true);
    m_entries.append({client, consumer, table, item, field, was.isNull() ? Value() : Value(was), is.isNull() ? Value() : Value(is)});
}

ConsumerHistory::ColumnChange ConsumerHistory::change(const DbSession &db, const QString &column, const QString &before,
                                                      const QString &after)
{
    return {column, recordedSql(column, before, after, false), recordedSql(column, before, after, true),
            QStringLiteral("NOT (%1 %2 %3)").arg(before, db.dialect().nullSafeEqual, after),
            isPassword(column) || isFingerprint(column) ? QStringLiteral("NULL") : before};
}

void ConsumerHistory::row(const TableDef &table, const QList<Value> &before, const QList<Value> &after)
{
    const auto at = [&](const QString &name) {
        for (int i = 0; i < table.columns().size(); ++i) {
            if (table.columns().at(i).name == name)
                return !after.at(i).isNull() ? after.at(i) : before.at(i);
        }
        return Value();
    };
    const QString client = at(QStringLiteral("CDCLIENTE")).toString(), consumer = at(QStringLiteral("CDCONSUMIDOR")).toString();
    QStringList item;
    int lastKey = -1;
    for (int i = 0; i < table.columns().size(); ++i) {
        const QString &name = table.columns().at(i).name;
        if (table.isKey(name) && name != u"CDCLIENTE" && name != u"CDCONSUMIDOR") {
            item.append(at(name).toString());
            lastKey = i;
        }
    }
    bool allKey = true;
    for (int i = 0; i < table.columns().size(); ++i) {
        const QString &name = table.columns().at(i).name;
        if (table.isKey(name))
            continue;
        allKey = false;
        field(client, consumer, table.name(), item.join(u'/'), name, before.at(i), after.at(i));
    }
    if (allKey && lastKey >= 0)
        field(client, consumer, table.name(), {}, table.columns().at(lastKey).name, before.at(lastKey), after.at(lastKey));
}

void ConsumerHistory::call(const QString &client, const QString &summary)
{
    m_hasCall = true;
    m_callClient = client;
    m_callSummary = summary;
}

void ConsumerHistory::included(const QString &client, const QString &consumer)
{
    m_included.append({client, consumer});
}

qint64 ConsumerHistory::callNumber(const QString &newValues)
{
    if (m_callNumber >= 0)
        return m_callNumber;
    QHash<QString, Value> params = callParams();
    params.insert(QStringLiteral("H_NMCAMPO"), Value(kCallField));
    params.insert(QStringLiteral("H_DSVALORLOTE"), cut(newValues, kValueSize));
    m_callNumber = m_db.count(QStringLiteral("INSERT INTO %1 (DTHRHISTCONS, CDOPERADOR, CDFILIAL, NMMETODO, NMCAMPO, DSVALORLOTE) "
                                             "VALUES (:H_DTHRHISTCONS, :H_CDOPERADOR, :H_CDFILIAL, :H_NMMETODO, :H_NMCAMPO, "
                                             ":H_DSVALORLOTE) RETURNING NRHISTCONS")
                                  .arg(kTable),
                              params);
    return m_callNumber;
}

int ConsumerHistory::changedConsumers(const QString &from, const QString &where, const QString &ownerAlias,
                                      const QList<ColumnChange> &columns, const QList<HistoryPack::Field> &newValues,
                                      const QHash<QString, Value> &params)
{
    QList<HistoryPack::Part> parts;
    for (const ColumnChange &c : columns)
        parts.append({c.source, c.changes});
    QHash<QString, Value> all = params;
    all.insert(QStringLiteral("H_NRHISTCONS"), Value(callNumber(HistoryPack::packCall(newValues))));
    return m_db.exec(QStringLiteral("INSERT INTO %1 (CDCLIENTE, CDCONSUMIDOR, NRHISTCONS, DSVALORANT) "
                                    "SELECT %2.CDCLIENTE, %2.CDCONSUMIDOR, :H_NRHISTCONS, %3 FROM %4 WHERE (%5) AND (%6)")
                         .arg(kBatchTable, ownerAlias, HistoryPack::sql(m_db.dialect(), parts), from, where, HistoryPack::anySql(parts)),
                     all);
}

QHash<QString, Value> ConsumerHistory::callParams() const
{
    return {{QStringLiteral("H_DTHRHISTCONS"), Value(m_time)},
            {QStringLiteral("H_CDOPERADOR"), cut(m_origin.operador, kOperatorSize)},
            {QStringLiteral("H_CDFILIAL"), cut(m_origin.filial, kBranchSize)},
            {QStringLiteral("H_NMMETODO"), cut(m_method, kMethodSize)}};
}

int ConsumerHistory::changedColumns(const QString &from, const QString &where, const QString &ownerAlias,
                                    const QList<ColumnChange> &changes, const QHash<QString, Value> &params,
                                    const QString &table, const QString &item)
{
    if (changes.isEmpty())
        return 0;
    QStringList fields, before, after, changed;
    for (int i = 0; i < changes.size(); ++i) {
        const ColumnChange &c = changes.at(i);
        fields.append(QStringLiteral("SELECT %1 AS N, %2 AS NMCAMPO").arg(i).arg(literal(c.column)));
        before.append(QStringLiteral("WHEN %1 THEN %2").arg(i).arg(c.before));
        after.append(QStringLiteral("WHEN %1 THEN %2").arg(i).arg(c.after));
        changed.append(QStringLiteral("WHEN %1 THEN %2").arg(i).arg(c.changes));
    }
    // The field list is the inner side (CROSS JOIN keeps SQLite's order): each source row is
    // read once, and its few fields are tried against it.
    return rows(QStringLiteral("%1.CDCLIENTE, %1.CDCONSUMIDOR, %2, %3, F.NMCAMPO, CASE F.N %4 END, CASE F.N %5 END")
                    .arg(ownerAlias, literal(table), item, before.join(u' '), after.join(u' ')),
                QStringLiteral("FROM %1 CROSS JOIN (%2) F WHERE (%3) AND (CASE F.N %4 END)")
                    .arg(from, fields.join(QStringLiteral(" UNION ALL ")), where, changed.join(u' ')),
                params);
}

int ConsumerHistory::rows(const QString &values, const QString &from, const QHash<QString, Value> &params)
{
    QHash<QString, Value> all = params;
    all.insert(callParams());
    return m_db.exec(QStringLiteral("INSERT INTO %1 (%2) SELECT :H_DTHRHISTCONS, :H_CDOPERADOR, :H_CDFILIAL, :H_NMMETODO, %3 %4")
                         .arg(kTable, columns().join(QStringLiteral(", ")), values, from),
                     all);
}

void ConsumerHistory::flushIncluded()
{
    if (m_included.isEmpty())
        return;
    const Value number(callNumber({}));
    BulkInsert::insertRows(m_db.db(), kBatchTable, {QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR"), QStringLiteral("NRHISTCONS")},
                           m_included.size(), [&](qsizetype i, RowSink &cells) {
                               cells.set(0, cut(m_included.at(i).first, kCodeSize));
                               cells.set(1, cut(m_included.at(i).second, kCodeSize));
                               cells.set(2, number);
                               cells.endRow();
                           });
    m_included.clear();
}

void ConsumerHistory::flushCall()
{
    if (!m_hasCall)
        return;
    m_hasCall = false;
    if (m_callNumber < 0) {
        m_entries.append({m_callClient, {}, {}, {}, kCallField, {}, cut(m_callSummary, kValueSize)});
        return;
    }
    m_db.exec(QStringLiteral("UPDATE %1 SET CDCLIENTE = :C, DSVALORNOVO = :S WHERE NRHISTCONS = :N").arg(kTable),
              {{QStringLiteral("C"), cut(m_callClient, kCodeSize)},
               {QStringLiteral("S"), cut(m_callSummary, kValueSize)},
               {QStringLiteral("N"), Value(m_callNumber)}});
}

void ConsumerHistory::flush()
{
    flushIncluded();
    flushCall();
    if (m_entries.isEmpty())
        return;
    const QHash<QString, Value> call = callParams();
    const QList<Value> common = {call.value(QStringLiteral("H_DTHRHISTCONS")), call.value(QStringLiteral("H_CDOPERADOR")),
                                 call.value(QStringLiteral("H_CDFILIAL")), call.value(QStringLiteral("H_NMMETODO"))};
    BulkInsert::insertRows(m_db.db(), kTable, columns(), m_entries.size(), [&](qsizetype i, RowSink &cells) {
        const Entry &e = m_entries.at(i);
        int c = 0;
        for (const Value &v : common)
            cells.set(c++, v);
        for (const Value &v : {cut(e.client, kCodeSize), cut(e.consumer, kCodeSize), cut(e.table, kNameSize),
                               cut(e.item, kCodeSize), cut(e.field, kNameSize), e.before, e.after})
            cells.set(c++, v);
        cells.endRow();
    });
    m_entries.clear();
}

int ConsumerHistory::neutralise(DbSession &db, const QString &client, const QString &consumer,
                                const QHash<QString, QStringList> &columnsByTable, const QString &neutral)
{
    QStringList which;
    for (auto it = columnsByTable.cbegin(); it != columnsByTable.cend(); ++it) {
        QStringList names;
        for (const QString &c : it.value())
            names.append(literal(c));
        which.append(QStringLiteral("(NMTABELA = %1 AND NMCAMPO IN (%2))").arg(literal(it.key()), names.join(u',')));
    }
    if (which.isEmpty())
        return 0;
    return neutraliseBatch(db, client, consumer, columnsByTable.value(QStringLiteral("CONSUMIDOR")), neutral) + db.exec(QStringLiteral("UPDATE %1 SET DSVALORANT = CASE WHEN DSVALORANT IS NULL THEN NULL ELSE :P_NEUTRO END, "
                                  "DSVALORNOVO = CASE WHEN DSVALORNOVO IS NULL THEN NULL ELSE :P_NEUTRO END "
                                  "WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR AND (%2)")
                       .arg(kTable, which.join(QStringLiteral(" OR "))),
                   {{QStringLiteral("P_NEUTRO"), Value(neutral)},
                    {QStringLiteral("P_CDCLIENTE"), Value(client)},
                    {QStringLiteral("P_CDCONSUMIDOR"), Value(consumer)}});
}

int ConsumerHistory::neutraliseBatch(DbSession &db, const QString &client, const QString &consumer, const QStringList &columns,
                                     const QString &neutral)
{
    if (columns.isEmpty())
        return 0;
    const QHash<QString, Value> key = {{QStringLiteral("P_CDCLIENTE"), Value(client)}, {QStringLiteral("P_CDCONSUMIDOR"), Value(consumer)}};
    // One consumer's rows: a few, read and written again here.
    const Packet p = db.select(QStringLiteral("SELECT L.NRHISTCONS, L.DSVALORANT, H.DSVALORLOTE FROM %1 AND L.DSVALORANT IS NOT NULL")
                                   .arg(batchRowsOfConsumer()),
                               key,
                               {{QStringLiteral("N"), FieldType::Integer, 0}, {QStringLiteral("V"), FieldType::String, 0},
                                {QStringLiteral("L"), FieldType::String, 0}});
    int touched = 0;
    for (qsizetype i = 0; i < p.rowCount(); ++i) {
        const QString packed = p.value(i, 1).toString();
        const QString neutralised
            = HistoryPack::neutralised(packed, HistoryPack::unpackCall(p.value(i, 2).toString()), columns, neutral);
        if (neutralised == packed)
            continue;
        QHash<QString, Value> params = key;
        params.insert(QStringLiteral("N"), p.value(i, 0));
        params.insert(QStringLiteral("V"), Value(neutralised));
        touched += db.exec(QStringLiteral("UPDATE %1 SET DSVALORANT = :V WHERE CDCLIENTE = :P_CDCLIENTE AND "
                                          "CDCONSUMIDOR = :P_CDCONSUMIDOR AND NRHISTCONS = :N")
                               .arg(kBatchTable),
                           params);
    }
    return touched;
}

int ConsumerHistory::purge(DbSession &db, int days)
{
    const QHash<QString, Value> limit = {{QStringLiteral("P_LIMITE"), Value(QDateTime::currentDateTimeUtc().addDays(-days))}};
    // A packed row goes with its call's row.
    return db.exec(QStringLiteral("DELETE FROM %1 WHERE NRHISTCONS IN (SELECT NRHISTCONS FROM %2 WHERE DTHRHISTCONS < :P_LIMITE "
                                  "AND NMCAMPO = '%3')")
                       .arg(kBatchTable, kTable, kCallField),
                   limit)
        + db.exec(QStringLiteral("DELETE FROM %1 WHERE DTHRHISTCONS < :P_LIMITE").arg(kTable), limit);
}

} // namespace cns
