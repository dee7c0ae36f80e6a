#pragma once

#include "Corvane.h"
#include "HostSettings.h"
#include "LocalCache.h"

class ModuleLoader;

// The host's side of the context the modules read: the settings, the local cache and the loading of
// sibling modules.
class HostContext : public Corvane::Context
{
public:
    HostContext(const HostSettings &settings, ModuleLoader &loader, LocalCache &cache)
        : m_settings(settings), m_loader(loader), m_cache(cache)
    {
    }

    QString FiliProc() const override { return m_settings.branchCode; }
    QString NomeFiliProc() const override { return m_settings.branchName; }
    QString Operador() const override { return m_settings.operatorCode; }
    QString NomeOperador() const override { return m_settings.operatorName; }
    bool ModuFili() const override { return m_settings.perBranch; }
    QString WebURL() const override { return m_settings.serverHost; }
    int WebPort() const override { return m_settings.serverPort; }
    QString ServerToken() const override { return m_settings.serverToken; }
    QByteArray ChaveInstalacao() const override { return m_settings.installationKey; }
    QString BibliotecaIdBio() const override { return m_settings.idBioLibrary; }
    void AtualizaLocalCache(const QStringList &tables) override { m_cache.refresh(tables); }
    void LoadBPL(const QString &module, const QList<cns::Value> &args) override;

private:
    const HostSettings &m_settings;
    ModuleLoader &m_loader;
    LocalCache &m_cache;
};
