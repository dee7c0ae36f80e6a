#include "HistoryPack.h"

#include "ConsumerHistory.h"
#include "SqlDialect.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace cns {

namespace {

// A JSON value as the history writes values: a number as ConsumerHistory::text writes it.
Value fromJson(const QJsonValue &v)
{
    if (v.isString())
        return Value(v.toString());
    if (v.isDouble())
        return ConsumerHistory::text(Value(v.toDouble()));
    if (v.isBool())
        return Value(v.toBool() ? QStringLiteral("S") : QStringLiteral("N"));
    return {};
}

QJsonArray array(const QString &packed)
{
    return QJsonDocument::fromJson(packed.toUtf8()).array();
}

} // namespace

QString HistoryPack::packCall(const QList<Field> &fields)
{
    QJsonArray all;
    for (const Field &f : fields)
        all.append(QJsonArray{f.name, f.value.isNull() ? QJsonValue() : QJsonValue(f.value.toString())});
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

QList<HistoryPack::Field> HistoryPack::unpackCall(const QString &packed)
{
    QList<Field> out;
    for (const QJsonValue &f : array(packed))
        out.append({f.toArray().at(0).toString(), fromJson(f.toArray().at(1))});
    return out;
}

QString HistoryPack::sql(const SqlDialect &dialect, const QList<Part> &parts)
{
    QStringList bits, values;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bits.append(QStringLiteral("CASE WHEN %1 THEN %2 ELSE 0 END").arg(parts.at(i).when).arg(qint64(1) << i));
        values.append(parts.at(i).value);
    }
    return dialect.jsonArray.arg((QStringList{bits.isEmpty() ? QStringLiteral("0") : bits.join(QStringLiteral(" + "))} + values)
                                     .join(QStringLiteral(", ")));
}

QString HistoryPack::anySql(const QList<Part> &parts)
{
    QStringList each;
    for (const Part &p : parts)
        each.append(u'(' + p.when + u')');
    return each.isEmpty() ? QStringLiteral("1 = 0") : each.join(QStringLiteral(" OR "));
}

QList<HistoryPack::Change> HistoryPack::changes(const QString &packed, const QList<Field> &call)
{
    const QJsonArray row = array(packed);
    const qint64 changed = row.at(0).toInteger();
    QList<Change> out;
    for (qsizetype i = 0; i < call.size() && i < 62; ++i) {
        if (changed & (qint64(1) << i))
            out.append({call.at(i).name, fromJson(row.at(i + 1)), call.at(i).value});
    }
    return out;
}

QString HistoryPack::neutralised(const QString &packed, const QList<Field> &call, const QStringList &columns,
                                 const QString &neutral)
{
    QJsonArray row = array(packed);
    for (qsizetype i = 0; i < call.size() && i + 1 < row.size(); ++i) {
        if (columns.contains(call.at(i).name) && !row.at(i + 1).isNull())
            row[i + 1] = neutral;
    }
    return QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact));
}

} // namespace cns
