#pragma once

#include "TADOIBQuery.h"

// The queries of the consumer screen's rules and lookups, run on the host's database connection.
// A "P_T..." parameter set to "T" lifts the filter on its partner; a null one keeps it.
class ConsumerLookups
{
public:
    ConsumerLookups();
    ConsumerLookups(const ConsumerLookups &) = delete;
    ConsumerLookups &operator=(const ConsumerLookups &) = delete;

    // Consumer types, by level (see ConsumerRules::tipoConsLevel).
    TADOIBQuery qryTipoConsCliFili, qryTipoConsCli, qryTipoConsFili, qryPesqCons;
    TADOIBQuery qryCentroCusto, qryPesqVendedor;
    // The location hierarchy of an address.
    TADOIBQuery qryPais, qryEstado, qryMunicipio, qryBairro;
    // Is a consumer tied to a branch (also the duplicate test of a new branch link); is a client
    // associated with a branch.
    TADOIBQuery qryVerConsumiFilial, adqVerFilialCliente;
    // The client's branches a consumer may be tied to, listed and one by one (both limited to the
    // processing branch when working per branch).
    TADOIBQuery qryClienFilial, qryFilial;

    // Opens q with its parameters: each pair is a name and a value; a code given as empty with its
    // "T" partner set lists everything.
    static void open(TADOIBQuery &q, const QList<QPair<QString, QString>> &params);
    // Opens q for one code (the "T" partner cleared) or, with an empty code, for all.
    static void openFor(TADOIBQuery &q, const QString &codeParam, const QString &code,
                        const QList<QPair<QString, QString>> &fixed = {});
    // The pair of a branch filter set from the working branch: per branch the code is the
    // processing branch and its "T" partner empty; for all branches the code is empty and the
    // partner "T".
    static QList<QPair<QString, QString>> branchFilter(const QString &codeParam, const QString &workingBranch);
};
