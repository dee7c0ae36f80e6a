#include "ConsumerHistoryMethods.h"

#include "ConsumerHistory.h"
#include "DbSession.h"
#include "MethodCall.h"
#include "NumberFormat.h"
#include "Schema.h"
#include "ServerMethodHelpers.h"

#include <QDateTime>

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

// The history of one consumer, newest first: when (the server's time, UTC), who, at which branch,
// by which method, and each field's value before and after, as the screen shows them. The rows of
// bulk calls that name no consumer are not among them.
Value getHistCons(MethodCall &call)
{
    Packet p = call.db().select(
        QStringLiteral("SELECT DTHRHISTCONS, CDOPERADOR, CDFILIAL, NMMETODO, NMTABELA, CDITEMHIST, NMCAMPO, DSVALORANT, DSVALORNOVO "
                       "FROM %1 WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR ORDER BY NRHISTCONS DESC")
            .arg(ConsumerHistory::kTable),
        {{QStringLiteral("P_CDCLIENTE"), Value(call.text(0))}, {QStringLiteral("P_CDCONSUMIDOR"), Value(call.text(1))}},
        {{QStringLiteral("DTHRHISTCONS"), FieldType::DateTime, 0}, textField("CDOPERADOR", 40), textField("CDFILIAL", 4),
         textField("NMMETODO", 30), textField("NMTABELA", 30), textField("CDITEMHIST", 21), textField("NMCAMPO", 30),
         textField("DSVALORANT", ConsumerHistory::kValueSize), textField("DSVALORNOVO", ConsumerHistory::kValueSize)});
    Packet out(p.fields());
    for (qsizetype i = 0; i < p.rowCount(); ++i) {
        QList<Value> row;
        for (int c = 0; c < p.fields().size(); ++c)
            row.append(p.value(i, c));
        const QString table = row.at(Table).toString(), field = row.at(Field).toString();
        for (const int side : {Before, After}) {
            if (!row.at(side).isNull())
                row[side] = Value(shown(table, field, row.at(side).toString()));
        }
        out.addRow(row);
    }
    return packetReply(std::move(out));
}

} // namespace

QList<RemoteMethod> methods()
{
    return {{QStringLiteral("getHistCons"), {text("cliente"), text("consumidor")}, false, getHistCons}};
}

} // namespace cns::ConsumerHistoryMethods
