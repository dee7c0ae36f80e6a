#include "CIDBio.h"
#include "CountingBusy.h"
#include "EErro.h"
#include "FingerprintTab.h"
#include "HandlerGuard.h"
#include "IdBioLibrary.h"
#include "MaskEdit.h"
#include "ReaderSimulator.h"
#include "ScreenServer.h"
#include "ScriptedDialogs.h"
#include "TfrmConsumidor.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace cns;
using namespace cns::ui;

// The iDBio library as a workstation may lack it: first not installed at all, then (the library is
// loaded once per process, so in this order) an older one without some functions. The capture ends
// with "Erro: " and the reason, and the screen keeps working.
class tst_IdBioMissing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void missingLibraryEndsTheCaptureWithError();
    void missingFunctionsStayNullAndSayWhich();

private:
    TfrmConsumidor &open();
    void clickCapture(TfrmConsumidor &s);

    ScreenServer m_server;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    QPointer<TfrmConsumidor> m_screen;
};

void tst_IdBioMissing::initTestCase()
{
    m_server.start("tst_idbiomissing");
}

void tst_IdBioMissing::init()
{
    m_dialogs.reset(); // before the next one installs itself
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy.reset();
    m_busy = std::make_unique<CountingBusy>();
}

void tst_IdBioMissing::cleanup()
{
    if (m_screen)
        delete m_screen.data();
    QVERIFY(!m_busy->visible());
}

TfrmConsumidor &tst_IdBioMissing::open()
{
    m_screen = new TfrmConsumidor;
    TfrmConsumidor &s = *m_screen;
    s.show();
    s.medCdCliente->setText("11222333000181");
    HandlerGuard::run([&] {
        s.medCdClienteExit();
        s.panClienteExit();
    });
    QTabBar *bar = s.pgcPadrao->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(s.pgcPadrao->indexOf(s.tshDigital)).center());
    s.digital->cboDigital->setFocus();
    QTest::keyClick(s.digital->cboDigital, Qt::Key_Down);
    return s;
}

void tst_IdBioMissing::clickCapture(TfrmConsumidor &s)
{
    QCOMPARE(s.digital->cboDigital->currentText(), QString("iDBio"));
    QTest::mouseClick(s.digital->btndigital, Qt::LeftButton);
    QVERIFY(s.digital->btndigital->isEnabled());
    QVERIFY(s.digital->btndigital2->isEnabled());
    QVERIFY(s.cdsConsumidor.FieldByName(u"DIGICONSUMIDOR").AsString().isEmpty());
    QVERIFY(!s.digital->panDigital->isHidden());
}

void tst_IdBioMissing::missingLibraryEndsTheCaptureWithError()
{
    m_server.ctx.bibliotecaIdBio = "/nenhum/lugar/libcidbio.so";
    TfrmConsumidor &s = open();
    QVERIFY(!IdBioLibrary::loaded());
    QVERIFY(!Cli_cns72200::CIDBIO_Init);
    clickCapture(s);
    QCOMPARE(m_dialogs->texts(),
             QStringList {"Erro: A biblioteca do leitor iDBio (/nenhum/lugar/libcidbio.so) não foi carregada; "
                          "CIDBIO_Init não pode ser chamada."});
    QCOMPARE(m_dialogs->shown.last().type, MsgType::Error);
    // The rest of the screen is untouched: the consumer can still be saved.
    s.actConfirmar->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
}

void tst_IdBioMissing::missingFunctionsStayNullAndSayWhich()
{
    m_server.ctx.bibliotecaIdBio = CNS_CIDBIO_PARTIAL;
    ReaderSimulator sim(CNS_CIDBIO_PARTIAL);
    QVERIFY(sim.ready());
    sim.reset();
    TfrmConsumidor &s = open();
    QVERIFY(IdBioLibrary::loaded());
    QVERIFY(!Cli_cns72200::CIDBIO_CaptureImageAndTemplate);
    QVERIFY(!Cli_cns72200::CIDBIO_GetDeviceInfo);
    QVERIFY(Cli_cns72200::CIDBIO_Init && Cli_cns72200::CIDBIO_Terminate && Cli_cns72200::CIDBIO_FreeIDArray);
    clickCapture(s);
    QCOMPARE(m_dialogs->texts(),
             QStringList {QString("Erro: A biblioteca do leitor iDBio (%1) não tem a função "
                                  "CIDBIO_CaptureImageAndTemplate.")
                              .arg(CNS_CIDBIO_PARTIAL)});
    // Init was called, so the reader session was closed too.
    QCOMPARE(sim.count("CIDBIO_Init"), 1);
    QCOMPARE(sim.count("CIDBIO_Terminate"), 1);
    CIDBio reader;
    QString a = "x", b, c;
    QVERIFY_THROWS_EXCEPTION(EErro, reader.GetDeviceInfo(a, b, c));
    QVERIFY(a.isEmpty());
    QCOMPARE(CIDBio::Init(), 0); // the functions it has work
    QVERIFY(sim.buffersBalanced());
}

QTEST_MAIN(tst_IdBioMissing)
#include "tst_IdBioMissing.moc"
