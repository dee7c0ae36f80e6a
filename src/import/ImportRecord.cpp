#include "ImportRecord.h"

#include "DataSet.h"
#include "EErro.h"

#include <QHash>

namespace cns::import {

namespace ImportRecord {

namespace {

using cns::FieldType;

FieldInfo t(const char *name, int size, const char *label)
{
    return {{QString::fromLatin1(name), FieldType::String, size}, QString::fromUtf8(label)};
}

FieldInfo n(const char *name, const char *label)
{
    return {{QString::fromLatin1(name), FieldType::Float, 0}, QString::fromUtf8(label)};
}

void define(cns::DataSet &ds, const QList<FieldInfo> &fields)
{
    for (const FieldInfo &f : fields) {
        cns::Field &field = ds.AddField(f.def.name, f.def.type, f.def.size, f.label);
        if (f.label.isEmpty() && (f.def.name == u"IDVALIDO" || f.def.name == u"IDMOTIVO"))
            field.Visible = false;
    }
}

} // namespace

const QList<FieldInfo> &rowFields()
{
    static const QList<FieldInfo> all = {
        t("CDCLIENTE", 21, "Código cliente"),
        t("CDCONSUMIDOR", 21, "Código consumidor"),
        t("NMCONSUMIDOR", 50, "Nome consumidor"),
        t("VRLIMDEBCONS", 20, "Vr. limite saldo déb."),
        t("CDPAIS", 4, "País"),
        t("SGESTADO", 2, "UF"),
        t("CDMUNICIPIO", 4, "Municipio"),
        t("CDTIPOCONS", 2, "Tipo de consumidor"),
        t("CDCCUSCLIE", 10, "Centro de custo"),
        t("VRAVIDEBCONS", 20, "Vr. aviso saldo déb."),
        t("CDIDCONSUMID", 21, "Nr. crachá"),
        t("CDEXCONSUMID", 21, "Código externo"),
        t("DSENDECONS", 50, "Endereço"),
        t("NMBAIRCONS", 30, "Bairro"),
        t("NRCEPCONS", 15, "Cep"),
        t("NRTELECONS", 25, "Telefone residencial"),
        t("NRRAMAL1CONS", 4, "Ramal"),
        t("NRTELE2CONS", 25, "Telefone comercial"),
        t("NRRAMAL2CONS", 4, "Ramal 2"),
        t("NRFAXCONS", 25, "Fax"),
        t("DSEMAILCONS", 50, "E-mail"),
        n("VRMESUBCONS", "Saldo Men. Conced. Empresa"),
        n("VRPESUBCONS", "Percentual subsídio"),
        t("NMARQLAYIMP", 250, "Arquivo"),
        t("IDVERSALDCON", 1, "Verifica saldo"),
        n("VRDIASUBCONS", "Vr. dia subsídio"),
        t("VRMAXCONSMENSAL", 20, "Vr. Máximo Consumo Mensal"),
        t("CDVENDEDOR", 4, "Código vendedor"),
        n("NRACESSOSITE", "Nr. acesso ao site"),
        t("CDSENHASITE", 40, "Senha acesso ao site"),
        t("VRMAXCREDCONS", 20, "Vr. máx. consumo créd."),
        t("VRAVICREDCONS", 20, "Vr. aviso saldo créd."),
        t("VRLIMCREDCONS", 20, "Vr. limite saldo créd."),
        t("VRMAXDEBCONS", 20, "Vr. máx. consumo déb."),
        {{QStringLiteral("DTNASCCONS"), FieldType::DateTime, 0}, QStringLiteral("Data nasc.")},
        t("NMLOGINCONS", 200, "Código acesso ao site"),
        t("NMRESPCONS", 50, "Nome responsável"),
        t("NRCPFRESPCON", 11, "Cpf responsável"),
        t("CDSENHACONS", 40, "Senha"),
        t("NRRGCONSUMID", 20, "Nr. identidade"),
        t("IDTPVENDACONS", 1, "Tipo de venda"),
        t("NRENDECONS", 5, "Número do endereço residencial"),
        t("NRCELULARCONS", 25, "Número do celular"),
        t("DSCOMPLENDECONS", 100, "Complemento do endereço"),
        t("IDIMPCPFCUPOM", 1, "Imprime automaticamente o CPF/CNPJ do Consumidor no Cupom Fiscal"),
        t("IDPERCONSPRODEX", 1, "Permite Consumo de Produto Extra"),
        t("IDCADCONFLIBCON", 1, "Cadastro Confimado (Liberado para Consumo)"),
        t("DSREFERENDECONS", 2000, "Ponto de Referência"),
        t("IDTPSELMANHA", 1, "Lanche Manhã"),
        t("IDTPSELTARDE", 1, "Lanche Tarde"),
        t("IDTPSEALMOCO", 1, "Almoço"),
        t("IDVALIDO", 1, ""),
        t("IDMOTIVO", 10, ""),
        t("VRSUBSBASICO", 20, "Vr. subsídio básico déb."),
        t("IDBLOQSALDFS", 1, "Bloqueia utilização saldo consumo diário no final semana"),
        t("CDFAMILISALDIMP", 3, "Família"),
        t("VRSALDOCREDIMP", 20, "Saldo Créd. Pessoal"),
        t("CDBAIRRO", 10, "Cód. Bairro"),
    };
    return all;
}

const QList<cns::FieldDef> &rowFieldDefs()
{
    static const QList<cns::FieldDef> defs = [] {
        QList<cns::FieldDef> out;
        for (const FieldInfo &f : rowFields())
            out.append(f.def);
        return out;
    }();
    return defs;
}

int rowField(QStringView name)
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (int i = 0; i < rowFields().size(); ++i)
            h.insert(rowFields().at(i).def.name, i);
        return h;
    }();
    const auto it = index.constFind(name.toString());
    if (it == index.constEnd())
        throw cns::EErro(QStringLiteral("Campo %1 não existe nas linhas de importação.").arg(name));
    return *it;
}

const QList<FieldInfo> &logFields()
{
    static const QList<FieldInfo> all = {
        t("CDCLIENTE", 21, "Código do Cliente"),   t("NMCONSUMIDOR", 50, "Nome do Consumidor"),
        t("CDCONSUMIDOR", 21, ""),                 t("DSLOGIMP", 250, ""),
        t("CDIDCONSUMID", 21, "Código de Identificação"), t("CDEXCONSUMID", 21, "Código Externo"),
        t("CDTIPOCONS", 2, "Tipo Cons."),          t("CDCCUSCLIE", 10, "Centro Custo"),
        t("NRCPFRESPCON", 11, "Cpf Responsável"),
    };
    return all;
}

void defineRows(cns::DataSet &ds)
{
    define(ds, rowFields());
    ds.FieldByName(u"VRMESUBCONS").DisplayFormat = QStringLiteral("0.00");
    ds.FieldByName(u"VRPESUBCONS").DisplayFormat = QStringLiteral("0%");
    ds.FieldByName(u"VRDIASUBCONS").DisplayFormat = QStringLiteral("0.00");
}

void defineLog(cns::DataSet &ds)
{
    define(ds, logFields());
    ds.FieldByName(u"DSLOGIMP").DisplayWidth = 250;
}

} // namespace ImportRecord

} // namespace cns::import
