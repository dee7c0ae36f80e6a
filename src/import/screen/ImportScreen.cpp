#include "ImportScreen.h"

#include "CursorScope.h"
#include "TfrmImportConsu.h"

void abreImportacao(QWidget *owner, const QString &consumerClient)
{
    CursorScope cursor;
    Cli_cns72202::stCliente = consumerClient;
    auto *screen = new TfrmImportConsu(owner);
    Cli_cns72202::frmImportConsu = screen;
    QObject::connect(screen, &QObject::destroyed, [screen] {
        if (Cli_cns72202::frmImportConsu == screen)
            Cli_cns72202::frmImportConsu = nullptr;
    });
    screen->exec();
}
