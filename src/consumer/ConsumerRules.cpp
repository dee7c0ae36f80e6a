#include "ConsumerRules.h"

#include "Consiste.h"
#include "ConsumerLookups.h"
#include "ConsumerRuleContext.h"
#include "Criptografa.h"
#include "DataSet.h"
#include "DateSerial.h"
#include "TMessages.h"

using cns::Value;
using Params = QList<QPair<QString, QString>>;

namespace {

const QString kForm = QStringLiteral("tshFormulario");
const QString kDados = QStringLiteral("tshDados");
const QString kEndereco = QStringLiteral("tshEndereco");

bool allowedEmailChar(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == u'_';
}

bool allAllowed(QStringView s)
{
    return std::all_of(s.begin(), s.end(), allowedEmailChar);
}

QString firstName(const TADOIBQuery &q)
{
    return q.Fields(1).AsString();
}

} // namespace

QString ConsumerRules::adjusted(const QString &fieldName, int width)
{
    cns::Field &f = m_ctx.field(fieldName);
    const QString code = Consiste::Ajusta(f.AsString(), width);
    if (code != f.AsString())
        f.setAsString(code);
    return code;
}

void ConsumerRules::Vd_Consumidor(bool required)
{
    if (Consiste::EmptyString(m_ctx.text(u"CDCONSUMIDOR"))) {
        if (required)
            m_ctx.fail(kForm, QStringLiteral("CDCONSUMIDOR"), QStringLiteral("Cons_Inf"));
        return;
    }
    if (!m_ctx.inserting())
        return;
    const QString code = adjusted(QStringLiteral("CDCONSUMIDOR"), 21);
    if (m_ctx.fetch(QStringLiteral("getPesqConsumidor"), {Value(m_ctx.clientCode()), Value(code)}).rowCount() > 0)
        m_ctx.fail(kForm, QStringLiteral("CDCONSUMIDOR"), QStringLiteral("Cons_Cad"));
}

void ConsumerRules::Vd_NmConsumidor(bool required)
{
    if (required && Consiste::EmptyString(m_ctx.text(u"NMCONSUMIDOR")))
        m_ctx.fail(kForm, QStringLiteral("NMCONSUMIDOR"), QStringLiteral("Nome_Inf"));
}

TADOIBQuery &ConsumerRules::tipoConsLevel(int *level)
{
    ConsumerLookups &l = m_ctx.lookups;
    const QString client = m_ctx.clientCode();
    const QString branch = m_ctx.processingBranch;
    const Params clientAndBranch = {{QStringLiteral("P_CDCLIENTE"), client}, {QStringLiteral("P_CDFILIAL"), branch}};
    const struct
    {
        TADOIBQuery *query;
        Params fixed;
    } levels[] = {{&l.qryTipoConsCliFili, clientAndBranch},
                  {&l.qryTipoConsCli, {{QStringLiteral("P_CDCLIENTE"), client}}},
                  {&l.qryTipoConsFili, {{QStringLiteral("P_CDFILIAL"), branch}}}};
    for (int i = 0; i < 3; ++i) {
        ConsumerLookups::openFor(*levels[i].query, QStringLiteral("P_CDTIPOCONS"), QString(), levels[i].fixed);
        if (!levels[i].query->IsEmpty()) {
            if (level)
                *level = i + 1;
            return *levels[i].query;
        }
    }
    ConsumerLookups::openFor(l.qryPesqCons, QStringLiteral("P_CDTIPOCONS"), QString());
    if (level)
        *level = 4;
    return l.qryPesqCons;
}

void ConsumerRules::Vd_TipoCons(bool required)
{
    static const QString messages[] = {QStringLiteral("TipoConsCliFili_NCad"), QStringLiteral("TipoConsCli_NCad"),
                                       QStringLiteral("TipoConsFili_NCad"), QStringLiteral("TipoCons_NCad")};
    if (Consiste::EmptyString(m_ctx.text(u"CDTIPOCONS"))) {
        if (required)
            m_ctx.fail(kForm, QStringLiteral("CDTIPOCONS"), QStringLiteral("TipoCons_Inf"));
        return;
    }
    const QString code = m_ctx.editing() ? adjusted(QStringLiteral("CDTIPOCONS"), 2) : m_ctx.text(u"CDTIPOCONS");
    int level = 4;
    TADOIBQuery &q = tipoConsLevel(&level);
    // The level's query again, for the one code (its other parameters are still set).
    q.Close();
    q.ParamByName(u"P_CDTIPOCONS") = Value(code);
    q.ParamByName(u"P_TCDTIPOCONS") = Value();
    q.Open();
    if (q.IsEmpty())
        m_ctx.fail(kForm, QStringLiteral("CDTIPOCONS"), messages[level - 1]);
    if (m_ctx.editing())
        m_ctx.field(u"NMTIPOCONS").setAsString(firstName(q));
}

