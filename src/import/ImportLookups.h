#pragma once

#include "RowLookups.h"
#include "TADOIBQuery.h"

#include <QHash>
#include <QString>

namespace cns::import {

// The host queries of the import (the database of the host's shared connection): the client
// lookups of the file-client mode, the consumer type translation of the branch, and the checks
// of the consistency run. The data they read does not change while a file is loaded or checked,
// so each answer is kept for the life of the object: a 100,000-line file of a few clients costs
// a few queries, not a few hundred thousand.
//
// The queries run on the connection of the thread that made the object, so it is used from that
// thread only.
class ImportLookups final : public RowLookups
{
public:
    // branch: FiliProc(); branchFilter: the screen's branch filter ("T" when not per branch).
    ImportLookups(QString branch, QString branchFilter);

    // External codes of the branch's clients in import files (cdsCodExternoImp), by code.
    void setExternalCodes(QHash<QString, QString> clientByCode) { m_externalCodes = std::move(clientByCode); }

    Client resolveClient(const QString &v) override;
    QString translateType(const QString &t) override;
    bool typeExists(const QString &type);
    bool costCentreExists(const QString &client, const QString &costCentre);

private:
    QString firstClient(TADOIBQuery &q, const QString &v);
    void setBranchPair(TADOIBQuery &q) const;

    QString m_branch, m_branchFilter;
    TADOIBQuery qryCdExClienFil, qryNrInsJurClie, qryCdExCliente, qryClienteSemFilial, qryTipoConsFili, qryTipoCons,
        qryCentCusto;
    QHash<QString, QString> m_externalCodes;
    QHash<QString, Client> m_clients;
    QHash<QString, QString> m_types;
    QHash<QString, bool> m_typeExists;
    QHash<QString, QHash<QString, bool>> m_costCentreExists; // by client, then cost centre
};

} // namespace cns::import
