#include "ConsumerLookups.h"

using cns::FieldType;

namespace {

void codeAndName(TADOIBQuery &q, const QString &code, int codeSize, const QString &name, int nameSize,
                 const QString &codeLabel = QStringLiteral("Código"), const QString &nameLabel = QStringLiteral("Nome"))
{
    q.AddField(code, FieldType::String, codeSize, codeLabel);
    q.AddField(name, FieldType::String, nameSize, nameLabel);
}

} // namespace

ConsumerLookups::ConsumerLookups()
    : qryTipoConsCliFili(QStringLiteral("qryTipoConsCliFili")), qryTipoConsCli(QStringLiteral("qryTipoConsCli")),
      qryTipoConsFili(QStringLiteral("qryTipoConsFili")), qryPesqCons(QStringLiteral("qryPesqCons")),
      qryCentroCusto(QStringLiteral("qryCentroCusto")), qryPesqVendedor(QStringLiteral("qryPesqVendedor")),
      qryPais(QStringLiteral("qryPais")), qryEstado(QStringLiteral("qryEstado")), qryMunicipio(QStringLiteral("qryMunicipio")),
      qryBairro(QStringLiteral("qryBairro")), qryVerConsumiFilial(QStringLiteral("qryVerConsumiFilial")),
      adqVerFilialCliente(QStringLiteral("adqVerFilialCliente")), qryClienFilial(QStringLiteral("qryClienFilial")),
      qryFilial(QStringLiteral("qryFilial"))
{
    qryTipoConsCliFili.setSQL(QStringLiteral(
        "SELECT C.CDTIPOCONS, C.NMTIPOCONSCLI FROM TIPOCONSCLI C JOIN TIPOCONSFILI F ON F.CDTIPOCONS = C.CDTIPOCONS "
        "WHERE C.CDCLIENTE = :P_CDCLIENTE AND F.CDFILIAL = :P_CDFILIAL "
        "AND (C.CDTIPOCONS = :P_CDTIPOCONS OR :P_TCDTIPOCONS = 'T') ORDER BY C.CDTIPOCONS"));
    codeAndName(qryTipoConsCliFili, QStringLiteral("CDTIPOCONS"), 2, QStringLiteral("NMTIPOCONSCLI"), 40);

    qryTipoConsCli.setSQL(QStringLiteral("SELECT CDTIPOCONS, NMTIPOCONSCLI FROM TIPOCONSCLI WHERE CDCLIENTE = :P_CDCLIENTE "
                                         "AND (CDTIPOCONS = :P_CDTIPOCONS OR :P_TCDTIPOCONS = 'T') ORDER BY CDTIPOCONS"));
    codeAndName(qryTipoConsCli, QStringLiteral("CDTIPOCONS"), 2, QStringLiteral("NMTIPOCONSCLI"), 40);

    qryTipoConsFili.setSQL(QStringLiteral(
        "SELECT T.CDTIPOCONS, T.NMTIPOCONS FROM TIPOCONS T JOIN TIPOCONSFILI F ON F.CDTIPOCONS = T.CDTIPOCONS "
        "WHERE F.CDFILIAL = :P_CDFILIAL AND (T.CDTIPOCONS = :P_CDTIPOCONS OR :P_TCDTIPOCONS = 'T') ORDER BY T.CDTIPOCONS"));
    codeAndName(qryTipoConsFili, QStringLiteral("CDTIPOCONS"), 2, QStringLiteral("NMTIPOCONS"), 20);

    qryPesqCons.setSQL(QStringLiteral("SELECT CDTIPOCONS, NMTIPOCONS FROM TIPOCONS "
                                      "WHERE CDTIPOCONS = :P_CDTIPOCONS OR :P_TCDTIPOCONS = 'T' ORDER BY CDTIPOCONS"));
    codeAndName(qryPesqCons, QStringLiteral("CDTIPOCONS"), 2, QStringLiteral("NMTIPOCONS"), 20);

    qryCentroCusto.setSQL(QStringLiteral("SELECT CDCLIENTE, CDCCUSCLIE, NMCCUSCLIE FROM CCUSCLIE WHERE CDCLIENTE = :P_CDCLIENTE "
                                         "AND (CDCCUSCLIE = :P_CDCCUSCLIE OR :P_TCDCCUSCLIE = 'T')"));
    qryCentroCusto.AddField(QStringLiteral("CDCLIENTE"), FieldType::String, 21).Visible = false;
    codeAndName(qryCentroCusto, QStringLiteral("CDCCUSCLIE"), 10, QStringLiteral("NMCCUSCLIE"), 40);

    qryPesqVendedor.setSQL(QStringLiteral("SELECT CDVENDEDOR, NMRAZSOCVEN FROM VENDEDOR "
                                          "WHERE CDVENDEDOR = :P_CDVENDEDOR OR :P_TCDVENDEDOR = 'T' ORDER BY CDVENDEDOR"));
    codeAndName(qryPesqVendedor, QStringLiteral("CDVENDEDOR"), 4, QStringLiteral("NMRAZSOCVEN"), 50);

    qryPais.setSQL(QStringLiteral("SELECT P.CDPAIS, P.NMPAIS FROM PAIS P WHERE P.CDPAIS = :P_CDPAIS OR :P_TCDPAIS = 'T' "
                                  "ORDER BY P.CDPAIS"));
    codeAndName(qryPais, QStringLiteral("CDPAIS"), 4, QStringLiteral("NMPAIS"), 30, QStringLiteral("Código "), QStringLiteral("Nome "));

    qryEstado.setSQL(QStringLiteral("SELECT E.SGESTADO, E.NMESTADO FROM ESTADO E WHERE E.CDPAIS = :P_CDPAIS "
                                    "AND (E.SGESTADO = :P_SGESTADO OR :P_TSGESTADO = 'T') ORDER BY E.SGESTADO"));
    codeAndName(qryEstado, QStringLiteral("SGESTADO"), 2, QStringLiteral("NMESTADO"), 30, QStringLiteral("Sigla "), QStringLiteral("Nome "));

    qryMunicipio.setSQL(QStringLiteral(
        "SELECT M.CDMUNICIPIO, M.NMMUNICIPIO FROM MUNICIPIO M WHERE M.CDPAIS = :P_CDPAIS AND M.SGESTADO = :P_SGESTADO "
        "AND (M.CDMUNICIPIO = :P_CDMUNICIPIO OR :P_TCDMUNICIPIO = 'T') ORDER BY M.CDMUNICIPIO"));
    codeAndName(qryMunicipio, QStringLiteral("CDMUNICIPIO"), 4, QStringLiteral("NMMUNICIPIO"), 30, QStringLiteral("Código "),
                QStringLiteral("Nome "));

    qryBairro.setSQL(QStringLiteral(
        "SELECT B.CDBAIRRO, B.NMBAIRRO FROM BAIRRO B WHERE B.CDPAIS = :P_CDPAIS AND B.SGESTADO = :P_SGESTADO "
        "AND B.CDMUNICIPIO = :P_CDMUNICIPIO AND (B.CDBAIRRO = :P_CDBAIRRO OR :P_TCDBAIRRO = 'T') ORDER BY B.CDMUNICIPIO"));
    codeAndName(qryBairro, QStringLiteral("CDBAIRRO"), 10, QStringLiteral("NMBAIRRO"), 50);

    qryVerConsumiFilial.setSQL(QStringLiteral("SELECT CDFILIAL FROM CONSUMIFILIAL WHERE CDCLIENTE = :P_CDCLIENTE "
                                              "AND CDFILIAL = :P_CDFILIAL AND CDCONSUMIDOR = :P_CDCONSUMIDOR"));
    qryVerConsumiFilial.AddField(QStringLiteral("CDFILIAL"), FieldType::String, 4);

    adqVerFilialCliente.setSQL(
        QStringLiteral("SELECT CDFILIAL FROM CLIENFILIAL WHERE CDCLIENTE = :P_CDCLIENTE AND CDFILIAL = :P_CDFILIAL"));
    adqVerFilialCliente.AddField(QStringLiteral("CDFILIAL"), FieldType::String, 4);

    qryClienFilial.setSQL(QStringLiteral(
        "SELECT FI.CDFILIAL, FI.NMFILIAL FROM FILIAL FI JOIN CLIENFILIAL CF ON CF.CDFILIAL = FI.CDFILIAL "
        "WHERE CF.CDCLIENTE = :P_CDCLIENTE AND (FI.CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T') ORDER BY FI.CDFILIAL"));
    codeAndName(qryClienFilial, QStringLiteral("CDFILIAL"), 4, QStringLiteral("NMFILIAL"), 30);

    qryFilial.setSQL(QStringLiteral(
        "SELECT FI.NMFILIAL FROM FILIAL FI JOIN CLIENFILIAL CF ON CF.CDFILIAL = FI.CDFILIAL "
        "WHERE FI.CDFILIAL = :P_CDFILIAL AND CF.CDCLIENTE = :P_CDCLIENTE AND (CF.CDFILIAL = :P_CDFILIPROC OR :P_TCDFILIPROC = 'T')"));
    qryFilial.AddField(QStringLiteral("NMFILIAL"), FieldType::String, 30);
}

QList<QPair<QString, QString>> ConsumerLookups::branchFilter(const QString &codeParam, const QString &workingBranch)
{
    const bool perBranch = workingBranch != u"T";
    return {{codeParam, perBranch ? workingBranch : QStringLiteral("")},
            {QStringLiteral("P_T") + codeParam.mid(2), perBranch ? QStringLiteral("") : QStringLiteral("T")}};
}

void ConsumerLookups::open(TADOIBQuery &q, const QList<QPair<QString, QString>> &params)
{
    q.Close();
    for (const auto &[name, value] : params)
        q.ParamByName(name) = value.isNull() ? cns::Value() : cns::Value(value);
    q.Open();
}

void ConsumerLookups::openFor(TADOIBQuery &q, const QString &codeParam, const QString &code,
                              const QList<QPair<QString, QString>> &fixed)
{
    QList<QPair<QString, QString>> params = fixed;
    const QString allParam = QStringLiteral("P_T") + codeParam.mid(2);
    params.append({codeParam, code});
    params.append({allParam, code.isEmpty() ? QStringLiteral("T") : QString()});
    open(q, params);
}