void ConsumerRules::Vd_CentroCusto(bool required)
{
    if (Consiste::EmptyString(m_ctx.text(u"CDCCUSCLIE"))) {
        if (required)
            m_ctx.fail(kForm, QStringLiteral("CDCCUSCLIE"), QStringLiteral("CentroCus_Inf"));
        return;
    }
    if (!m_ctx.editing())
        return;
    const QString code = adjusted(QStringLiteral("CDCCUSCLIE"), 10);
    TADOIBQuery &q = m_ctx.lookups.qryCentroCusto;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDCCUSCLIE"), code, {{QStringLiteral("P_CDCLIENTE"), m_ctx.clientCode()}});
    if (q.IsEmpty())
        m_ctx.fail(kForm, QStringLiteral("CDCCUSCLIE"), QStringLiteral("CentroCus_NCad"));
    m_ctx.field(u"NMCCUSCLIE").setAsString(q.FieldByName(u"NMCCUSCLIE").AsString());
}

void ConsumerRules::Vd_Vendedor()
{
    if (!m_ctx.editing() || Consiste::EmptyString(m_ctx.text(u"CDVENDEDOR")))
        return;
    const QString code = adjusted(QStringLiteral("CDVENDEDOR"), 4);
    TADOIBQuery &q = m_ctx.lookups.qryPesqVendedor;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDVENDEDOR"), code);
    if (q.IsEmpty())
        m_ctx.fail(kForm, QStringLiteral("CDVENDEDOR"), QStringLiteral("Vend_NCad"));
    m_ctx.field(u"NMRAZSOCVEN").setAsString(firstName(q));
}

bool ConsumerRules::cpfOk(const QString &digits)
{
    const bool onlyDigits = std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    // CPFOk also refuses the ten numbers of one repeated digit, whose check digits would pass.
    return digits.size() == 11 && onlyDigits && Consiste::CPFOk(digits);
}

void ConsumerRules::Vd_CPF()
{
    if (!m_ctx.editing())
        return;
    const QString digits = m_ctx.cpfDigits ? m_ctx.cpfDigits().trimmed() : m_ctx.text(u"NRCPFRESPCON");
    if (m_ctx.text(u"NRCPFRESPCON") != digits)
        m_ctx.field(u"NRCPFRESPCON").setAsString(digits);
    if (!digits.isEmpty() && !cpfOk(digits))
        m_ctx.fail(kDados, QStringLiteral("medCPF"), QStringLiteral("CPF_INV"));
}

bool ConsumerRules::emailOk(const QString &address)
{
    if (!address.toUpper().contains(u'.') || !address.contains(u'@'))
        return false;
    const qsizetype at = address.indexOf(u'@');
    const QStringView name = QStringView(address).left(at);
    const QStringView domain = QStringView(address).mid(at + 1);
    const qsizetype dot = domain.indexOf(u'.');
    // At least two characters after the first dot of the domain.
    const bool domainOk = domain.size() >= 5 && dot >= 0 && dot + 1 <= domain.size() - 2;
    return !name.isEmpty() && domainOk && allAllowed(name) && allAllowed(domain);
}

void ConsumerRules::Vd_Email()
{
    const QString address = m_ctx.text(u"DSEMAILCONS");
    if (!Consiste::EmptyString(address) && !emailOk(address))
        m_ctx.fail(kEndereco, QStringLiteral("DSEMAILCONS"), QStringLiteral("Email_inv"));
}

