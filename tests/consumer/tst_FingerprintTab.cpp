#include "CountingBusy.h"
#include "DbSession.h"
#include "FingerprintTab.h"
#include "FixedNBioBSP.h"
#include "HandlerGuard.h"
#include "MaskEdit.h"
#include "ReaderSimulator.h"
#include "ScreenServer.h"
#include "ScriptedDialogs.h"
#include "TestDatabases.h"
#include "TfrmConsumidor.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace cns;
using namespace cns::ui;
using ServerFixture::client;
using ServerFixture::consumer;

namespace {

const QString kSharedNumber = "11222333000181"; // client 1
const QString kTimeoutText = "Tempo limite atingido, realize a captura novamente.";
const QString kHamsterTemplate = "FIR-HAMSTER-0001-AAEAAQ";

QString fieldOf(int finger)
{
    return finger == 1 ? "DIGICONSUMIDOR" : "DIGICONSUMIDOR2";
}

} // namespace

// The tab "Capturar Digital" driven as the operator does, with the reader simulator as the iDBio
// library and a fixed template as the first model's component. Runs on SQLite, and again on
// PostgreSQL (CNS_TEST_BACKEND=postgresql), where the saved templates must arrive as well.
class tst_FingerprintTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void tabAsCreated();
    void idBioWritesOnlyItsFinger_data();
    void idBioWritesOnlyItsFinger();
    void hamsterWritesOnlyItsFinger_data();
    void hamsterWritesOnlyItsFinger();
    void idBioFailureEmptiesTheFinger_data();
    void idBioFailureEmptiesTheFinger();
    void unregisteredComponentCapturesNothingSilently();
    void hamsterTemplateTooLongIsRefused();
    void modelSwitchShowsIdBioPicturesOnEntering();
    void cancelShowsBothCapturePanels();
    void savedTemplatesReachTheDatabase();
    void screenshot();

private:
    TfrmConsumidor &openOn(int consumerNumber);
    void enterTab(TfrmConsumidor &s, QWidget *tab);
    void chooseModel(TfrmConsumidor &s, int index);
    static QFrame *panel(TfrmConsumidor &s, int finger)
    {
        return finger == 1 ? s.digital->panDigital : s.digital->panDigital2;
    }
    static QLabel *idBioPicture(TfrmConsumidor &s, int finger)
    {
        return finger == 1 ? s.digital->imgDigital : s.digital->imgDigital2;
    }
    static QLabel *hamsterPicture(TfrmConsumidor &s, int finger)
    {
        return finger == 1 ? s.digital->imagem : s.digital->imagem2;
    }
    static QPushButton *button(TfrmConsumidor &s, int finger)
    {
        return finger == 1 ? s.digital->btndigital : s.digital->btndigital2;
    }
    static QString field(TfrmConsumidor &s, int finger)
    {
        return s.cdsConsumidor.FieldByName(fieldOf(finger)).AsString();
    }
    void useHamster(const QString &templ)
    {
        NBioBSPReader::setMaker([this, templ] { return std::make_unique<FixedNBioBSP>(templ, m_comLog); });
    }
    QString stored(int consumerNumber, int finger)
    {
        return ScreenServer::column("SELECT " + fieldOf(finger) + " FROM CONSUMIDOR WHERE CDCLIENTE = '" + client(1)
                                    + "' AND CDCONSUMIDOR = '" + consumer(consumerNumber) + "'");
    }

    ScreenServer m_server;
    std::unique_ptr<ReaderSimulator> m_sim;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    QPointer<TfrmConsumidor> m_screen;
    FixedNBioBSP::Log m_comLog;
};

void tst_FingerprintTab::initTestCase()
{
    const QString backend = qEnvironmentVariable("CNS_TEST_BACKEND", "sqlite");
    m_server.start("tst_fingerprinttab", backend);
    if (m_server.url.isEmpty())
        QSKIP("PostgreSQL not running (CNS_TEST_PG_URL unset)");
    m_server.ctx.bibliotecaIdBio = CNS_CIDBIO_SIM;
    m_sim = std::make_unique<ReaderSimulator>(CNS_CIDBIO_SIM);
    QVERIFY(m_sim->ready());
    // Consumer 2 was enrolled before: both fingers hold templates.
    DbSession::forThread(DatabaseUrl::parse(m_server.url))
        .exec("UPDATE CONSUMIDOR SET DIGICONSUMIDOR = 'ANTERIOR-1', DIGICONSUMIDOR2 = 'ANTERIOR-2' WHERE CDCLIENTE = '"
                  + client(1) + "' AND CDCONSUMIDOR = '" + consumer(2) + "'",
              {});
}

