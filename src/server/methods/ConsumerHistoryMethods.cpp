#include "ConsumerHistoryMethods.h"

#include "ConsumerHistory.h"
#include "HistoryPack.h"
#include "DbSession.h"
#include "MethodCall.h"
#include "NumberFormat.h"
#include "Schema.h"
#include "ServerMethodHelpers.h"

#include <QDateTime>

#include <algorithm>

namespace cns::ConsumerHistoryMethods {

namespace {

using ServerMethodHelpers::packetReply;
using ServerMethodHelpers::text;
using ServerMethodHelpers::textField;

enum Column { When, Operator, Branch, Method, Table, Item, Field, Before, After };

// A stored value as the screen shows it: the history holds numbers and dates as each database
// writes them as text ("1500", "1500.0000"; "1990-05-01 00:00:00"), which reads alike here.
QString shown(const QString &table, const QString &field, const QString &value)
{
    const TableDef::Column *column = table.isEmpty() ? nullptr : Schema::table(table).column(field);
    if (!column || value.isEmpty())
        return value;
    if (column->type == TableDef::Type::Numeric) {
        bool ok = false;
        const double v = value.toDouble(&ok);
        return ok ? NumberFormat::format(QStringLiteral("#,##0.00"), v) : value;
    }
    if (column->type == TableDef::Type::Timestamp) {
        const QDateTime d = QDateTime::fromString(value.left(19).replace(u' ', u'T'), Qt::ISODate);
        if (!d.isValid())
            return value;
        return d.time() == QTime(0, 0) ? d.toString(QStringLiteral("dd/MM/yyyy")) : d.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    return value;
}

QList<FieldDef> shownFields()
{
    return {{QStringLiteral("DTHRHISTCONS"), FieldType::DateTime, 0}, textField("CDOPERADOR", 40), textField("CDFILIAL", 4),
            textField("NMMETODO", 30), textField("NMTABELA", 30), textField("CDITEMHIST", 21), textField("NMCAMPO", 30),
            textField("DSVALORANT", ConsumerHistory::kValueSize), textField("DSVALORNOVO", ConsumerHistory::kValueSize)};
}

// A line of the history as the screen shows it, and the number of the row it comes from.
struct Line
{
    qint64 number;
    QList<Value> row;
};

QHash<QString, Value> consumerKey(const MethodCall &call)
{
    return {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}, {QStringLiteral("P_CDCONSUMIDOR"), Value(call.text(1))}};
}

void addLine(QList<Line> &lines, qint64 number, QList<Value> row)
{
    const QString table = row.at(Table).toString(), field = row.at(Field).toString();
    for (const int side : {Before, After}) {
        if (!row.at(side).isNull())
            row[side] = Value(shown(table, field, row.at(side).toString()));
    }
    lines.append({number, std::move(row)});
}

// The rows written one per field.
void fieldLines(MethodCall &call, QList<Line> &lines)
{
    QList<FieldDef> fields = shownFields();
    fields.prepend({QStringLiteral("NRHISTCONS"), FieldType::Integer, 0});
    const Packet p = call.db().select(
        QStringLiteral("SELECT NRHISTCONS, DTHRHISTCONS, CDOPERADOR, CDFILIAL, NMMETODO, NMTABELA, CDITEMHIST, NMCAMPO, DSVALORANT, "
                       "DSVALORNOVO FROM %1 WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR")
            .arg(ConsumerHistory::kTable),
        consumerKey(call), fields);
    for (qsizetype i = 0; i < p.rowCount(); ++i) {
        QList<Value> row;
        for (int c = 1; c < fields.size(); ++c)
            row.append(p.value(i, c));
        addLine(lines, p.value(i, 0).toInt(), std::move(row));
    }
}

// The packed rows of bulk calls, one line per field they hold (its new value from the call's row);
// a row without fields is the consumer's inclusion.
void batchLines(MethodCall &call, QList<Line> &lines)
{
    const Packet p = call.db().select(
        QStringLiteral("SELECT L.NRHISTCONS, H.DTHRHISTCONS, H.CDOPERADOR, H.CDFILIAL, H.NMMETODO, L.DSVALORANT, H.DSVALORLOTE "
                       "FROM %1")
            .arg(ConsumerHistory::batchRowsOfConsumer()),
        consumerKey(call),
        {{QStringLiteral("NRHISTCONS"), FieldType::Integer, 0}, {QStringLiteral("DTHRHISTCONS"), FieldType::DateTime, 0},
         textField("CDOPERADOR", 40), textField("CDFILIAL", 4), textField("NMMETODO", 30),
         textField("DSVALORANT", ConsumerHistory::kValueSize), textField("DSVALORLOTE", ConsumerHistory::kValueSize)});
    const QString consumers = QStringLiteral("CONSUMIDOR");
    for (qsizetype i = 0; i < p.rowCount(); ++i) {
        const QList<Value> who = {p.value(i, 1), p.value(i, 2), p.value(i, 3), p.value(i, 4), Value(consumers), {}};
        if (p.value(i, 5).isNull()) {
            addLine(lines, p.value(i, 0).toInt(), who + QList<Value>{{}, {}, Value(QStringLiteral("incluído"))});
            continue;
        }
        const QList<HistoryPack::Field> set = HistoryPack::unpackCall(p.value(i, 6).toString());
        for (const HistoryPack::Change &c : HistoryPack::changes(p.value(i, 5).toString(), set))
            addLine(lines, p.value(i, 0).toInt(), who + QList<Value>{Value(c.name), c.before, c.after});
    }
}

// The history of one consumer, newest first: when (the server's time, UTC), who, at which branch,
// by which method, and each field's value before and after, as the screen shows them. The rows of
// bulk calls that name no consumer are not among them; a bulk call's packed row shows one line per
// field it holds.
Value getHistCons(MethodCall &call)
{
    QList<Line> lines;
    fieldLines(call, lines);
    batchLines(call, lines);
    // Newest first; a packed row's fields keep their order.
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) { return a.number > b.number; });
    Packet out(shownFields());
    for (Line &l : lines)
        out.addRow(std::move(l.row));
    return packetReply(std::move(out));
}

} // namespace

QList<RemoteMethod> methods()
{
    return {{QStringLiteral("getHistCons"), {text("cliente"), text("consumidor")}, false, getHistCons}};
}

} // namespace cns::ConsumerHistoryMethods
