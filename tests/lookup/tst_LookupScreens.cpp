#include "CountingBusy.h"
#include "Corvane.h"
#include "DbSession.h"
#include "EAbort.h"
#include "DBGrid.h"
#include "EntryPoints.h"
#include "FocusEvents.h"
#include "Consiste.h"
#include "ServerFixture.h"
#include "ImageChecks.h"
#include "RecordingTarget.h"
#include "ScriptedDialogs.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "TfrmCodExternoImp.h"
#include "TfrmConsultaCracha.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace cns;
using namespace cns::ui;
using ServerFixture::client;

namespace {

// Runs f once the modal screen of the creation function is up, then closes it.
template<typename T>
void whenOpen(T *&pointer, std::function<void(T &)> f)
{
    QTimer::singleShot(0, [&pointer, f] {
        QTRY_VERIFY(pointer != nullptr);
        QTest::qWait(50);
        f(*pointer);
        pointer->close();
    });
}

} // namespace

class tst_LookupScreens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void exitHandlerAbortReturnsTheFocus();
    void badgeLookupSendsTheScopeLetter_data();
    void badgeLookupSendsTheScopeLetter();
    void badgeLookupShowsInactiveInRedAndEnablesPrint();
    void badgeLookupRefusesABlankBadge();
    void externalCodesPerBranch();
    void externalCodesAllBranchesTypingAndLookup();
    void duplicatePairIsRefused();
    void serverErrorDiscardsPendingChanges();
    void creationFunctionsKeepTheirUnitsState();

private:
    TfrmCodExternoImp *openCodes(const QString &branch);

    std::unique_ptr<Dispatcher> m_dispatcher;
    std::unique_ptr<RecordingTarget> m_target;
    Corvane::SimpleContext m_ctx;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
};

void tst_LookupScreens::initTestCase()
{
    const QString url = ServerFixture::create("sqlite", "tst_lookupscreens");
    m_dispatcher = ServerFixture::dispatcher(url);
    m_target = std::make_unique<RecordingTarget>(*m_dispatcher);
    TNetConnection::setInProcessTarget(m_target.get());
    DatabaseUrl::parse(url).open(TADOIBQuery::defaultConnectionName());
    m_ctx.filiProc = "0001";
    m_ctx.nomeFiliProc = "Matriz São Paulo";
    Corvane::install(&m_ctx);
    DbSession &s = DbSession::forThread(DatabaseUrl::parse(url));
    s.exec("INSERT INTO CODEXTERNOIMP (CDCLIENTE, CDFILIAL, CDEXCLIENTEIMP) VALUES ('000000000000000000001', '0001', 'ALFA-SP'), "
           "('000000000000000000001', '0002', 'ALFA-CPS')");
    // An inactive consumer sharing a badge with an active one of another client.
    s.exec("UPDATE CONSUMIDOR SET CDIDCONSUMID = 'B10001' WHERE CDCLIENTE = '000000000000000000002' AND CDCONSUMIDOR = '000000000000000000001'");
    s.exec("UPDATE CONSUMIDOR SET IDSITCONSUMI = '2' WHERE CDCLIENTE = '000000000000000000002'");
}

void tst_LookupScreens::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_target->calls.clear();
}

void tst_LookupScreens::cleanup()
{
    m_busy.reset();
    m_dialogs.reset();
}

void tst_LookupScreens::exitHandlerAbortReturnsTheFocus()
{
    QWidget window;
    auto *first = new QLineEdit(&window);
    auto *second = new QLineEdit(&window);
    second->move(0, 40);
    int exits = 0;
    FocusEvents::instance().onExit(first, [&] {
        ++exits;
        if (first->text().isEmpty())
            Consiste::MensErro("Campo deve ser informado.");
    });
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    QTRY_VERIFY(first->hasFocus());
    second->setFocus();
    QTRY_VERIFY(first->hasFocus()); // refused: back where it was
    QCOMPARE(m_dialogs->texts(), QStringList{"Campo deve ser informado."});
    first->setText("ok");
    second->setFocus();
    QTRY_VERIFY(second->hasFocus());
    QCOMPARE(exits, 2);
}

