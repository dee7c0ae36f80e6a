#pragma once

#include <QString>

// The entry points of the consumer module, exported with C linkage so that the host finds them by
// name. Each builds its screen (owned by the host's main window), shows it and returns; modal
// screens return when they close. Texts are the host's strings.
extern "C" {

// The package's start routine: opens the consumer screen as CriaConsumidor does.
void IniProc();
// Opens the consumer screen, building it only when it does not exist, and brings it back to its
// normal size (from minimised or maximised).
void CriaConsumidor();

// Opens the badge lookup for the client (registration number as the consumer screen shows it) and
// the processing branch.
void CriaConsultaCracha(const QString &cliente, const QString &filial);
// Opens the external codes of a client: working branch (or "T"), caption ("number - name"), code.
void CriaAssocia(const QString &filial, const QString &cliente, const QString &cdCliente);
// Opens a new import screen, modally.
void CriaImpConsumidor();
// Does nothing: the linking dialog is opened by the consumer screen itself.
void CriaVinculaCons();

// The package: loading, unloading, and its description (units and required packages, as JSON).
void Initialize();
void Finalize();
const char *GetPackageInfoTable();

} // extern "C"
