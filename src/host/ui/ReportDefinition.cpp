#include "ReportDefinition.h"

#include "EErro.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace cns::ui {

namespace {

const std::array<QString, 4> kDialectKeys
    = {QStringLiteral("generic"), QStringLiteral("oracle"), QStringLiteral("mssql"), QStringLiteral("interbase")};

QStringList strings(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &s : v.toArray())
        out.append(s.toString());
    return out;
}

Qt::Alignment alignmentOf(const QString &name)
{
    if (name == u"right")
        return Qt::AlignRight;
    if (name == u"center")
        return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

QString alignmentName(Qt::Alignment a)
{
    if (a & Qt::AlignRight)
        return QStringLiteral("right");
    if (a & Qt::AlignHCenter)
        return QStringLiteral("center");
    return QStringLiteral("left");
}

// A query is a text or, where it is long, a list of lines.
QString queryText(const QJsonValue &v)
{
    return v.isArray() ? strings(v).join(u'\n') : v.toString();
}

} // namespace

ReportDefinition ReportDefinition::fromJson(const QJsonObject &o, const QString &name)
{
    ReportDefinition d;
    d.name = name;
    d.title = o.value(u"title").toString();
    d.landscape = o.value(u"orientation").toString() == u"landscape";
    const QJsonObject sql = o.value(u"sql").toObject();
    for (size_t i = 0; i < kDialectKeys.size(); ++i)
        d.sql[i] = queryText(sql.value(kDialectKeys[i]));
    for (const QJsonValue &cv : o.value(u"columns").toArray()) {
        const QJsonObject c = cv.toObject();
        Column col {c.value(u"field").toString().toUpper(), c.value(u"title").toString(),
                    c.value(u"width").toDouble(30),         alignmentOf(c.value(u"align").toString()),
                    c.value(u"format").toString(),          {}};
        const QJsonObject values = c.value(u"values").toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            col.values.insert(it.key(), it.value().toString());
        d.columns.append(col);
    }
    const QJsonObject g = o.value(u"group").toObject();
    d.group = {strings(g.value(u"fields")), g.value(u"title").toString(), g.value(u"count").toString(),
               strings(g.value(u"totals"))};
    for (QString &f : d.group.fields)
        f = f.toUpper();
    for (QString &f : d.group.totals)
        f = f.toUpper();
    d.totalLabel = o.value(u"total").toString();
    return d;
}

QJsonObject ReportDefinition::toJson() const
{
    QJsonObject sqlTexts;
    for (size_t i = 0; i < kDialectKeys.size(); ++i) {
        if (!sql[i].isEmpty())
            sqlTexts.insert(kDialectKeys[i], QJsonArray::fromStringList(sql[i].split(u'\n')));
    }
    QJsonArray cols;
    for (const Column &c : columns) {
        QJsonObject o {{QStringLiteral("field"), c.field},
                       {QStringLiteral("title"), c.title},
                       {QStringLiteral("width"), c.width},
                       {QStringLiteral("align"), alignmentName(c.align)}};
        if (!c.format.isEmpty())
            o.insert(QStringLiteral("format"), c.format);
        if (!c.values.isEmpty()) {
            QJsonObject values;
            for (auto it = c.values.cbegin(); it != c.values.cend(); ++it)
                values.insert(it.key(), it.value());
            o.insert(QStringLiteral("values"), values);
        }
        cols.append(o);
    }
    QJsonObject o {
        {QStringLiteral("title"), title},
        {QStringLiteral("orientation"), landscape ? QStringLiteral("landscape") : QStringLiteral("portrait")},
        {QStringLiteral("sql"), sqlTexts},
        {QStringLiteral("columns"), cols}};
    if (!group.isEmpty())
        o.insert(QStringLiteral("group"),
                 QJsonObject {{QStringLiteral("fields"), QJsonArray::fromStringList(group.fields)},
                              {QStringLiteral("title"), group.title},
                              {QStringLiteral("count"), group.countLabel},
                              {QStringLiteral("totals"), QJsonArray::fromStringList(group.totals)}});
    if (!totalLabel.isEmpty())
        o.insert(QStringLiteral("total"), totalLabel);
    return o;
}

ReportDefinition ReportDefinition::load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EErro(QStringLiteral("Não foi possível ler a definição de relatório %1: %2").arg(path, f.errorString()));
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        throw EErro(QStringLiteral("A definição de relatório %1 não é válida: %2 (posição %3).")
                        .arg(path, error.errorString())
                        .arg(error.offset));
    ReportDefinition d = fromJson(doc.object(), QFileInfo(path).completeBaseName());
    if (d.sql[0].trimmed().isEmpty() || d.columns.isEmpty())
        throw EErro(QStringLiteral("A definição de relatório %1 não tem consulta ou colunas.").arg(path));
    return d;
}

void ReportDefinition::save(const QString &path) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw EErro(
            QStringLiteral("Não foi possível gravar a definição de relatório %1: %2").arg(path, f.errorString()));
    f.write(QJsonDocument(toJson()).toJson(QJsonDocument::Indented));
    if (!f.commit())
        throw EErro(
            QStringLiteral("Não foi possível gravar a definição de relatório %1: %2").arg(path, f.errorString()));
}

QString ReportDefinition::text(SqlDialect::Text dialect) const
{
    const QString &own = sql[static_cast<size_t>(dialect)];
    return own.trimmed().isEmpty() ? sql[0] : own;
}

} // namespace cns::ui