void tst_LookupScreens::badgeLookupSendsTheScopeLetter_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("rows");
    QTest::newRow("default: clients of the branch") << "" << "F" << 1;
    QTest::newRow("clients of the consumer screen's number") << "rdbClieAnt" << "C" << 2; // two clients share it
    QTest::newRow("all clients") << "rdbTodosClie" << "T" << 2;
}

void tst_LookupScreens::badgeLookupSendsTheScopeLetter()
{
    QFETCH(QString, radio);
    QFETCH(QString, letter);
    QFETCH(int, rows);
    TfrmConsultaCracha screen;
    Cli_cns72205::stCliente = "11.222.333/0001-81";
    Cli_cns72205::stFilial = "0001";
    QVERIFY(screen.rdbClieFiliProc->isChecked());
    if (!radio.isEmpty())
        screen.findChild<QRadioButton *>(radio)->setChecked(true);
    screen.edtCracha->setText("b10001");
    screen.panCrachaExit();
    const QList<Value> args = m_target->lastArgs("getCliCons");
    QCOMPARE(args.value(1).toString(), letter);
    QCOMPARE(args.value(2).toString(), QString("11.222.333/0001-81"));
    QCOMPARE(args.value(3).toString(), QString("0001"));
    QCOMPARE(screen.cdsClieCons.RecordCount(), rows);
    QCOMPARE(m_busy->shows, 1);
    QCOMPARE(m_busy->hides, 1);
}