void ConsumerRules::Vd_DtNasc(const QString &typed)
{
    const QString text = typed.trimmed();
    const bool blank = std::none_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    if (blank) {
        if (m_ctx.editing() && !m_ctx.field(u"DTNASCCONS").IsNull())
            m_ctx.field(u"DTNASCCONS").Clear();
        return;
    }
    const QDate date = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid()) {
        if (m_ctx.focus)
            m_ctx.focus(kDados, QStringLiteral("dbeDataNasc"));
        Consiste::MensErroAbort(QStringLiteral("'") + typed + QStringLiteral("' ") + m_ctx.msg.Msg(u"DTN_INV"));
    }
    const QDateTime dt(date, QTime(0, 0), Qt::UTC);
    if (cns::DateSerial::fromDateTime(dt) <= 1)
        m_ctx.fail(kDados, QStringLiteral("dbeDataNasc"), QStringLiteral("DTN_INC"));
    cns::Field &f = m_ctx.field(u"DTNASCCONS");
    if (m_ctx.editing() && (f.IsNull() || f.AsDateTime() != dt))
        f.setAsDateTime(dt);
}

void ConsumerRules::Vd_NomeSite()
{
    const QString login = m_ctx.text(u"NMLOGINCONS");
    if (Consiste::EmptyString(login) || !m_ctx.editing())
        return;
    const QString clientText = m_ctx.clientFieldText ? m_ctx.clientFieldText() : QString();
    const cns::Packet rows = m_ctx.fetch(QStringLiteral("getNomeSite"), {Value(login), Value(m_ctx.consumerCode()), Value(clientText)}, 6);
    if (rows.rowCount() == 0)
        return;
    const auto pair = [&](const char *name, const char *code) -> QString {
        return rows.value(0, QString::fromLatin1(name)).toString() + QStringLiteral(" - ")
               + rows.value(0, QString::fromLatin1(code)).toString();
    };
    m_ctx.fail(kDados, QStringLiteral("NMLOGINCONS"), QStringLiteral("Nm_Site"),
               {pair("NMFANTCLIE", "CDCLIENTE"), pair("NMCONSUMIDOR", "CDCONSUMIDOR")});
}

void ConsumerRules::Vd_Pais()
{
    if (!m_ctx.editing() || m_ctx.text(u"CDPAIS").isEmpty())
        return;
    const QString code = adjusted(QStringLiteral("CDPAIS"), 4);
    TADOIBQuery &q = m_ctx.lookups.qryPais;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDPAIS"), code);
    if (q.IsEmpty())
        m_ctx.fail(kEndereco, QStringLiteral("CDPAIS"), QStringLiteral("Pais_NCad"));
    m_ctx.field(u"NMPAIS").setAsString(firstName(q));
}

void ConsumerRules::Vd_Estado()
{
    if (!m_ctx.editing() || m_ctx.text(u"SGESTADO").isEmpty())
        return;
    TADOIBQuery &q = m_ctx.lookups.qryEstado;
    ConsumerLookups::openFor(q, QStringLiteral("P_SGESTADO"), m_ctx.text(u"SGESTADO"), {{QStringLiteral("P_CDPAIS"), m_ctx.text(u"CDPAIS")}});
    if (q.IsEmpty())
        m_ctx.fail(kEndereco, QStringLiteral("SGESTADO"), QStringLiteral("Estado_NCad"));
}

void ConsumerRules::Vd_Municipio()
{
    if (!m_ctx.editing() || m_ctx.text(u"CDMUNICIPIO").isEmpty())
        return;
    const QString code = adjusted(QStringLiteral("CDMUNICIPIO"), 4);
    TADOIBQuery &q = m_ctx.lookups.qryMunicipio;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDMUNICIPIO"), code,
                             {{QStringLiteral("P_CDPAIS"), m_ctx.text(u"CDPAIS")}, {QStringLiteral("P_SGESTADO"), m_ctx.text(u"SGESTADO")}});
    if (q.IsEmpty())
        m_ctx.fail(kEndereco, QStringLiteral("CDMUNICIPIO"), QStringLiteral("Municipio_NCad"));
    m_ctx.field(u"NMMUNICIPIO").setAsString(firstName(q));
}

