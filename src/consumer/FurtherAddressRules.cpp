#include "FurtherAddressRules.h"

#include "Consiste.h"
#include "ConsumerLookups.h"
#include "ConsumerRuleContext.h"
#include "DataSet.h"

namespace {

const QString kTab = QStringLiteral("tshOutrEnde");

} // namespace

cns::Field &FurtherAddressRules::field(QStringView name) const
{
    return m_rows.FieldByName(name);
}

bool FurtherAddressRules::editing() const
{
    return m_rows.State() == cns::DataSetState::Edit || m_rows.State() == cns::DataSetState::Insert;
}

void FurtherAddressRules::fail(const QString &fieldName, const QString &key) const
{
    m_ctx.fail(kTab, fieldName, key);
}

// True when the code is empty, which is refused with key when a value is demanded.
bool FurtherAddressRules::missing(QStringView name, bool required, const QString &key) const
{
    const bool empty = Consiste::EmptyString(field(name).AsString());
    if (empty && required)
        fail(name.toString(), key);
    return empty;
}

QString FurtherAddressRules::adjusted(QStringView name, int width) const
{
    cns::Field &f = field(name);
    const QString code = Consiste::Ajusta(f.AsString(), width);
    if (code != f.AsString())
        f.setAsString(code);
    return code;
}

void FurtherAddressRules::Vd_Pais_OutrEnde(bool required)
{
    if (missing(u"CDPAIS", required, QStringLiteral("Pais_Inf")) || !editing())
        return;
    TADOIBQuery &q = m_ctx.lookups.qryPais;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDPAIS"), adjusted(u"CDPAIS", 4));
    if (q.IsEmpty())
        fail(QStringLiteral("CDPAIS"), QStringLiteral("Pais_NCad"));
    field(u"NMPAIS").setAsString(q.FieldByName(u"NMPAIS").AsString());
    field(u"CDPAIS").setAsString(q.FieldByName(u"CDPAIS").AsString());
}

void FurtherAddressRules::Vd_Estado_OutrEnde(bool required)
{
    if (missing(u"SGESTADO", required, QStringLiteral("Estado_Inf")) || !editing())
        return;
    TADOIBQuery &q = m_ctx.lookups.qryEstado;
    ConsumerLookups::openFor(q, QStringLiteral("P_SGESTADO"), field(u"SGESTADO").AsString(),
                             {{QStringLiteral("P_CDPAIS"), field(u"CDPAIS").AsString()}});
    if (q.IsEmpty())
        fail(QStringLiteral("SGESTADO"), QStringLiteral("Estado_NCad"));
}

void FurtherAddressRules::Vd_Municipio_OutrEnde(bool required)
{
    if (missing(u"CDMUNICIPIO", required, QStringLiteral("Municipio_Inf")) || !editing())
        return;
    TADOIBQuery &q = m_ctx.lookups.qryMunicipio;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDMUNICIPIO"), adjusted(u"CDMUNICIPIO", 4),
                             {{QStringLiteral("P_CDPAIS"), field(u"CDPAIS").AsString()},
                              {QStringLiteral("P_SGESTADO"), field(u"SGESTADO").AsString()}});
    if (q.IsEmpty())
        fail(QStringLiteral("CDMUNICIPIO"), QStringLiteral("Municipio_NCad"));
    field(u"CDMUNICIPIO").setAsString(q.FieldByName(u"CDMUNICIPIO").AsString());
    field(u"NMMUNICIPIO").setAsString(q.FieldByName(u"NMMUNICIPIO").AsString());
}

void FurtherAddressRules::Vd_Bairro_OutrEnde(bool required)
{
    // An empty district leaves its name as it was.
    if (missing(u"CDBAIRRO", required, QStringLiteral("Bairro_Inf")) || !editing())
        return;
    TADOIBQuery &q = m_ctx.lookups.qryBairro;
    ConsumerLookups::openFor(q, QStringLiteral("P_CDBAIRRO"), adjusted(u"CDBAIRRO", 10),
                             {{QStringLiteral("P_CDPAIS"), field(u"CDPAIS").AsString()},
                              {QStringLiteral("P_SGESTADO"), field(u"SGESTADO").AsString()},
                              {QStringLiteral("P_CDMUNICIPIO"), field(u"CDMUNICIPIO").AsString()}});
    if (q.IsEmpty())
        fail(QStringLiteral("CDBAIRRO"), QStringLiteral("Bairro_NCad"));
    field(u"CDBAIRRO").setAsString(q.FieldByName(u"CDBAIRRO").AsString());
    field(u"NMBAIRRO").setAsString(q.FieldByName(u"NMBAIRRO").AsString());
}

void FurtherAddressRules::columnLeft(const QString &fieldName)
{
    if (!editing())
        return;
    if (fieldName == u"CDPAIS")
        Vd_Pais_OutrEnde(false);
    else if (fieldName == u"SGESTADO")
        Vd_Estado_OutrEnde(false);
    else if (fieldName == u"CDMUNICIPIO")
        Vd_Municipio_OutrEnde(false);
    else if (fieldName == u"CDBAIRRO")
        Vd_Bairro_OutrEnde(false);
}

void FurtherAddressRules::beforePost()
{
    field(u"CDCLIENTE").setAsString(m_ctx.clientCode());
    field(u"CDCONSUMIDOR").setAsString(m_ctx.consumerCode());
    if (Consiste::EmptyString(field(u"DSENDECONS").AsString()))
        fail(QStringLiteral("DSENDECONS"), QStringLiteral("Ende_Inf"));
    Vd_Pais_OutrEnde(true);
    Vd_Estado_OutrEnde(true);
    Vd_Municipio_OutrEnde(true);
    Vd_Bairro_OutrEnde(true);
}
