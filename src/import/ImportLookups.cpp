#include "ImportLookups.h"

#include "Consiste.h"

namespace cns::import {

ImportLookups::ImportLookups(QString branch, QString branchFilter)
    : m_branch(std::move(branch)), m_branchFilter(std::move(branchFilter)), qryCdExClienFil(QStringLiteral("qryCdExClienFil")),
      qryNrInsJurClie(QStringLiteral("qryNrInsJurClie")), qryCdExCliente(QStringLiteral("qryCdExCliente")),
      qryClienteSemFilial(QStringLiteral("qryClienteSemFilial")), qryTipoConsFili(QStringLiteral("qryTipoConsFili")),
      qryTipoCons(QStringLiteral("qryTipoCons")), qryCentCusto(QStringLiteral("qryCentCusto"))
{
    const QString join = QStringLiteral("SELECT CL.CDCLIENTE FROM CLIENTE CL JOIN CLIENFILIAL CF ON CF.CDCLIENTE = CL.CDCLIENTE WHERE ");
    qryCdExClienFil.setSQL(join + QStringLiteral("CF.CDEXCLIENFIL = :P_CDEXCLIENTE AND CF.CDFILIAL = :P_CDFILIAL ORDER BY CL.CDCLIENTE"));
    qryNrInsJurClie.setSQL(join + QStringLiteral("(CL.CDEXCLIENTE = :P_CDEXCLIENTE OR CL.NRINSJURCLIE = :P_CDEXCLIENTE) "
                                                 "AND CF.CDFILIAL = :P_CDFILIAL ORDER BY CL.CDCLIENTE"));
    qryCdExCliente.setSQL(join + QStringLiteral("CL.CDEXCLIENTE = :P_CDEXCLIENTE AND CF.CDFILIAL = :P_CDFILIAL ORDER BY CL.CDCLIENTE"));
    qryClienteSemFilial.setSQL(QStringLiteral("SELECT CDCLIENTE, NRINSJURCLIE FROM CLIENTE "
                                              "WHERE CDCLIENTE = :P_CDCLIENTE OR NRINSJURCLIE = :P_NRINSJURCLIE"));
    qryTipoConsFili.setSQL(QStringLiteral("SELECT CDTIPOCONS FROM TIPOCONSFILI WHERE (:P_TCDFILIAL = 'T' OR CDFILIAL = :P_CDFILIAL) "
                                          "AND CDTIPOCONSEX = :P_CDTIPOCONSEX"));
    qryTipoCons.setSQL(QStringLiteral("SELECT CDTIPOCONS FROM TIPOCONS WHERE CDTIPOCONS = :P_CDTIPOCONS"));
    qryCentCusto.setSQL(QStringLiteral("SELECT CDCLIENTE, CDCCUSCLIE, NMCCUSCLIE FROM CCUSCLIE "
                                       "WHERE CDCLIENTE = :P_CDCLIENTE AND CDCCUSCLIE = :P_CDCCUSCLIE"));
}

void ImportLookups::setBranchPair(TADOIBQuery &q) const
{
    const bool perBranch = m_branchFilter != u"T";
    q.ParamByName(u"P_CDFILIAL") = cns::Value(perBranch ? m_branchFilter : QString());
    q.ParamByName(u"P_TCDFILIAL") = cns::Value(perBranch ? QString() : QStringLiteral("T"));
}

QString ImportLookups::firstClient(TADOIBQuery &q, const QString &v)
{
    q.Close();
    q.ParamByName(u"P_CDEXCLIENTE") = cns::Value(v);
    q.ParamByName(u"P_CDFILIAL") = cns::Value(m_branch);
    q.Open();
    return q.IsEmpty() ? QString() : q.FieldByName(u"CDCLIENTE").AsString();
}

ImportLookups::Client ImportLookups::resolveClient(const QString &v)
{
    if (const auto it = m_clients.constFind(v); it != m_clients.constEnd())
        return *it;
    Client c;
    c.code = firstClient(qryCdExClienFil, v);
    if (c.code.isEmpty())
        c.code = firstClient(v.size() <= 20 ? qryNrInsJurClie : qryCdExCliente, v);
    if (c.code.isEmpty())
        c.code = m_externalCodes.value(v);
    if (c.code.isEmpty()) {
        c.code = v;
        qryClienteSemFilial.Close();
        qryClienteSemFilial.ParamByName(u"P_CDCLIENTE") = cns::Value(v);
        qryClienteSemFilial.ParamByName(u"P_NRINSJURCLIE") = cns::Value(v);
        qryClienteSemFilial.Open();
        c.motivo = qryClienteSemFilial.IsEmpty() ? QStringLiteral("NAO_ENC") : QStringLiteral("CLI_FIL");
    }
    m_clients.insert(v, c);
    return c;
}

QString ImportLookups::translateType(const QString &t)
{
    const QString adjusted = Consiste::Ajusta(t, 2);
    if (Consiste::EmptyString(adjusted))
        return adjusted;
    if (const auto it = m_types.constFind(t); it != m_types.constEnd())
        return *it;
    qryTipoConsFili.Close();
    setBranchPair(qryTipoConsFili);
    qryTipoConsFili.ParamByName(u"P_CDTIPOCONSEX") = cns::Value(t);
    qryTipoConsFili.Open();
    const QString type = qryTipoConsFili.IsEmpty() ? adjusted : qryTipoConsFili.FieldByName(u"CDTIPOCONS").AsString();
    m_types.insert(t, type);
    return type;
}

bool ImportLookups::typeExists(const QString &type)
{
    if (const auto it = m_typeExists.constFind(type); it != m_typeExists.constEnd())
        return *it;
    qryTipoCons.Close();
    qryTipoCons.ParamByName(u"P_CDTIPOCONS") = cns::Value(type);
    qryTipoCons.Open();
    const bool found = !qryTipoCons.IsEmpty();
    m_typeExists.insert(type, found);
    return found;
}

bool ImportLookups::costCentreExists(const QString &client, const QString &costCentre)
{
    // By client, then by cost centre: the check of every row makes no key text.
    QHash<QString, bool> &ofClient = m_costCentreExists[client];
    if (const auto it = ofClient.constFind(costCentre); it != ofClient.constEnd())
        return *it;
    qryCentCusto.Close();
    qryCentCusto.ParamByName(u"P_CDCLIENTE") = cns::Value(client);
    qryCentCusto.ParamByName(u"P_CDCCUSCLIE") = cns::Value(costCentre);
    qryCentCusto.Open();
    const bool found = !qryCentCusto.IsEmpty();
    ofClient.insert(costCentre, found);
    return found;
}

} // namespace cns::import
