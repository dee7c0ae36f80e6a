#include "ReportRows.h"

#include "Consiste.h"
#include "EErro.h"
#include "EditMask.h"
#include "NumberFormat.h"
#include "ReportQuery.h"

#include <QDateTime>
#include <QSqlRecord>

namespace cns::ui {

namespace {

bool isNumber(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
        return true;
    default:
        return false;
    }
}

// Dates come as date-times from PostgreSQL and as "yyyy-MM-dd HH:mm:ss" texts from SQLite.
QDateTime dateOf(const QVariant &v)
{
    if (v.metaType().id() == QMetaType::QDateTime || v.metaType().id() == QMetaType::QDate)
        return v.toDateTime();
    return QDateTime::fromString(v.toString().left(19).replace(u' ', u'T'), Qt::ISODate);
}

bool isDatePattern(const QString &format)
{
    return format.contains(QStringLiteral("dd")) || format.contains(QStringLiteral("yy"));
}

// The group a row belongs to: the values of the group's fields.
QStringList groupOf(const ReportDefinition::Group &g, const QSqlRecord &r)
{
    QStringList key;
    for (const QString &f : g.fields)
        key.append(r.value(f).toString());
    return key;
}

} // namespace

QString ReportRows::shown(const ReportDefinition::Column &column, const QVariant &value)
{
    if (value.isNull())
        return {};
    const QString raw = value.toString();
    if (!column.values.isEmpty())
        return column.values.value(raw, raw);
    const QString &format = column.format;
    if (format.isEmpty())
        return raw.trimmed();
    if (format == u"inscricao") {
        QString tipo;
        const QString digits = Consiste::Ajusta_Inscricao(raw, &tipo);
        return tipo == u"I" ? raw.trimmed() : EditMask(Consiste::PictPess(tipo)).format(digits);
    }
    if (isDatePattern(format)) {
        const QDateTime d = dateOf(value);
        return d.isValid() ? d.toString(format) : raw;
    }
    bool ok = isNumber(value);
    const double n = ok ? value.toDouble() : raw.toDouble(&ok);
    return ok ? NumberFormat::format(format, n) : raw;
}

qint64 ReportRows::walk(const ReportQuery &query, const std::function<void(const Line &)> &line) const
{
    const ReportDefinition::Group &g = m_def.group;
    QList<int> totalColumn; // the column under which each total stands
    for (const QString &t : g.totals) {
        int col = -1;
        for (int c = 0; c < m_def.columns.size(); ++c) {
            if (m_def.columns.at(c).field == t)
                col = c;
        }
        totalColumn.append(col);
    }
    QStringList current;
    bool inGroup = false;
    qint64 groupRows = 0;
    QList<double> groupSums(g.totals.size()), allSums(g.totals.size());
    const auto footerCells = [&](const QList<double> &sums) {
        QStringList cells(m_def.columns.size());
        for (int i = 0; i < sums.size(); ++i) {
            if (totalColumn.at(i) >= 0)
                cells[totalColumn.at(i)] = shown(m_def.columns.at(totalColumn.at(i)), sums.at(i));
        }
        return cells;
    };
    const auto closeGroup = [&] {
        if (!inGroup || (g.countLabel.isEmpty() && g.totals.isEmpty()))
            return;
        const QString text = g.countLabel.isEmpty()
            ? QString()
            : QStringLiteral("%1: %2").arg(g.countLabel,
                                           NumberFormat::format(QStringLiteral("#,##0"), double(groupRows)));
        line({Kind::GroupFooter, footerCells(groupSums), text});
    };
    bool checked = false;
    qint64 rows = query.run([&](const QSqlRecord &r) {
        for (const QString &f : g.fields) {
            if (!checked && r.indexOf(f) < 0)
                throw EErro(
                    QStringLiteral("A consulta do relatório %1 não devolve o campo %2 do grupo.").arg(m_def.name, f));
        }
        checked = true;
        if (!g.isEmpty()) {
            const QStringList key = groupOf(g, r);
            if (!inGroup || key != current) {
                closeGroup();
                current = key;
                inGroup = true;
                groupRows = 0;
                groupSums.fill(0);
                QStringList shownKey;
                for (const QString &k : key)
                    shownKey.append(k.trimmed());
                line({Kind::GroupHeader,
                      {},
                      g.title.isEmpty() ? shownKey.join(QStringLiteral(" - "))
                                        : g.title + QStringLiteral(": ") + shownKey.join(QStringLiteral(" - "))});
            }
        }
        QStringList cells;
        for (const ReportDefinition::Column &c : m_def.columns) {
            const int i = r.indexOf(c.field);
            if (i < 0)
                throw EErro(
                    QStringLiteral("A consulta do relatório %1 não devolve o campo %2.").arg(m_def.name, c.field));
            cells.append(shown(c, r.value(i)));
        }
        for (int t = 0; t < g.totals.size(); ++t) {
            const double v = r.value(g.totals.at(t)).toDouble();
            groupSums[t] += v;
            allSums[t] += v;
        }
        ++groupRows;
        line({Kind::Row, cells, {}});
    });
    closeGroup();
    if (!m_def.totalLabel.isEmpty())
        line({Kind::Total, footerCells(allSums),
              QStringLiteral("%1: %2").arg(m_def.totalLabel,
                                           NumberFormat::format(QStringLiteral("#,##0"), double(rows)))});
    return rows;
}

} // namespace cns::ui
