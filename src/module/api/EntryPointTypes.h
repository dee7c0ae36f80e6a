#pragma once

#include <QList>
#include <QString>
#include <type_traits>

namespace cns {
class Value;
}

// The entry points that the system's modules export with C linkage, each named with its type. The
// modules check their exported functions against these types (a static_assert beside each
// definition) and the host resolves entry points through them only, so a signature changed on one
// side no longer builds instead of crashing when it is called.
namespace cns::entry {

using NoArgumentsFn = void (*)();
using CriaConsultaCrachaFn = void (*)(const QString &cliente, const QString &filial);
using CriaAssociaFn = void (*)(const QString &filial, const QString &cliente, const QString &cdCliente);
// The three elements are read as texts: client code, consumer code, consumer name; high is the
// index of the last element.
using CriaAnonimizaConsFn = void (*)(const QList<Value> &args, int high);
// Returns the text typed, empty when the operator gave up.
using ValidaSenhaFn = QString (*)(const QString &nmAcesso, const QString &capForm, const QString &acaoForm, bool alfaNumerico);
using GetPackageInfoTableFn = const char *(*)();
// The entry of the modules that the host opens by name with arguments (LoadBPL).
using AbreModuloFn = void (*)(const QList<Value> &args);

// An entry point: its exported name, and by its type parameter the type it is called with.
template <class F>
struct EntryPoint
{
    using Fn = F;
    const char *name;
};

// The package routines every module exports.
inline constexpr EntryPoint<NoArgumentsFn> Initialize{"Initialize"};
inline constexpr EntryPoint<NoArgumentsFn> Finalize{"Finalize"};
inline constexpr EntryPoint<GetPackageInfoTableFn> GetPackageInfoTable{"GetPackageInfoTable"};

// The consumer module, Pkg_cns72200.
inline constexpr EntryPoint<NoArgumentsFn> IniProc{"IniProc"};
inline constexpr EntryPoint<NoArgumentsFn> CriaConsumidor{"CriaConsumidor"};
inline constexpr EntryPoint<NoArgumentsFn> CriaRelConsumidor{"CriaRelConsumidor"};
inline constexpr EntryPoint<NoArgumentsFn> CriaImpConsumidor{"CriaImpConsumidor"};
inline constexpr EntryPoint<NoArgumentsFn> CriaRelatConsumid{"CriaRelatConsumid"};
inline constexpr EntryPoint<CriaConsultaCrachaFn> CriaConsultaCracha{"CriaConsultaCracha"};
inline constexpr EntryPoint<CriaAssociaFn> CriaAssocia{"CriaAssocia"};
inline constexpr EntryPoint<NoArgumentsFn> CriaCadAutoCons{"CriaCadAutoCons"};
inline constexpr EntryPoint<NoArgumentsFn> CriaVinculaCons{"CriaVinculaCons"};
inline constexpr EntryPoint<CriaAnonimizaConsFn> CriaAnonimizaCons{"CriaAnonimizaCons"};
inline constexpr EntryPoint<ValidaSenhaFn> ValidaSenha{"ValidaSenha"};

// The import log viewer, Cns72500.
inline constexpr EntryPoint<AbreModuloFn> AbreModulo{"AbreModulo"};

} // namespace cns::entry

// Beside an exported function's definition: fails to build when the function's type is not the
// one its entry point declares.
#define CNS_ENTRY_POINT_TYPE(function)                                                                                 \
    static_assert(std::is_same_v<decltype(&::function), std::remove_const_t<decltype(cns::entry::function)>::Fn>,     \
                  #function " does not have the type its entry point declares")
