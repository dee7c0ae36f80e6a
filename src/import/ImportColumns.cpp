#include "ImportColumns.h"

namespace cns::import {

namespace ImportColumns {

const std::array<QString, kCount> &arFields()
{
    static const std::array<QString, kCount> names = {
        QStringLiteral("ERRO"),         QStringLiteral("CDBAIRRO"),        QStringLiteral("CDCCUSCLIE"),
        QStringLiteral("CDCLIENTE"),    QStringLiteral("CDCONSUMIDOR"),    QStringLiteral("CDEXCONSUMID"),
        QStringLiteral("CDFAMILISALDIMP"), QStringLiteral("CDIDCONSUMID"), QStringLiteral("CDMUNICIPIO"),
        QStringLiteral("CDPAIS"),       QStringLiteral("CDSENHACONS"),     QStringLiteral("CDSENHASITE"),
        QStringLiteral("CDTIPOCONS"),   QStringLiteral("CDVENDEDOR"),      QStringLiteral("DSCOMPLENDECONS"),
        QStringLiteral("DSEMAILCONS"),  QStringLiteral("DSENDECONS"),      QStringLiteral("DSREFERENDECONS"),
        QStringLiteral("DTNASCCONS"),   QStringLiteral("IDBLOQSALDFS"),    QStringLiteral("IDCADCONFLIBCON"),
        QStringLiteral("IDIMPCPFCUPOM"), QStringLiteral("IDPERCONSPRODEX"), QStringLiteral("IDTPSEALMOCO"),
        QStringLiteral("IDTPSELMANHA"), QStringLiteral("IDTPSELTARDE"),    QStringLiteral("IDTPVENDACONS"),
        QStringLiteral("IDVERSALDCON"), QStringLiteral("NMBAIRCONS"),      QStringLiteral("NMCONSUMIDOR"),
        QStringLiteral("NMLOGINCONS"),  QStringLiteral("NMRESPCONS"),      QStringLiteral("NRACESSOSITE"),
        QStringLiteral("NRCELULARCONS"), QStringLiteral("NRCEPCONS"),      QStringLiteral("NRCPFRESPCON"),
        QStringLiteral("NRENDECONS"),   QStringLiteral("NRFAXCONS"),       QStringLiteral("NRRAMAL1CONS"),
        QStringLiteral("NRRAMAL2CONS"), QStringLiteral("NRRGCONSUMID"),    QStringLiteral("NRTELE2CONS"),
        QStringLiteral("NRTELECONS"),   QStringLiteral("SGESTADO"),        QStringLiteral("VRAVICREDCONS"),
        QStringLiteral("VRAVIDEBCONS"), QStringLiteral("VRDIASUBCONS"),    QStringLiteral("VRLIMCREDCONS"),
        QStringLiteral("VRLIMDEBCONS"), QStringLiteral("VRMAXCONSMENSAL"), QStringLiteral("VRMAXCREDCONS"),
        QStringLiteral("VRMAXDEBCONS"), QStringLiteral("VRMESUBCONS"),     QStringLiteral("VRPESUBCONS"),
        QStringLiteral("VRSALDOCREDIMP"), QStringLiteral("VRSUBSBASICO"),
    };
    return names;
}

int ProcDados(QStringView name)
{
    const auto &names = arFields();
    int lo = 1, hi = kCount - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = QStringView(names[size_t(mid)]).compare(name, Qt::CaseInsensitive);
        if (c == 0)
            return mid;
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}

bool isValueColumn(QStringView exactName)
{
    static const QString names[] = {QStringLiteral("VRAVIDEBCONS"),  QStringLiteral("VRLIMDEBCONS"),
                                    QStringLiteral("VRMAXDEBCONS"),  QStringLiteral("VRSUBSBASICO"),
                                    QStringLiteral("VRMAXCONSMENSAL"), QStringLiteral("VRAVICREDCONS"),
                                    QStringLiteral("VRLIMCREDCONS"), QStringLiteral("VRMAXCREDCONS")};
    for (const QString &n : names) {
        if (exactName == n)
            return true;
    }
    return false;
}

} // namespace ImportColumns

} // namespace cns::import