void tst_FingerprintTab::init()
{
    m_dialogs.reset(); // before the next one installs itself
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy.reset();
    m_busy = std::make_unique<CountingBusy>();
    m_sim->reset();
    m_comLog = {};
    NBioBSPReader::setMaker({});
}

void tst_FingerprintTab::cleanup()
{
    if (m_screen)
        delete m_screen.data();
    QVERIFY2(m_sim->buffersBalanced(), "a buffer of the reader library was not handed back once");
    QVERIFY(!m_busy->visible());
    NBioBSPReader::setMaker({});
}

TfrmConsumidor &tst_FingerprintTab::openOn(int consumerNumber)
{
    m_screen = new TfrmConsumidor;
    TfrmConsumidor &s = *m_screen;
    s.show();
    s.medCdCliente->setText(kSharedNumber);
    HandlerGuard::run([&] {
        s.medCdClienteExit();
        s.panClienteExit();
    });
    [&] {
        QVERIFY(s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(consumerNumber))}));
    }();
    enterTab(s, s.tshDigital);
    return s;
}

void tst_FingerprintTab::enterTab(TfrmConsumidor &s, QWidget *tab)
{
    QTabBar *bar = s.pgcPadrao->tabBar();
    const int index = s.pgcPadrao->indexOf(tab);
    QVERIFY(s.pgcPadrao->isTabEnabled(index));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCOMPARE(s.pgcPadrao->currentWidget(), tab);
}

void tst_FingerprintTab::chooseModel(TfrmConsumidor &s, int index)
{
    s.digital->cboDigital->setFocus();
    while (s.digital->cboDigital->currentIndex() != index)
        QTest::keyClick(s.digital->cboDigital,
                        index > s.digital->cboDigital->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
}

void tst_FingerprintTab::tabAsCreated()
{
    TfrmConsumidor &s = openOn(1);
    QComboBox *cbo = s.digital->cboDigital;
    QCOMPARE(s.cboDigital, cbo);
    QCOMPARE(cbo->count(), 2);
    QCOMPARE(cbo->itemText(0), QString("Hamster DX - NGC-HFDU06 (A)"));
    QCOMPARE(cbo->itemText(1), QString("iDBio"));
    QCOMPARE(cbo->currentIndex(), 0);
    QCOMPARE(s.pgcPadrao->tabText(s.pgcPadrao->indexOf(s.tshDigital)), QString("Capturar Digital"));
    for (int finger : {1, 2}) {
        QVERIFY(!panel(s, finger)->isHidden());
        QVERIFY(hamsterPicture(s, finger)->isHidden());
        QVERIFY(idBioPicture(s, finger)->isHidden());
        QCOMPARE(button(s, finger)->text(), QString("Capturar Digital"));
        QVERIFY(button(s, finger)->isEnabled());
    }
    // The library was loaded when the screen was created, and nothing was asked of the reader yet.
    QCOMPARE(m_sim->count("CIDBIO_Init"), 0);
}

void tst_FingerprintTab::idBioWritesOnlyItsFinger_data()
{
    QTest::addColumn<int>("finger");
    QTest::newRow("finger 1") << 1;
    QTest::newRow("finger 2") << 2;
}

void tst_FingerprintTab::idBioWritesOnlyItsFinger()
{
    QFETCH(int, finger);
    const int other = 3 - finger;
    TfrmConsumidor &s = openOn(2);
    chooseModel(s, FingerprintTab::kModelIdBio);
    QTest::mouseClick(button(s, finger), Qt::LeftButton);
    QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->lastText()));
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QVERIFY(field(s, finger).startsWith("SIM1:"));
    QCOMPARE(field(s, finger).size(), 512);
    QCOMPARE(field(s, other), QString("ANTERIOR-%1").arg(other));
    QVERIFY(panel(s, finger)->isHidden());
    QVERIFY(!idBioPicture(s, finger)->isHidden());
    QVERIFY(button(s, 1)->isEnabled());
    QVERIFY(button(s, 2)->isEnabled());
    // One reader session per capture.
    QCOMPARE(m_sim->count("CIDBIO_Init"), 1);
    QCOMPARE(m_sim->count("CIDBIO_Terminate"), 1);
    QCOMPARE(m_sim->count("CIDBIO_CaptureImageAndTemplate"), 1);
    QCOMPARE(m_sim->count("CIDBIO_FreeString"), 1);
    QCOMPARE(m_sim->count("CIDBIO_FreeByteArray"), 1);
}

