#include "ImportLayout.h"

#include "Consiste.h"
#include "DataSet.h"
#include "ImportColumns.h"

#include <QHash>

namespace cns::import {

namespace {

// A cell of row r (the current row when r is -1), as the server sent it: numbers may come as texts.
cns::Value cell(const cns::DataSet &ds, int r, QStringView field)
{
    const int f = ds.fieldIndex(field);
    if (f < 0 || !ds.Active() || ds.rowCount() == 0)
        return {};
    return ds.rowValue(r < 0 ? qMax(0, ds.currentRow()) : r, f);
}

int number(const cns::DataSet &ds, int r, QStringView field)
{
    const cns::Value v = cell(ds, r, field);
    if (v.isNumber())
        return int(v.toInt());
    bool ok = false;
    const int n = v.kind() == cns::Value::Kind::Text ? v.toString().trimmed().toInt(&ok) : 0;
    return ok ? n : 0;
}

QString text(const cns::DataSet &ds, int r, QStringView field)
{
    const cns::Value v = cell(ds, r, field);
    return v.kind() == cns::Value::Kind::Text || v.isNumber() ? v.toString() : QString();
}

} // namespace

void ImportLayout::setColumns(QList<Column> list)
{
    // Walk the descriptions as the working copy cdsCompArq is walked: each reading column removes
    // one description of its position; when none of that position is left, the field is used up.
    QHash<int, int> left;
    for (const Column &c : list)
        ++left[c.position];
    for (Column &c : list) {
        if (!c.constant.isEmpty())
            continue;
        c.usesUpField = --left[c.position] == 0;
    }
    columns = std::move(list);
}

ImportLayout ImportLayout::fromPackets(const cns::DataSet &header, const cns::DataSet &cols, const cns::DataSet &valueRules)
{
    ImportLayout l;
    l.code = text(header, -1, u"CDLAYOUTIMP");
    l.name = text(header, -1, u"NMLAYOUTIMP");
    l.branch = text(header, -1, u"CDFILIAL");
    l.delimited = text(header, -1, u"IDSEPARCAMPO") == u"D";
    const QString delim = text(header, -1, u"IDCARACDELIM");
    l.delimiter = delim.isEmpty() ? QChar(u';') : delim.at(0);
    l.inactivate = text(header, -1, u"IDINACONSARQIMP");
    l.stopOnErrors = text(header, -1, u"IDPARALISAIMPARQ");
    l.removeLeadingZeros = text(header, -1, u"IDREMOVEZEROESQ") == u"S";

    const cns::DataSet &c = cols;
    QList<Column> list;
    if (c.Active()) {
        for (int r = 0; r < c.rowCount(); ++r) {
            Column col;
            col.name = text(c, r, u"NMCOLUNAIMP");
            col.index = ImportColumns::ProcDados(col.name.trimmed());
            col.position = number(c, r, u"NRPOSICOLLAY");
            col.size = number(c, r, u"NRTAMCOLLAY");
            col.decimals = number(c, r, u"NRCASASDECIM");
            const QString constant = text(c, r, u"DSDEFACOLLAY");
            col.constant = Consiste::EmptyString(constant) ? QString() : constant;
            const QString type = text(c, r, u"IDTDADCOLLAY");
            col.type = type.isEmpty() ? QChar(u'T') : type.at(0);
            col.left = text(c, r, u"DSCONCATESQ");
            col.right = text(c, r, u"DSCONCATDIR");
            col.valueColumn = ImportColumns::isValueColumn(col.name);
            list.append(col);
        }
    }
    l.setColumns(std::move(list));

    const cns::DataSet &v = valueRules;
    if (v.Active()) {
        for (int r = 0; r < v.rowCount(); ++r) {
            ValueRule rule;
            rule.position = number(v, r, u"NRPOSINIVALLAY");
            rule.size = number(v, r, u"NRTAMVALLAY");
            rule.values = text(v, r, u"DSVALVALLAY");
            l.rules.append(rule);
        }
    }
    return l;
}

bool ImportLayout::ValidaLayout(QStringView line) const
{
    for (const ValueRule &rule : rules) {
        // A rule of length 0 compares empty texts: its first value matches at once, so the walk
        // below always ends.
        const qsizetype size = qMax(0, rule.size);
        const qsizetype start = qMax(1, rule.position) - 1;
        const QStringView field = start < line.size() ? line.mid(start, size) : QStringView();
        QStringView rest(rule.values);
        bool accepted = false;
        while (!Consiste::EmptyString(rest)) {
            if (rest.left(size) == field) {
                accepted = true;
                break;
            }
            rest = rest.size() > size + 1 ? rest.mid(size + 1) : QStringView();
        }
        if (!accepted)
            return false;
    }
    return true;
}

} // namespace cns::import
