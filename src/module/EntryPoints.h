#pragma once

#include <QList>
#include <QString>

namespace cns {
class Value;
}

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
// Opens the consumer list report, modally, building it only when it does not exist.
void CriaRelConsumidor();
// Opens a new import screen, modally.
void CriaImpConsumidor();
// Opens a new report by branch and consumer type, modally.
void CriaRelatConsumid();
// Asks for a new password, typed twice, showing whose password it is (nmAcesso), the caption and
// the label of the name; digits only unless alfaNumerico. Returns the password as typed, blanks and
// all, or an empty text when the operator cancelled.
QString ValidaSenha(const QString &nmAcesso, const QString &capForm, const QString &acaoForm, bool alfaNumerico);
// Opens the anonymisation of one consumer; args holds its client code, consumer code and name
// (high is the index of the last). The consumer screen, when open, is reloaded after a success.
void CriaAnonimizaCons(const QList<cns::Value> &args, int high);
// Opens the automatic change of many consumers, modally; the consumer screen, when open, is
// reloaded after a change.
void CriaCadAutoCons();
// Does nothing: the linking dialog is opened by the consumer screen itself.
void CriaVinculaCons();

// The package: loading, unloading, and its description (units and required packages, as JSON).
void Initialize();
void Finalize();
const char *GetPackageInfoTable();

} // extern "C"