void ConsumerRules::Vd_Bairro()
{
    if (!m_ctx.editing())
        return;
    if (m_ctx.text(u"CDBAIRRO").isEmpty()) {
        m_ctx.field(u"NMBAIRRO").Clear();
        m_ctx.field(u"NMBAIRCONS").Clear();
        return;
    }
    const QString code = adjusted(QStringLiteral("CDBAIRRO"), 10);
    TADOIBQuery &q = m_ctx.lookups.qryBairro;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDBAIRRO"), code,
                             {{QStringLiteral("P_CDPAIS"), m_ctx.text(u"CDPAIS")},
                              {QStringLiteral("P_SGESTADO"), m_ctx.text(u"SGESTADO")},
                              {QStringLiteral("P_CDMUNICIPIO"), m_ctx.text(u"CDMUNICIPIO")}});
    if (q.IsEmpty())
        m_ctx.fail(kEndereco, QStringLiteral("CDBAIRRO"), QStringLiteral("Bairro_NCad"));
    m_ctx.field(u"NMBAIRRO").setAsString(firstName(q));
    m_ctx.field(u"NMBAIRCONS").setAsString(firstName(q));
}

void ConsumerRules::vdConsVinculacao()
{
    if (Consiste::EmptyString(m_ctx.text(u"CDCONSVINCULO")))
        return;
    // Consumer codes are stored at their full width: a code typed short must still name the consumer.
    const QString main = m_ctx.editing() ? adjusted(QStringLiteral("CDCONSVINCULO"), 21) : m_ctx.text(u"CDCONSVINCULO");
    const cns::Packet ok = m_ctx.fetch(QStringLiteral("getVdConsVinculo"), {Value(m_ctx.clientCode()), Value(m_ctx.consumerCode()), Value(main)});
    if (ok.rowCount() == 0)
        m_ctx.fail(kDados, QStringLiteral("CDCONSVINCULO"), QStringLiteral("CONSVINC_NAO"));
}

void ConsumerRules::siteAccessDefault()
{
    if (!m_ctx.inserting() || !m_ctx.text(u"NMLOGINCONS").isEmpty())
        return;
    const QString badge = m_ctx.text(u"CDIDCONSUMID");
    if (badge.isEmpty())
        return;
    m_ctx.field(u"NMLOGINCONS").setAsString(badge);
    m_ctx.field(u"CDSENHASITE").setAsString(Criptografa::CriptoPlus(badge));
}

void ConsumerRules::fillEmpty(const QString &fieldName, const QString &value)
{
    cns::Field &f = m_ctx.field(fieldName);
    if (f.AsString().isEmpty())
        f.setAsString(value);
}

void ConsumerRules::beforePost(bool &verifSaldo)
{
    Vd_Consumidor(true);
    Vd_NmConsumidor(true);
    Vd_TipoCons(true);
    Vd_CentroCusto(true);
    Vd_Vendedor();
    m_badge.Vd_CodBarra(true);
    Vd_CPF();
    Vd_NomeSite();
    Vd_Pais();
    Vd_Estado();
    Vd_Municipio();
    Vd_Bairro();
    Vd_Email();

    siteAccessDefault();
    Vd_NomeSite();

    m_ctx.field(u"IDVERSALDCON").setAsString(verifSaldo ? QStringLiteral("S") : QStringLiteral("N"));
    if (m_ctx.inserting()) {
        verifSaldo = true;
        m_ctx.field(u"IDVERSALDCON").setAsString(QStringLiteral("S"));
        m_ctx.field(u"VRLIMCREDCONS").setAsFloat(0);
        m_ctx.field(u"VRLIMDEBCONS").setAsFloat(0);
    }
    const QString s = QStringLiteral("S"), n = QStringLiteral("N");
    fillEmpty(QStringLiteral("IDTPVENDACONS"), QStringLiteral("7"));
    fillEmpty(QStringLiteral("IDIMPCPFCUPOM"), s);
    fillEmpty(QStringLiteral("IDCADCONFLIBCON"), n);
    fillEmpty(QStringLiteral("IDPERCONSPRODEX"), s);
    fillEmpty(QStringLiteral("IDTPSELMANHA"), n);
    fillEmpty(QStringLiteral("IDTPSELTARDE"), n);
    fillEmpty(QStringLiteral("IDTPSEALMOCO"), n);
    fillEmpty(QStringLiteral("IDCRACHAMESTRE"), n);
    if (m_ctx.inserting())
        fillEmpty(QStringLiteral("IDSEXOCONS"), QStringLiteral("F"));
    fillEmpty(QStringLiteral("IDBLOQSALDFS"), n);
    fillEmpty(QStringLiteral("IDATUCPFCONS"), s);
    fillEmpty(QStringLiteral("IDATUCONSONLINE"), n);

    vdConsVinculacao();
}
