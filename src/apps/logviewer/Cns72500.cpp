// Cns72500: the import log viewer, opened through the host's LoadBPL with the reference of the
// import screen whose log it shows.
#include "EErro.h"
#include "EntryPointTypes.h"
#include "HostWindow.h"
#include "ImportLogRegistry.h"
#include "TfrmLogImp.h"
#include "Value.h"

#include <QList>

using namespace cns::ui;
using namespace cns::import;

extern "C" {

// args: one element, the import screen's reference as an integer.
Q_DECL_EXPORT void AbreModulo(const QList<cns::Value> &args)
{
    cns::DataSet *log = nullptr;
    if (!args.isEmpty() && args.first().isNumber())
        log = ImportLogRegistry::find(quintptr(args.first().toInt()));
    if (!log)
        throw cns::EErro(QStringLiteral("O log de importação não está mais disponível (a tela de importação foi fechada)."));
    auto *screen = new TfrmLogImp(*log, HostWindow::mainWindow());
    screen->exec();
}

} // extern "C"

CNS_ENTRY_POINT_TYPE(AbreModulo);