void tst_LookupScreens::badgeLookupShowsInactiveInRedAndEnablesPrint()
{
    TfrmConsultaCracha screen;
    QVERIFY(!screen.actImprimir->isEnabled());
    screen.rdbTodosClie->setChecked(true);
    screen.edtCracha->setText("B10001");
    screen.panCrachaExit();
    QVERIFY(screen.actImprimir->isEnabled());
    QVERIFY(!screen.actIncluir->isEnabled() && !screen.actExcluir->isEnabled() && !screen.actAlterar->isEnabled());
    // Rows come in registration number order: client 1 (active) then client 2 (inactive).
    QCOMPARE(screen.dbgPadrao->dataModel().data(screen.dbgPadrao->dataModel().index(0, 6), Qt::DisplayRole).toString(), QString("Ativo"));
    QCOMPARE(screen.dbgPadrao->dataModel().data(screen.dbgPadrao->dataModel().index(1, 6), Qt::DisplayRole).toString(), QString("Inativo"));
    QVERIFY(screen.findChild<QLabel *>("lblConsumidor")->text().startsWith("000000000000000000001 - "));
    auto draw = [&](int row) {
        QImage img(220, 24, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        QStyleOptionViewItem option;
        option.rect = img.rect();
        option.fontMetrics = QFontMetrics(QApplication::font());
        const QModelIndex idx = screen.dbgPadrao->dataModel().index(row, 4);
        screen.dbgPadrao->OnDrawColumnCell({&p, option, idx, "NMCONSUMIDOR", "Consumidor Nome Longo", false, false});
        p.end();
        return hasRedPixels(img);
    };
    QVERIFY(!draw(0));
    QVERIFY(draw(1));
    // Back in the search panel the grid and the label empty.
    screen.panCrachaEnter();
    QVERIFY(!screen.cdsClieCons.Active());
    QVERIFY(screen.findChild<QLabel *>("lblConsumidor")->text().isEmpty());
    QVERIFY(!screen.actImprimir->isEnabled());
    // A badge nobody carries: empty grid, print stays off.
    screen.edtCracha->setText("NINGUEM");
    screen.panCrachaExit();
    QVERIFY(screen.cdsClieCons.IsEmpty());
    QVERIFY(!screen.actImprimir->isEnabled());
}

void tst_LookupScreens::badgeLookupRefusesABlankBadge()
{
    TfrmConsultaCracha screen;
    screen.show();
    QApplication::setActiveWindow(&screen);
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    screen.edtCracha->setFocus();
    QTRY_VERIFY(screen.edtCracha->hasFocus());
    screen.dbgPadrao->setFocus();
    QTRY_VERIFY(screen.edtCracha->hasFocus());
    QCOMPARE(m_dialogs->texts(), QStringList{"O código do crachá deve ser informado."});
    QCOMPARE(m_target->count("getCliCons"), 0);
}

TfrmCodExternoImp *tst_LookupScreens::openCodes(const QString &branch)
{
    auto *screen = new TfrmCodExternoImp(branch, client(1));
    screen->show();
    QApplication::setActiveWindow(screen);
    if (!QTest::qWaitForWindowActive(screen))
        qWarning("screen not active");
    QTest::qWait(20);
    return screen;
}

void tst_LookupScreens::externalCodesPerBranch()
{
    QPointer<TfrmCodExternoImp> screen = openCodes("0002");
    QCOMPARE(screen->cdsCodExterno.RecordCount(), 1); // only the branch's codes
    QCOMPARE(m_target->lastArgs("getCodExterno").value(0).toString(), QString("0002"));
    screen->actIncluir->trigger();
    QCOMPARE(screen->cdsCodExterno.State(), DataSetState::Insert);
    QCOMPARE(screen->cdsCodExterno.FieldByName(u"CDFILIAL").AsString(), QString("0002"));
    QCOMPARE(screen->cdsCodExterno.FieldByName(u"CDCLIENTE").AsString(), client(1));
    QVERIFY(!screen->actIncluir->isEnabled());
    screen->dbgPadrao->selectField("CDFILIAL");
    QCOMPARE(screen->dbgPadrao->OnKeyPress(QChar('5')), QChar()); // the branch cannot be typed
    QVERIFY(!screen->dbgPadrao->dataModel().columns().at(0).ellipsis);
    screen->cdsCodExterno.FieldByName(u"CDEXCLIENTEIMP").setAsString("ALFA-NOVO");
    screen->actConfirmar->trigger();
    QCOMPARE(screen->cdsCodExterno.State(), DataSetState::Browse);
    QCOMPARE(screen->cdsCodExterno.RecordCount(), 2);
    QCOMPARE(screen->cdsCodExterno.ChangeCount(), 0); // reloaded from the server
    QCOMPARE(m_target->count("setCodExterno"), 1);
    // Deleting asks first and reloads after.
    QVERIFY(screen->cdsCodExterno.Locate("CDEXCLIENTEIMP", {Value("ALFA-NOVO")}));
    m_dialogs->answers.enqueue(mrYes);
    screen->actExcluir->trigger();
    QCOMPARE(m_dialogs->shown.last().text, QString("Confirma exclusão?"));
    QCOMPARE(screen->cdsCodExterno.RecordCount(), 1);
    QCOMPARE(m_target->count("setCodExterno"), 2);
    screen->close();
}

void tst_LookupScreens::externalCodesAllBranchesTypingAndLookup()
{
    QPointer<TfrmCodExternoImp> screen = openCodes("T");
    QCOMPARE(screen->cdsCodExterno.RecordCount(), 2);
    screen->actIncluir->trigger();
    QVERIFY(screen->cdsCodExterno.FieldByName(u"CDFILIAL").IsNull());
    QVERIFY(screen->dbgPadrao->dataModel().columns().at(0).ellipsis);
    screen->dbgPadrao->selectField("CDFILIAL");
    QCOMPARE(screen->dbgPadrao->OnKeyPress(QChar('5')), QChar('5'));
    QCOMPARE(screen->dbgPadrao->OnKeyPress(QChar('x')), QChar());
    screen->cdsCodExterno.FieldByName(u"CDFILIAL").setAsString("3");
    screen->dbgPadrao->OnColExit("CDFILIAL");
    QCOMPARE(screen->cdsCodExterno.FieldByName(u"CDFILIAL").AsString(), QString("0003"));
    screen->cdsCodExterno.FieldByName(u"CDFILIAL").setAsString("9");
    QVERIFY_THROWS_EXCEPTION(EAbort, screen->dbgPadrao->OnColExit("CDFILIAL"));
    QCOMPARE(m_dialogs->lastText(), QString("Filial não cadastrada."));
    // The edit button offers every branch; picking one sets the code.
    m_dialogs->rowChoices.enqueue(1);
    screen->dbgPadrao->OnEditButtonClick("CDFILIAL");
    QCOMPARE(screen->cdsCodExterno.FieldByName(u"CDFILIAL").AsString(), QString("0002"));
    QCOMPARE(m_dialogs->lookupTitles.last(), QString("Filial"));
    // A blank code is refused on post, the row stays inserting.
    screen->actConfirmar->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("Código externo deve ser informado."));
    QCOMPARE(screen->cdsCodExterno.State(), DataSetState::Insert);
    screen->actCancelar->trigger();
    QCOMPARE(screen->cdsCodExterno.State(), DataSetState::Browse);
    QCOMPARE(screen->cdsCodExterno.RecordCount(), 2);
    screen->close();
}

