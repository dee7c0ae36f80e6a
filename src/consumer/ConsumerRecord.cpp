#include "ConsumerRecord.h"

using cns::FieldType;

namespace ConsumerRecord {

namespace {

ConsumerRecord::FieldInfo text(const char *name, int size, const char *label = "")
{
    return {{QString::fromLatin1(name), FieldType::String, size}, QString::fromUtf8(label), {}};
}

ConsumerRecord::FieldInfo value(const char *name, const char *format = "#,##0.00")
{
    return {{QString::fromLatin1(name), FieldType::Float, 0}, {}, QString::fromLatin1(format)};
}

} // namespace

const QList<FieldInfo> &fields()
{
    static const QList<FieldInfo> all = {
        text("CDCONSUMIDOR", 21, "Código"),
        text("NMCONSUMIDOR", 50, "Nome"),
        text("IDSITCONSUMI", 1, "Situação"),
        text("CDEXCONSUMID", 21, "Código Externo"),
        text("CDCCUSCLIE", 10, "Centro de Custo"),
        text("CDTIPOCONS", 2, "Tipo de Consumidor"),
        text("CDPAIS", 4, "País Responsável"),
        text("SGESTADO", 2, "Estado Responsável"),
        text("CDMUNICIPIO", 4, "Município Responsável"),
        text("DSENDECONS", 50, "Endereço Responsável"),
        text("NRCEPCONS", 15, "CEP Responsável"),
        text("NRTELE2CONS", 25, "2º Telefone"),
        text("NRTELECONS", 25, "1º Telefone"),
        text("NRRAMAL1CONS", 4, "1º Ramal"),
        text("NRRAMAL2CONS", 4, "2º Ramal"),
        text("NRFAXCONS", 25, "Fax"),
        text("DSEMAILCONS", 50, "E-Mail"),
        text("NRCTACORCONS", 20),
        text("IDCONSUMIDOR", 1),
        text("CDVENDEDOR", 4, "Vendedor"),
        text("NRRGCONSUMID", 20, "Identidade Responsável"),
        text("NMTIPOCONS", 20),
        text("NMCCUSCLIE", 40),
        text("NMRAZSOCVEN", 50),
        text("NMPAIS", 30),
        text("NMMUNICIPIO", 30),
        text("CDCLIENTE", 21),
        text("NRCPFRESPCON", 11, "CPF Responsável"),
        text("NMRESPCONS", 50, "Nome Responsável"),
        text("NMLOGINCONS", 200, "Código Acesso ao Site"),
        text("CDIDCONSUMID", 21, "Nr. Crachá"),
        text("DSINFOCONS", 200, "Informações do Consumidor"),
        text("CDSENHACONS", 40),
        text("CDSENHASITE", 40),
        text("IDVERSALDCON", 1),
        value("VRAVIDEBCONS"),
        value("VRLIMDEBCONS"),
        value("VRMAXDEBCONS"),
        value("VRAVICREDCONS"),
        value("VRLIMCREDCONS"),
        value("VRMAXCREDCONS"),
        text("DSREFERENDECONS", 2000, "Ponto de Referência"),
        text("IDTPVENDACONS", 1, "Tipo de Venda"),
        {{QStringLiteral("IDSEXOCONS"), FieldType::FixedChar, 1}, QStringLiteral("Sexo"), {}},
        {{QStringLiteral("DTNASCCONS"), FieldType::DateTime, 0}, QStringLiteral("Data Nasc."), {}},
        text("NRCELULARCONS", 25, "Número do Celular"),
        text("DSCOMPLENDECONS", 100, "Complemento"),
        text("NRENDECONS", 5, "Número do Endereço"),
        text("IDIMPCPFCUPOM", 1),
        text("IDCADCONFLIBCON", 1, "Cadastro Confirmado"),
        text("IDPERCONSPRODEX", 1, "Consumo de Produto Extra"),
        text("CDFILIAL", 4),
        text("IDTPSELMANHA", 1),
        text("IDTPSELTARDE", 1),
        text("IDTPSEALMOCO", 1),
        value("VRMESUBCONS"),
        value("VRPESUBCONS"),
        text("IDCRACHAMESTRE", 1),
        text("CDBAIRRO", 10, "Cód. Bairro"),
        text("NMBAIRRO", 50, "Nome Bairro"),
        text("DIGICONSUMIDOR", 2000, "Digital Consumidor"),
        text("NMQUADRANTE", 20, "Quadrante"),
        value("VRSUBSBASICO"),
        text("IDATUCPFCONS", 1),
        text("DIGICONSUMIDOR2", 2000),
        text("IDBLOQSALDFS", 1),
        value("VRMAXCONSMENSAL", ""),
        text("CDCONSVINCULO", 21, "Cód. Cons. Vinculado"),
        text("NMCONSVINCULO", 50, "Nome Cons. Vinculado"),
        text("CDSENHACONSMD5", 200),
        text("NMBAIRCONS", 100),
        text("IDATUCONSONLINE", 1),
        text("IDANONIMIZADO", 1),
    };
    return all;
}

QList<cns::FieldDef> fieldDefs()
{
    QList<cns::FieldDef> defs;
    for (const FieldInfo &f : fields())
        defs.append(f.def);
    return defs;
}

bool isCompanion(QStringView field)
{
    static const QStringList companions = {
        QStringLiteral("NMTIPOCONS"), QStringLiteral("NMCCUSCLIE"), QStringLiteral("NMRAZSOCVEN"),
        QStringLiteral("NMPAIS"),     QStringLiteral("NMMUNICIPIO"), QStringLiteral("NMBAIRRO"),
        QStringLiteral("NMCONSVINCULO")};
    return companions.contains(field.toString(), Qt::CaseInsensitive);
}

const QStringList &valueFlagFields()
{
    static const QStringList names = {
        QStringLiteral("VRAVIDEBCONS"),  QStringLiteral("VRLIMDEBCONS"), QStringLiteral("VRMAXDEBCONS"),
        QStringLiteral("VRAVICREDCONS"), QStringLiteral("VRLIMCREDCONS"), QStringLiteral("VRMAXCREDCONS"),
        QStringLiteral("VRMESUBCONS"),   QStringLiteral("VRPESUBCONS"),  QStringLiteral("VRSUBSBASICO"),
        QStringLiteral("VRMAXCONSMENSAL")};
    return names;
}

namespace {
cns::FieldDef t(const char *name, int size)
{
    return {QString::fromLatin1(name), FieldType::String, size};
}
} // namespace

QList<cns::FieldDef> branchFieldDefs()
{
    return {t("CDFILIAL", 4), t("NMFILIAL", 30)};
}

QList<cns::FieldDef> consumerBranchFieldDefs()
{
    return {t("CDFILIAL", 4), t("NMFILIAL", 30), t("CDCLIENTE", 21), t("CDCONSUMIDOR", 21)};
}

QList<cns::FieldDef> addressFieldDefs()
{
    return {t("CDCLIENTE", 21),       t("CDCONSUMIDOR", 21),     t("CDENDECONS", 2),    t("DSENDECONS", 100),
            t("NRENDECONS", 10),      t("NRCEPCONS", 15),        t("NMPAIS", 50),       t("SGESTADO", 2),
            t("NMMUNICIPIO", 50),     t("NMBAIRRO", 50),         t("DSCOMPLENDECONS", 100), t("DSREFERENDECONS", 2000),
            t("NMQUADRANTECONS", 20), t("CDMUNICIPIO", 4),       t("CDBAIRRO", 10),     t("CDPAIS", 4)};
}

QList<cns::FieldDef> salesParameterFieldDefs()
{
    return {{QStringLiteral("QTDIGCDIDCON"), FieldType::Float, 0}, t("CDDIGCDIDCON", 10), t("IDBLOQCDIDCONS", 1)};
}

QList<cns::FieldDef> clientFieldDefs()
{
    return {t("CDCLIENTE", 21),  t("NRINSJURCLIE", 20), t("IDTPIJURCLIE", 1), t("NMFANTCLIE", 50),
            t("IDCALCDVCLIE", 1), t("NMRAZSOCCLIE", 50), t("CDFILIAL", 4)};
}

} // namespace ConsumerRecord
