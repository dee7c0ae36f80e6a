#include "ConsumerPacket.h"

#include "ConsumerRecord.h"
#include "Criptografa.h"
#include "DataSet.h"
#include "TMessages.h"

using cns::DataSet;
using cns::Field;

namespace ConsumerPacket {

namespace {

// A coded flag shown as one of two texts: the first for its own code, the second for anything else.
void twoTexts(Field &f, const TMessages &msg, const QString &code, const QString &otherCode, const QString &key,
              const QString &otherKey)
{
    f.OnGetText = [&msg, code, key, otherKey](const Field &field, bool) {
        return msg.Msg(field.AsString() == code ? key : otherKey);
    };
    f.OnSetText = [&msg, code, otherCode, key](Field &field, const QString &text) {
        field.setAsString(text == msg.Msg(key) ? code : otherCode);
    };
}

void saleTypeTexts(Field &f, const TMessages &msg)
{
    f.OnGetText = [&msg](const Field &field, bool) {
        const QString v = field.AsString();
        return v.size() == 1 && v.at(0) >= u'1' && v.at(0) <= u'7' ? msg.Msg(v) : QString();
    };
    f.OnSetText = [&msg](Field &field, const QString &text) {
        for (char c = '1'; c <= '7'; ++c) {
            const QString code(QChar::fromLatin1(c));
            if (text == msg.Msg(code)) {
                field.setAsString(code);
                return;
            }
        }
    };
}

} // namespace

QString badgeText(const QString &stored, bool browsing, bool checkDigit)
{
    return browsing && checkDigit && !stored.isEmpty() ? stored.chopped(1) : stored;
}

void define(DataSet &ds, const Context &context)
{
    for (const ConsumerRecord::FieldInfo &info : ConsumerRecord::fields()) {
        Field &f = ds.AddField(info.def.name, info.def.type, info.def.size, info.label);
        f.Visible = !info.label.isEmpty();
        f.DisplayFormat = info.displayFormat;
    }
    const TMessages &msg = *context.messages;
    twoTexts(ds.FieldByName(u"IDSITCONSUMI"), msg, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("Ativo"),
             QStringLiteral("Inativo"));
    twoTexts(ds.FieldByName(u"IDSEXOCONS"), msg, QStringLiteral("M"), QStringLiteral("F"), QStringLiteral("Masculino"),
             QStringLiteral("Feminino"));
    saleTypeTexts(ds.FieldByName(u"IDTPVENDACONS"), msg);
    ds.FieldByName(u"DTNASCCONS").DisplayFormat = QStringLiteral("dd/mm/yyyy");
    ds.FieldByName(u"CDIDCONSUMID").OnGetText = [checkDigit = context.clientHasCheckDigit](const Field &f, bool) {
        const bool browsing = f.dataSet().State() == cns::DataSetState::Browse;
        return badgeText(f.AsString(), browsing, checkDigit && checkDigit());
    };
    // A password given as text is stored in its one-way form only.
    ds.FieldByName(u"CDSENHACONS").OnSetText = [](Field &f, const QString &text) { f.setAsString(Criptografa::CriptoPlus(text)); };

    ds.OnNewRecord = [context](DataSet &d) {
        d.FieldByName(u"CDCLIENTE").setAsString(context.clientCode ? context.clientCode() : QString());
        d.FieldByName(u"IDSITCONSUMI").setAsString(QStringLiteral("1"));
        d.FieldByName(u"IDCONSUMIDOR").setAsString(QStringLiteral("C"));
        d.FieldByName(u"CDFILIAL").setAsString(context.branchOnInsert ? context.branchOnInsert() : QString());
    };
}

} // namespace ConsumerPacket