void tst_FingerprintTab::hamsterWritesOnlyItsFinger_data()
{
    idBioWritesOnlyItsFinger_data();
}

void tst_FingerprintTab::hamsterWritesOnlyItsFinger()
{
    QFETCH(int, finger);
    const int other = 3 - finger;
    useHamster(kHamsterTemplate);
    TfrmConsumidor &s = openOn(2);
    QTest::mouseClick(button(s, finger), Qt::LeftButton);
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(field(s, finger), kHamsterTemplate);
    QCOMPARE(field(s, other), QString("ANTERIOR-%1").arg(other));
    QCOMPARE(
        m_comLog.calls,
        (QStringList {"create", "WindowStyle=1", "FingerWnd", "Open(255)", "Capture", "TextEncodeFIR", "Close(255)"}));
    // The component draws its capture window in the finger's own panel.
    QCOMPARE(m_comLog.window, quintptr(panel(s, finger)->winId()));
    QCOMPARE(m_sim->count("CIDBIO_Init"), 0);
}

void tst_FingerprintTab::idBioFailureEmptiesTheFinger_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("captures");
    QTest::newRow("time limit") << QByteArray("timeout") << kTimeoutText << 1;
    QTest::newRow("negative code, template given anyway") << QByteArray("negative") << kTimeoutText << 1;
    QTest::newRow("Init fails: no message") << QByteArray("init-fails") << QString() << 0;
    QTest::newRow("no template buffer") << QByteArray("null-buffers") << QString() << 1;
    QTest::newRow("template beyond 2000 characters, never cut")
        << QByteArray("long-template")
        << "A Digital 1 capturada tem 2001 caracteres e o campo aceita no máximo 2000; ela não foi gravada.\r\nRealize "
           "a captura novamente."
        << 1;
}

void tst_FingerprintTab::idBioFailureEmptiesTheFinger()
{
    QFETCH(QByteArray, mode);
    QFETCH(QString, message);
    QFETCH(int, captures);
    TfrmConsumidor &s = openOn(2);
    chooseModel(s, FingerprintTab::kModelIdBio);
    enterTab(s, s.tshFormulario);
    enterTab(s, s.tshDigital);
    QVERIFY(panel(s, 1)->isHidden()); // it held a template
    ReaderSimulator::setMode(mode);
    QTest::mouseClick(button(s, 1), Qt::LeftButton);
    if (message.isEmpty()) {
        QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->lastText()));
    } else {
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->lastText(), message);
        QCOMPARE(m_dialogs->shown.last().caption, QString("Atenção"));
        QCOMPARE(m_dialogs->shown.last().type, MsgType::Warning);
        QCOMPARE(m_dialogs->shown.last().buttons, MsgButtons(mbOK));
    }
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QVERIFY(s.cdsConsumidor.FieldByName(u"DIGICONSUMIDOR").IsNull());
    QCOMPARE(field(s, 2), QString("ANTERIOR-2"));
    QVERIFY(!panel(s, 1)->isHidden());
    QVERIFY(idBioPicture(s, 1)->isHidden());
    QVERIFY(button(s, 1)->isEnabled());
    QVERIFY(button(s, 2)->isEnabled());
    QCOMPARE(m_sim->count("CIDBIO_CaptureImageAndTemplate"), captures);
    // The reader session is closed on every path once Init was called.
    QCOMPARE(m_sim->count("CIDBIO_Init"), 1);
    QCOMPARE(m_sim->count("CIDBIO_Terminate"), 1);
}

// On this platform the first model's component does not exist: nothing captured, nothing said.
void tst_FingerprintTab::unregisteredComponentCapturesNothingSilently()
{
    TfrmConsumidor &s = openOn(2);
    QCOMPARE(s.digital->cboDigital->currentIndex(), FingerprintTab::kModelHamster);
    QTest::mouseClick(button(s, 2), Qt::LeftButton);
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QCOMPARE(field(s, 1), QString("ANTERIOR-1"));
    QCOMPARE(field(s, 2), QString("ANTERIOR-2"));
    QVERIFY(button(s, 2)->isEnabled());
}

