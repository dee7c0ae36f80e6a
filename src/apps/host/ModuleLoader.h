#pragma once

#include "EntryPointTypes.h"

#include <QHash>
#include <QLibrary>
#include <QString>
#include <QStringList>
#include <memory>

// Loads the system's modules (shared libraries named after them: Pkg_cns72200, Cns72500) from the
// host's folder or the build's module folder, runs their start routine once, finds entry points by
// name and runs their end routine when the host closes.
class ModuleLoader
{
public:
    ModuleLoader();
    ~ModuleLoader();

    // The entry point with the type it is declared with, or null when the module or the function is
    // not there (error tells why).
    template <class Fn>
    Fn entry(const QString &module, cns::entry::EntryPoint<Fn> point, QString *error = nullptr)
    {
        QLibrary *lib = library(module, error);
        if (!lib)
            return nullptr;
        const Fn f = symbol(*lib, point);
        if (!f && error)
            *error = missing(module, point.name);
        return f;
    }
    // Whether the module exports the named function (error tells why not).
    bool exports(const QString &module, const char *name, QString *error = nullptr);
    QStringList searchPath() const { return m_path; }

private:
    // The one place where an exported symbol becomes a typed function: the type comes from the
    // declaration the module is checked against.
    template <class Fn>
    static Fn symbol(QLibrary &lib, cns::entry::EntryPoint<Fn> point)
    {
        return reinterpret_cast<Fn>(lib.resolve(point.name));
    }
    static QString missing(const QString &module, const char *name);
    QLibrary *library(const QString &module, QString *error);
    QStringList m_path;
    QHash<QString, std::shared_ptr<QLibrary>> m_loaded;
};
