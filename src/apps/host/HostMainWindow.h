#pragma once

#include "EntryPointTypes.h"
#include "HostSettings.h"

#include <QMainWindow>

class LocalCache;
class ModuleLoader;
class QMdiArea;

// The host's main window: a menu entry for each entry point of the consumer module, child windows
// for the modeless screens, and the operator, branch and database in the status bar.
class HostMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    HostMainWindow(const HostSettings &settings, ModuleLoader &loader, LocalCache &cache, const QString &databaseText);

    QMdiArea *mdiArea() const { return m_mdi; }
    // Calls an entry point of the consumer module by name, asking what it needs (a client) first.
    void open(const QString &entry);
    // The --open and --screenshot options.
    void runAutomation();

private:
    void buildMenus();
    void showCacheHistory();
    bool chooseClient(QString *code, QString *registration, QString *name);
    QString workingBranch() const;
    void takeScreenshot();
    // Calls an entry point of the consumer module; raises EErro when the module does not export it.
    template <class Fn, class... Args>
    void call(cns::entry::EntryPoint<Fn> point, Args &&...args);

    const HostSettings &m_settings;
    ModuleLoader &m_loader;
    LocalCache &m_cache;
    QMdiArea *m_mdi;
};
