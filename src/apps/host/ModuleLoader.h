#pragma once

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

    // The entry point, or null when the module or the function is not there (error tells why).
    QFunctionPointer entry(const QString &module, const char *name, QString *error = nullptr);
    QStringList searchPath() const { return m_path; }

private:
    QLibrary *library(const QString &module, QString *error);
    QStringList m_path;
    QHash<QString, std::shared_ptr<QLibrary>> m_loaded;
};
