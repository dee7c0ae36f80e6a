#include "EntryPoints.h"

#include "CursorScope.h"
#include "EntryPointTypes.h"
#include "HostWindow.h"
#include "ImportScreen.h"
#include "MaskEdit.h"
#include "ModuleConnection.h"
#include "TfrmAlteraSenha.h"
#include "TfrmAnonimizaCons.h"
#include "TfrmCadAutCons.h"
#include "TfrmCodExternoImp.h"
#include "TfrmConsultaCracha.h"
#include "TfrmConsumidor.h"
#include "TfrmImportConsu.h"
#include "TfrmRelConsumidor.h"
#include "TfrmRelatorioCons.h"
#include "Value.h"

#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>

using namespace cns::ui;

namespace {

int g_initCount = 0;

// Clears a unit's pointer when its screen goes, however it was closed.
template<typename T>
void trackPointer(T *screen, T *&pointer)
{
    pointer = screen;
    QObject::connect(screen, &QObject::destroyed, [&pointer, screen] {
        if (pointer == screen)
            pointer = nullptr;
    });
}

} // namespace

extern "C" {

void IniProc()
{
    CriaConsumidor();
}

void CriaConsumidor()
{
    CursorScope cursor;
    if (!Cli_cns72200::boIdCriado || !Cli_cns72200::frmConsumidor) {
        auto *screen = new TfrmConsumidor(HostWindow::mainWindow());
        trackPointer(screen, Cli_cns72200::frmConsumidor);
        QObject::connect(screen, &QObject::destroyed, [] { Cli_cns72200::boIdCriado = false; });
        Cli_cns72200::boIdCriado = true;
    }
    TfrmConsumidor *screen = Cli_cns72200::frmConsumidor;
    HostWindow::showChild(screen);
    screen->setWindowState(Qt::WindowNoState);
    screen->raise();
    screen->activateWindow();
}

void CriaConsultaCracha(const QString &cliente, const QString &filial)
{
    CursorScope cursor;
    Cli_cns72205::stCliente = cliente;
    Cli_cns72205::stFilial = filial;
    auto *screen = new TfrmConsultaCracha(HostWindow::mainWindow());
    trackPointer(screen, Cli_cns72205::frmConsultaCracha);
    screen->exec();
}

void CriaAssocia(const QString &filial, const QString &cliente, const QString &cdCliente)
{
    CursorScope cursor;
    auto *screen = new TfrmCodExternoImp(filial, cdCliente, HostWindow::mainWindow());
    trackPointer(screen, Cli_cns72206::frmCodExternoImp);
    Cli_cns72206::boIdCriado = true;
    screen->edtCliente->setText(cliente);
    screen->setWindowState(Qt::WindowNoState);
    cursor.restore();
    screen->exec();
}

void CriaRelConsumidor()
{
    CursorScope cursor;
    if (!Cli_cns72201::boIdCriado || !Cli_cns72201::frmRelConsumidor) {
        auto *screen = new TfrmRelConsumidor(HostWindow::mainWindow());
        trackPointer(screen, Cli_cns72201::frmRelConsumidor);
        QObject::connect(screen, &QObject::destroyed, [] { Cli_cns72201::boIdCriado = false; });
        Cli_cns72201::boIdCriado = true;
    }
    Cli_cns72201::frmRelConsumidor->exec();
}

void CriaRelatConsumid()
{
    CursorScope cursor;
    auto *screen = new TfrmRelatorioCons(HostWindow::mainWindow());
    trackPointer(screen, Cli_cns72204::frmRelatorioCons);
    screen->exec();
}

void CriaImpConsumidor()
{
    // The import screen falls back to the consumer screen's client when that screen is open.
    const QString client = Cli_cns72200::frmConsumidor ? Cli_cns72200::frmConsumidor->medCdCliente->text() : Cli_cns72202::stCliente;
    abreImportacao(HostWindow::mainWindow(), client);
}

QString ValidaSenha(const QString &nmAcesso, const QString &capForm, const QString &acaoForm, bool alfaNumerico)
{
    CursorScope cursor;
    QPointer<TfrmAlteraSenha> screen = new TfrmAlteraSenha(HostWindow::mainWindow());
    // Freed below rather than on close, so that its result is still there to read.
    screen->setAttribute(Qt::WA_DeleteOnClose, false);
    Cli_cns72203::frmAlteraSenha = screen;
    screen->edtNmAcesso->setText(nmAcesso);
    cursor.restore();
    Cli_cns72203::stCapForm = capForm;
    Cli_cns72203::stAcaoForm = acaoForm;
    Cli_cns72203::boAlfaNumerico = alfaNumerico;
    // Freed here whatever happened while it was up: the unit's pointer never outlives ValidaSenha.
    const auto release = qScopeGuard([&screen] {
        delete screen.data();
        Cli_cns72203::frmAlteraSenha = nullptr;
    });
    screen->exec();
    return screen ? screen->result() : QString();
}

void CriaAnonimizaCons(const QList<cns::Value> &args, int high)
{
    CursorScope cursor;
    const auto text = [&](int i) { return i <= high && i < args.size() ? args.at(i).toString() : QString(); };
    const auto refresh = [] {
        if (Cli_cns72200::frmConsumidor)
            Cli_cns72200::frmConsumidor->sbtVerificarClick();
    };
    auto *screen = new TfrmAnonimizaCons(ModuleConnection::consumer(), text(0), text(1), text(2), refresh,
                                         HostWindow::mainWindow());
    trackPointer(screen, Cli_cns72211::frmAnonimizaCons);
    cursor.restore();
    screen->exec();
}

void CriaCadAutoCons()
{
    CursorScope cursor;
    const auto refresh = [] {
        if (Cli_cns72200::frmConsumidor)
            Cli_cns72200::frmConsumidor->sbtVerificarClick();
    };
    auto *screen = new TfrmCadAutCons(ModuleConnection::consumer(), refresh, HostWindow::mainWindow());
    trackPointer(screen, Cli_cns72207::frmCadAutCons);
    Cli_cns72207::boIdCriado = true;
    cursor.restore();
    screen->exec();
}

void CriaVinculaCons() {}

void Initialize()
{
    if (g_initCount++ > 0)
        return;
    Cli_cns72206::boIdCriado = false;
    Cli_cns72200::boIdCriado = false;
    Cli_cns72201::boIdCriado = false;
    Cli_cns72200::boPesquisa = false;
}

void Finalize()
{
    if (g_initCount == 0 || --g_initCount > 0)
        return;
    Cli_cns72205::stCliente.clear();
    Cli_cns72205::stFilial.clear();
    ModuleConnection::closeOwn();
}

const char *GetPackageInfoTable()
{
    return R"({"package": "Pkg_cns72200",
 "units": ["Cli_cns72200", "Cli_cns72201", "Cli_cns72202", "Cli_cns72203", "Cli_cns72204", "Cli_cns72205",
           "Cli_cns72206", "Cli_cns72207", "Cli_cns72208", "Cli_cns72209", "Cli_cns72210", "Cli_cns72211"],
 "requires": ["cns_host_core", "cns_host_ui", "Qt6Widgets", "Qt6Sql", "Qt6PrintSupport"]})";
}

} // extern "C"

CNS_ENTRY_POINT_TYPE(IniProc);
CNS_ENTRY_POINT_TYPE(CriaConsumidor);
CNS_ENTRY_POINT_TYPE(CriaConsultaCracha);
CNS_ENTRY_POINT_TYPE(CriaAssocia);
CNS_ENTRY_POINT_TYPE(ValidaSenha);
CNS_ENTRY_POINT_TYPE(CriaAnonimizaCons);
CNS_ENTRY_POINT_TYPE(CriaImpConsumidor);
CNS_ENTRY_POINT_TYPE(CriaRelConsumidor);
CNS_ENTRY_POINT_TYPE(CriaRelatConsumid);
CNS_ENTRY_POINT_TYPE(CriaVinculaCons);
CNS_ENTRY_POINT_TYPE(CriaCadAutoCons);
CNS_ENTRY_POINT_TYPE(Initialize);
CNS_ENTRY_POINT_TYPE(Finalize);
CNS_ENTRY_POINT_TYPE(GetPackageInfoTable);