void tst_LookupScreens::duplicatePairIsRefused()
{
    QPointer<TfrmCodExternoImp> screen = openCodes("T");
    screen->actIncluir->trigger();
    screen->cdsCodExterno.FieldByName(u"CDFILIAL").setAsString("0001");
    screen->cdsCodExterno.FieldByName(u"CDEXCLIENTEIMP").setAsString("ALFA-SP");
    screen->actConfirmar->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("Código externo já cadastrado para esta filial."));
    QCOMPARE(screen->cdsCodExterno.State(), DataSetState::Insert);
    QCOMPARE(screen->dbgPadrao->selectedField(), QString("CDEXCLIENTEIMP"));
    // The same code at another branch is fine.
    screen->cdsCodExterno.FieldByName(u"CDFILIAL").setAsString("0003");
    screen->actConfirmar->trigger();
    QCOMPARE(screen->cdsCodExterno.RecordCount(), 3);
    // Editing a row and posting its pair unchanged finds itself: refused and the edit discarded.
    QVERIFY(screen->cdsCodExterno.Locate("CDFILIAL;CDEXCLIENTEIMP", {Value("0003"), Value("ALFA-SP")}));
    screen->actAlterar->trigger();
    screen->actConfirmar->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("Código externo já cadastrado para esta filial."));
    QCOMPARE(screen->cdsCodExterno.State(), DataSetState::Browse);
    QCOMPARE(screen->cdsCodExterno.ChangeCount(), 0);
    screen->close();
}

void tst_LookupScreens::serverErrorDiscardsPendingChanges()
{
    QPointer<TfrmCodExternoImp> screen = openCodes("T");
    const int before = screen->cdsCodExterno.RecordCount();
    screen->actIncluir->trigger();
    screen->cdsCodExterno.FieldByName(u"CDFILIAL").setAsString("0099"); // not a branch: the server refuses
    screen->cdsCodExterno.FieldByName(u"CDEXCLIENTEIMP").setAsString("X1");
    screen->actConfirmar->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("Filial 0099 não cadastrada."));
    QCOMPARE(screen->cdsCodExterno.RecordCount(), before);
    QCOMPARE(screen->cdsCodExterno.ChangeCount(), 0);
    QCOMPARE(m_busy->shows, m_busy->hides);
    screen->close();
}

void tst_LookupScreens::creationFunctionsKeepTheirUnitsState()
{
    whenOpen<TfrmConsultaCracha>(Cli_cns72205::frmConsultaCracha, [](TfrmConsultaCracha &s) {
        QCOMPARE(s.windowTitle(), QString("Consulta Crachá do Consumidor"));
        QCOMPARE(s.screenCode(), QString("CNS72205"));
    });
    CriaConsultaCracha("52998224725", "0003");
    QCOMPARE(Cli_cns72205::stCliente, QString("52998224725"));
    QCOMPARE(Cli_cns72205::stFilial, QString("0003"));
    QTRY_VERIFY(Cli_cns72205::frmConsultaCracha == nullptr); // released on close

    whenOpen<TfrmCodExternoImp>(Cli_cns72206::frmCodExternoImp, [](TfrmCodExternoImp &s) {
        QCOMPARE(s.edtCliente->text(), QString("11222333000181 - Alfa Refeições"));
        QVERIFY(!s.edtCliente->isEnabled());
        QCOMPARE(s.workingBranch(), QString("T"));
        QVERIFY(s.cdsCodExterno.RecordCount() >= 2); // loaded on activation
        QVERIFY(Cli_cns72206::boIdCriado);
        QCOMPARE(QApplication::overrideCursor(), nullptr); // restored before showing
    });
    CriaAssocia("T", "11222333000181 - Alfa Refeições", client(1));
    QTRY_VERIFY(Cli_cns72206::frmCodExternoImp == nullptr);
    QVERIFY(!Cli_cns72206::boIdCriado);
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    const int windows = QApplication::topLevelWidgets().size();
    CriaVinculaCons();
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
}

QTEST_MAIN(tst_LookupScreens)
#include "tst_LookupScreens.moc"
