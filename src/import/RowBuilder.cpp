#include "RowBuilder.h"

#include "Consiste.h"
#include "DateSerial.h"
#include "EErro.h"
#include "FieldText.h"
#include "ImportError.h"
#include "RowLookups.h"
#include "ImportRecord.h"
#include "NumberFormat.h"

namespace cns::import {

namespace {

using namespace ImportColumns;

QString flagOrN(const QString &s)
{
    return Consiste::EmptyString(s) ? QStringLiteral("N") : s.toUpper();
}

QString onlyS(const QString &s)
{
    return s == u"S" ? s : QStringLiteral("N");
}

QString withoutLeadingZeros(const QString &s)
{
    qsizetype i = 0;
    while (i < s.size() && s.at(i) == u'0')
        ++i;
    return s.mid(i);
}

// The fields of the row being built, kept from row to row on a thread: only the ones a row set are
// emptied for the next.
class RowSlots
{
public:
    explicit RowSlots(qsizetype fields) : m_values(size_t(fields)) {}
    void clear()
    {
        for (int f : m_set)
            m_values[size_t(f)] = cns::Value();
        m_set.clear();
    }
    void put(int field, cns::Value v)
    {
        if (m_values[size_t(field)].isNull())
            m_set.push_back(field);
        m_values[size_t(field)] = std::move(v);
    }
    const cns::Value &at(int field) const { return m_values[size_t(field)]; }

private:
    std::vector<cns::Value> m_values;
    std::vector<int> m_set;
};

// What the rows built on a thread reuse: their fields and the buffer they are packed in. Reached
// through a call the compiler cannot see into, once per row: a thread-local of a shared library is
// otherwise looked up again at each use.
struct BuildScratch
{
    RowSlots row{ImportRecord::rowFields().size()};
    cns::Row::Builder packed{1024};
};

// The consistency run's key that row field holds; nullptr for the other fields.
QString *keyOf(ConsistencyRun::Keys &keys, int field)
{
    using Keys = ConsistencyRun::Keys;
    static const std::vector<QString Keys::*> memberOf = [] {
        std::vector<QString Keys::*> m(size_t(ImportRecord::rowFields().size()), nullptr);
        const std::pair<const char16_t *, QString Keys::*> named[] = {
            {u"CDCLIENTE", &Keys::client},   {u"CDCONSUMIDOR", &Keys::consumer}, {u"NMCONSUMIDOR", &Keys::name},
            {u"CDIDCONSUMID", &Keys::badge}, {u"CDEXCONSUMID", &Keys::external}, {u"CDTIPOCONS", &Keys::type},
            {u"CDCCUSCLIE", &Keys::costCentre}, {u"NRCPFRESPCON", &Keys::cpf},   {u"IDMOTIVO", &Keys::motivo}};
        for (const auto &[name, member] : named)
            m[size_t(ImportRecord::rowField(QStringView(name)))] = member;
        return m;
    }();
    QString Keys::*member = memberOf[size_t(field)];
    return member ? &(keys.*member) : nullptr;
}

[[gnu::noinline]] BuildScratch &buildScratch()
{
    thread_local BuildScratch scratch;
    return scratch;
}

} // namespace

QString RowBuilder::textOf(const cns::Value &v)
{
    switch (v.kind()) {
    case cns::Value::Kind::Int:
    case cns::Value::Kind::Float: return cns::NumberFormat::plain(v.toDouble());
    case cns::Value::Kind::Date: {
        const QDateTime dt = v.toDateTime();
        return dt.toString(dt.time() == QTime(0, 0) ? QStringLiteral("dd/MM/yyyy") : QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    case cns::Value::Kind::Text: return v.toString();
    default: return {};
    }
}

std::optional<double> RowBuilder::numberOf(const cns::Value &v)
{
    switch (v.kind()) {
    case cns::Value::Kind::Null: return 0.0;
    case cns::Value::Kind::Int:
    case cns::Value::Kind::Float: return v.toDouble();
    case cns::Value::Kind::Date: return cns::DateSerial::fromDateTime(v.toDateTime());
    case cns::Value::Kind::Text:
        if (Consiste::EmptyString(v.toString()))
            return 0.0;
        return cns::NumberFormat::parse(v.toString());
    default: return std::nullopt;
    }
}

cns::Row RowBuilder::build(const ColumnReader::Values &values, const QString &fileName, qint64 lineNumber,
                           const QString &clientAsWritten, bool *invalid, ConsistencyRun::Keys *keys) const
{
    // An entry as text: the value's own text (not copied), or one made from a number or a date,
    // kept until the row is built.
    std::array<QString, ImportColumns::kCount> made;
    auto text = [&](int index) -> const QString & {
        const cns::Value &v = values[size_t(index)];
        if (const QString *own = v.textIf())
            return *own;
        return made[size_t(index)] = textOf(v);
    };
    auto number = [&](int index) -> cns::Value {
        const std::optional<double> d = numberOf(values[size_t(index)]);
        if (!d)
            throw cns::EErro(ImportError::columnText(fileName, lineNumber, ImportColumns::arFields()[size_t(index)],
                                                     QStringLiteral("o valor \"%1\" não é um número.").arg(text(index))));
        return cns::Value(*d);
    };

    // Where each value array entry and each named field of the row stand, found once.
    static const std::array<int, ImportColumns::kCount> rowOf = [] {
        std::array<int, ImportColumns::kCount> a{};
        for (int i = 1; i < ImportColumns::kCount; ++i)
            a[size_t(i)] = ImportRecord::rowField(ImportColumns::arFields()[size_t(i)]);
        return a;
    }();
    static const int validField = ImportRecord::rowField(u"IDVALIDO"), reasonField = ImportRecord::rowField(u"IDMOTIVO"),
                     fileField = ImportRecord::rowField(u"NMARQLAYIMP");
    BuildScratch &scratch = buildScratch();
    RowSlots &row = scratch.row;
    cns::Row::Builder &b = scratch.packed;
    row.clear(); // nothing of a row that raised half way
    auto put = [&row](int field, cns::Value v) { row.put(field, std::move(v)); };
    auto set = [&](int entry, cns::Value v) { put(rowOf[size_t(entry)], std::move(v)); };

    if (m_settings.clientFromFile) {
        const QString &v = text(CDCLIENTE);
        if (Consiste::EmptyString(v)) {
            set(CDCLIENTE, m_settings.emptyClient);
            put(validField, QStringLiteral("N"));
        } else {
            RowLookups::Client c = m_lookups.resolveClient(v);
            if (!c.motivo.isEmpty() && !Consiste::EmptyString(clientAsWritten) && clientAsWritten != v) {
                const RowLookups::Client written = m_lookups.resolveClient(clientAsWritten);
                if (written.motivo.isEmpty())
                    c = written;
            }
            set(CDCLIENTE, c.code);
            if (!c.motivo.isEmpty()) {
                put(validField, QStringLiteral("N"));
                put(reasonField, c.motivo);
            }
        }
    } else {
        set(CDCLIENTE, m_settings.screenClient);
    }

    put(fileField, fileName);
    set(CDPAIS, Consiste::Ajusta(text(CDPAIS), 4));
    set(CDMUNICIPIO, Consiste::Ajusta(text(CDMUNICIPIO), 4));
    set(CDBAIRRO, text(CDBAIRRO));
    set(CDTIPOCONS, m_lookups.translateType(text(CDTIPOCONS)));
    QString badge = text(CDIDCONSUMID).toUpper();
    if (m_settings.removeLeadingZeros)
        badge = withoutLeadingZeros(badge);
    set(CDIDCONSUMID, badge);
    set(CDCCUSCLIE, Consiste::Ajusta(text(CDCCUSCLIE), 10));
    const QString &external = text(CDEXCONSUMID);
    set(CDEXCONSUMID, external);
    set(NMCONSUMIDOR, text(NMCONSUMIDOR));

    // The branch may want imported debit limits as negative amounts.
    QString limit = text(VRLIMDEBCONS);
    if (m_settings.negativeDebitLimit) {
        const std::optional<double> d = cns::NumberFormat::parse(limit);
        if (d && *d > 0)
            limit = cns::NumberFormat::plain(-*d);
    }
    set(VRLIMDEBCONS, limit);

    // Entries no column wrote stay unset: the row holds them as empty texts.
    for (int index : {SGESTADO, VRAVIDEBCONS, DSENDECONS, NMBAIRCONS, NRCELULARCONS, DSCOMPLENDECONS, NRCEPCONS, NRENDECONS,
                      NRTELECONS, NRRAMAL1CONS, NRTELE2CONS, NRRAMAL2CONS, NRFAXCONS, DSEMAILCONS, CDVENDEDOR, NRRGCONSUMID,
                      CDSENHACONS, NRCPFRESPCON, NMRESPCONS, NMLOGINCONS, VRMAXDEBCONS, VRLIMCREDCONS, VRAVICREDCONS,
                      VRMAXCREDCONS, CDSENHASITE, VRSUBSBASICO, VRMAXCONSMENSAL, IDIMPCPFCUPOM, IDPERCONSPRODEX,
                      IDCADCONFLIBCON, DSREFERENDECONS, CDFAMILISALDIMP, VRSALDOCREDIMP}) {
        if (!values[size_t(index)].isNull())
            set(index, text(index));
    }
    for (int index : {VRMESUBCONS, VRPESUBCONS, VRDIASUBCONS, NRACESSOSITE})
        set(index, number(index));

    // No birth date (not mapped, or blank in the line) is 01/01/1900, as the register keeps it.
    const cns::Value &birth = values[size_t(DTNASCCONS)];
    if (birth.kind() == cns::Value::Kind::Date) {
        set(DTNASCCONS, birth);
    } else if (Consiste::EmptyString(text(DTNASCCONS)) || (birth.isNumber() && birth.toDouble() == 0)) {
        static const cns::Value noBirthDate = cns::Value::date(QDate(1900, 1, 1));
        set(DTNASCCONS, noBirthDate);
    } else {
        const QDate d = QDate::fromString(text(DTNASCCONS).trimmed(), QStringLiteral("d/M/yyyy"));
        if (!d.isValid())
            throw cns::EErro(ImportError::columnText(fileName, lineNumber, QStringLiteral("DTNASCCONS"),
                                                     QStringLiteral("o valor \"%1\" não é uma data.").arg(text(DTNASCCONS))));
        set(DTNASCCONS, cns::Value::date(d));
    }

    set(IDBLOQSALDFS, flagOrN(text(IDBLOQSALDFS)));
    set(IDVERSALDCON, flagOrN(text(IDVERSALDCON)));
    const QString &saleType = text(IDTPVENDACONS);
    set(IDTPVENDACONS, Consiste::EmptyString(saleType) ? QStringLiteral("7") : saleType.toUpper());

    QString code = Consiste::Ajusta(text(CDCONSUMIDOR), 21).toUpper();
    if (Consiste::EmptyString(code) && !Consiste::EmptyString(external))
        code = external;
    set(CDCONSUMIDOR, code);

    set(IDTPSELMANHA, onlyS(text(IDTPSELMANHA)));
    set(IDTPSELTARDE, onlyS(text(IDTPSELTARDE)));
    set(IDTPSEALMOCO, onlyS(text(IDTPSEALMOCO)));

    b.clear();
    const QList<cns::FieldDef> &defs = ImportRecord::rowFieldDefs();
    if (keys)
        *keys = {};
    for (int i = 0; i < defs.size(); ++i) {
        const cns::Value &v = row.at(i);
        if (v.isNull()) {
            // Unset texts are empty texts, as the screen's packet holds them.
            if (cns::isTextType(defs.at(i).type))
                b.addText(QString());
            else
                b.addNull();
            continue;
        }
        if (cns::isTextType(defs.at(i).type)) {
            const QString *own = v.textIf();
            const QString other = own ? QString() : v.toString();
            const QString &whole = own ? *own : other;
            const QStringView s = cns::FieldText::cutToSize(QStringView(whole), defs.at(i).size);
            const bool cut = s.size() < whole.size();
            b.addText(s);
            if (keys) {
                if (QString *key = keyOf(*keys, i))
                    *key = cut ? s.toString() : whole;
            }
        } else {
            b.addValue(v);
        }
    }
    if (invalid) {
        const QString *flag = row.at(validField).textIf();
        *invalid = flag && *flag == u"N";
    }
    return b.takeExact();
}

} // namespace cns::import
