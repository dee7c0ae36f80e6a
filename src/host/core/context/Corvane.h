#pragma once

#include "Value.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The host's context: operator, processing branch, per-branch mode, application server address,
// the local cache and the loading of sibling modules. The host installs its implementation at
// start; tests and the headless import install a SimpleContext.
namespace Corvane {

class Context
{
public:
    virtual ~Context() = default;
    virtual QString FiliProc() const = 0;
    virtual QString NomeFiliProc() const = 0;
    virtual QString Operador() const = 0;
    virtual QString NomeOperador() const = 0;
    virtual bool ModuFili() const = 0;
    virtual QString WebURL() const = 0; // empty: the server runs inside the host
    virtual int WebPort() const = 0;
    virtual QString ServerToken() const = 0; // sent as a bearer token; empty: none
    virtual QByteArray ChaveInstalacao() const = 0; // the installation's secret (stored passwords)
    // Where the iDBio fingerprint reader library is; empty: its name, searched where the system
    // searches libraries.
    virtual QString BibliotecaIdBio() const { return {}; }
    virtual void AtualizaLocalCache(const QStringList &tables) = 0;
    virtual void LoadBPL(const QString &module, const QList<cns::Value> &args) = 0;
};

// A context of plain values, recording the cache refreshes and module loads asked of it.
class SimpleContext : public Context
{
public:
    QString filiProc, nomeFiliProc, operador, nomeOperador, webURL, serverToken, bibliotecaIdBio;
    bool moduFili = false;
    int webPort = 0;
    QByteArray chaveInstalacao;
    QList<QStringList> cacheRefreshes;
    QList<QPair<QString, QList<cns::Value>>> loadedModules;

    QString FiliProc() const override { return filiProc; }
    QString NomeFiliProc() const override { return nomeFiliProc; }
    QString Operador() const override { return operador; }
    QString NomeOperador() const override { return nomeOperador; }
    bool ModuFili() const override { return moduFili; }
    QString WebURL() const override { return webURL; }
    int WebPort() const override { return webPort; }
    QString ServerToken() const override { return serverToken; }
    QByteArray ChaveInstalacao() const override { return chaveInstalacao; }
    QString BibliotecaIdBio() const override { return bibliotecaIdBio; }
    void AtualizaLocalCache(const QStringList &tables) override { cacheRefreshes.append(tables); }
    void LoadBPL(const QString &module, const QList<cns::Value> &args) override { loadedModules.append({module, args}); }
};

void install(Context *context); // the host's, for the life of the process
Context &context();             // raises EErro when none is installed

QString FiliProc();
QString NomeFiliProc();
QString Operador();
QString NomeOperador();
bool ModuFili();
QString WebURL();
int WebPort();
void AtualizaLocalCache(const QStringList &tables);
void LoadBPL(const QString &module, const QList<cns::Value> &args);

} // namespace Corvane