void tst_FingerprintTab::hamsterTemplateTooLongIsRefused()
{
    useHamster(QString(2001, 'F'));
    TfrmConsumidor &s = openOn(2);
    QTest::mouseClick(button(s, 2), Qt::LeftButton);
    QCOMPARE(
        m_dialogs->lastText(),
        QString("A Digital 2 capturada tem 2001 caracteres e o campo aceita no máximo 2000; ela não foi gravada.\r\n"
                "Realize a captura novamente."));
    QCOMPARE(field(s, 2), QString("ANTERIOR-2"));
    QVERIFY(m_comLog.calls.contains("Close(255)"));
    // Exactly 2000 characters fit.
    useHamster(QString(2000, 'G'));
    QTest::mouseClick(button(s, 2), Qt::LeftButton);
    QCOMPARE(field(s, 2), QString(2000, 'G'));
    QCOMPARE(m_dialogs->shown.size(), 1);
}

void tst_FingerprintTab::modelSwitchShowsIdBioPicturesOnEntering()
{
    useHamster(kHamsterTemplate);
    TfrmConsumidor &s = openOn(1);
    QTest::mouseClick(button(s, 1), Qt::LeftButton);
    enterTab(s, s.tshFormulario);
    enterTab(s, s.tshDigital);
    QVERIFY(panel(s, 1)->isHidden());
    QVERIFY(!hamsterPicture(s, 1)->isHidden());
    QVERIFY(idBioPicture(s, 1)->isHidden());
    QVERIFY(!panel(s, 2)->isHidden()); // no template for finger 2
    chooseModel(s, FingerprintTab::kModelIdBio);
    enterTab(s, s.tshFormulario);
    enterTab(s, s.tshDigital);
    // The template came from the first model, the picture follows the model chosen now.
    QVERIFY(panel(s, 1)->isHidden());
    QVERIFY(hamsterPicture(s, 1)->isHidden());
    QVERIFY(!idBioPicture(s, 1)->isHidden());
    QVERIFY(!panel(s, 2)->isHidden());
    QVERIFY(idBioPicture(s, 2)->isHidden());
}

void tst_FingerprintTab::cancelShowsBothCapturePanels()
{
    TfrmConsumidor &s = openOn(1);
    chooseModel(s, FingerprintTab::kModelIdBio);
    QTest::mouseClick(button(s, 1), Qt::LeftButton);
    QTest::mouseClick(button(s, 2), Qt::LeftButton);
    QVERIFY(panel(s, 1)->isHidden() && panel(s, 2)->isHidden());
    QVERIFY(s.actCancelar->isEnabled());
    s.actCancelar->trigger();
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    for (int finger : {1, 2}) {
        QVERIFY(!panel(s, finger)->isHidden());
        QVERIFY(idBioPicture(s, finger)->isHidden());
        QVERIFY(field(s, finger).isEmpty());
    }
    QCOMPARE(m_server.target->count("SetConsumidor"), 0);
}

void tst_FingerprintTab::savedTemplatesReachTheDatabase()
{
    TfrmConsumidor &s = openOn(4);
    chooseModel(s, FingerprintTab::kModelIdBio);
    QTest::mouseClick(button(s, 1), Qt::LeftButton);
    QTest::mouseClick(button(s, 2), Qt::LeftButton);
    const QString first = field(s, 1), second = field(s, 2);
    QVERIFY(first.startsWith("SIM1:"));
    QVERIFY(second.startsWith("SIM2:"));
    s.actConfirmar->trigger();
    QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->lastText()));
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    QCOMPARE(m_server.target->count("SetConsumidor"), 1);
    QCOMPARE(stored(4, 1), first);
    QCOMPARE(stored(4, 2), second);
    QCOMPARE(stored(2, 1), QString("ANTERIOR-1")); // another consumer's stay
}

void tst_FingerprintTab::screenshot()
{
    const QString dir = qEnvironmentVariable("CNS_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("CNS_SCREENSHOT_DIR not set");
    QDir().mkpath(dir);
    useHamster(kHamsterTemplate);
    TfrmConsumidor &s = openOn(5);
    s.resize(1000, 640);
    QTest::mouseClick(button(s, 1), Qt::LeftButton);
    chooseModel(s, FingerprintTab::kModelIdBio);
    QTest::mouseClick(button(s, 2), Qt::LeftButton);
    enterTab(s, s.tshFormulario);
    enterTab(s, s.tshDigital);
    QVERIFY(s.grab().save(QDir(dir).filePath("capturar-digital.png")));
}

QTEST_MAIN(tst_FingerprintTab)
#include "tst_FingerprintTab.moc"
