#include "ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

ModuleLoader::ModuleLoader()
{
    const QString app = QCoreApplication::applicationDirPath();
    m_path = {app, app + QStringLiteral("/../modules"), app + QStringLiteral("/../../modules"), app + QStringLiteral("/../lib")};
    const QString extra = qEnvironmentVariable("CNS_MODULE_PATH");
    if (!extra.isEmpty())
        m_path.prepend(extra);
}

ModuleLoader::~ModuleLoader()
{
    for (auto &lib : m_loaded) {
        if (auto finalize = symbol(*lib, cns::entry::Finalize))
            finalize();
    }
}

QLibrary *ModuleLoader::library(const QString &module, QString *error)
{
    if (auto it = m_loaded.find(module); it != m_loaded.end())
        return it->get();
    for (const QString &dir : std::as_const(m_path)) {
        const QString file = QDir(dir).absoluteFilePath(QStringLiteral("lib") + module + QStringLiteral(".so"));
        if (!QFileInfo::exists(file))
            continue;
        auto lib = std::make_shared<QLibrary>(file);
        if (!lib->load()) {
            if (error)
                *error = lib->errorString();
            return nullptr;
        }
        if (auto initialize = symbol(*lib, cns::entry::Initialize))
            initialize();
        m_loaded.insert(module, lib);
        return lib.get();
    }
    if (error)
        *error = QStringLiteral("Módulo %1 não encontrado em %2.").arg(module, m_path.join(QStringLiteral(", ")));
    return nullptr;
}

QString ModuleLoader::missing(const QString &module, const char *name)
{
    return QStringLiteral("O módulo %1 não tem a entrada %2.").arg(module, QString::fromLatin1(name));
}

bool ModuleLoader::exports(const QString &module, const char *name, QString *error)
{
    QLibrary *lib = library(module, error);
    if (lib && lib->resolve(name))
        return true;
    if (lib && error)
        *error = missing(module, name);
    return false;
}
