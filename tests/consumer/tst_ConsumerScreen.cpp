#include "Consiste.h"
#include "Corvane.h"
#include "CountingBusy.h"
#include "Criptografa.h"
#include "DBGrid.h"
#include "DbSession.h"
#include "EntryPoints.h"
#include "HandlerGuard.h"
#include "ImageChecks.h"
#include "MaskEdit.h"
#include "RecordingTarget.h"
#include "ScreenServer.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "TBtnPesquisa.h"
#include "DBEdit.h"
#include "DBNumericEdit.h"
#include "TfrmConsultaCracha.h"
#include "TfrmConsumidor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace cns;
using namespace cns::ui;
using ServerFixture::client;
using ServerFixture::consumer;

namespace {

const QString kSharedNumber = "11222333000181"; // clients 1 and 2

} // namespace

class tst_ConsumerScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void creationFunctionKeepsOneScreen();
    void typedNumberPinsTheFirstClientLookupPinsThePicked();
    void unknownNumberIsRefused();
    void typingInTheClientFieldForgetsTheClient();
    void cancelPutsTheConsumerBackAsShown();
    void perBranchInstallationSeesItsBranchsClients();
    void loadingThreshold_data();
    void loadingThreshold();
    void emptyFilterAnswerLoadsNothing();
    void gridDrawsInactiveInRed();
    void afterScrollLoadsDetailsAndBalanceBox();
    void wholeRecordChecksInOrderThenDefaults();
    void typeLevels_data();
    void typeLevels();
    void tenFlagsTellBlankFromZero();
    void postWithoutChangeSendsNothing();
    void serverRefusalRollsBack();
    void concurrentChangeIsRefused();
    void deleteBlockedWhileOthersAreLinked();
    void deleteSendsAndRefreshes();
    void badgeUniqueness_data();
    void badgeUniqueness();
    void siteAccessCodeAndLink();
    void badgeLookupAndExternalCodesReloadAfterwards();
    void keyFilters_data();
    void keyFilters();
    void mainAddressClearsItsDependants();
    void mainAddressRules();
    void pickedClientLoadsWhenThePanelIsLeft();
    void leavingAnEmptyClientFieldIsRefused();
    void typingIntoACheckDigitBadgeKeepsTheDigit();
    void badgeCheckServerErrorFocusesTheBadge();
    void screenshots();

private:
    TfrmConsumidor *openScreen();
    void choose(TfrmConsumidor &s, const QString &number);
    // Leaving a control is followed through the focus of the active window.
    static void activate(TfrmConsumidor &s);
    bool confirm(TfrmConsumidor &s)
    {
        const bool ok = HandlerGuard::run([&] { s.sbtConfirmarClick(); });
        if (!ok)
            qInfo() << "refused:" << m_dialogs->lastText();
        return ok;
    }
    void go(TfrmConsumidor &s, int n) { QVERIFY(s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(n))})); }
    void exec(const QString &sql) { db().exec(sql, {}); }
    DbSession &db() { return DbSession::forThread(DatabaseUrl::parse(m_server.url)); }
    static QString column(const QString &sql) { return ScreenServer::column(sql); }

    ScreenServer m_server;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    QPointer<TfrmConsumidor> m_screen;
};

void tst_ConsumerScreen::initTestCase()
{
    m_server.start("tst_consumerscreen");
    // Consumer 1 is the main consumer of 2 and 3, verifies its balance, and its branches are 0001 and 0002.
    exec("UPDATE CONSUMIDOR SET CDCONSVINCULO = '" + consumer(1) + "' WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '"
         + consumer(3) + "'");
    // Its flags are all set, so that a post without a change of the operator's changes nothing.
    exec("UPDATE CONSUMIDOR SET IDVERSALDCON = 'S', IDTPVENDACONS = '7', IDIMPCPFCUPOM = 'S', IDCADCONFLIBCON = 'N', "
         "IDPERCONSPRODEX = 'S', IDTPSELMANHA = 'N', IDTPSELTARDE = 'N', IDTPSEALMOCO = 'N', IDCRACHAMESTRE = 'N', IDBLOQSALDFS = 'N', "
         "IDATUCPFCONS = 'S', IDATUCONSONLINE = 'N', NMBAIRCONS = 'Centro' WHERE CDCONSUMIDOR = '" + consumer(1) + "'");
    // A consumer of client 3 (branch 0003) with a badge of its own.
    exec("INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDSITCONSUMI, CDIDCONSUMID) VALUES ('" + client(3) + "', '"
         + consumer(1) + "', 'Pedro Terceiro', '1', 'X500')");
    exec("INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) VALUES ('" + client(3) + "', '" + consumer(1) + "', '0003')");
}

void tst_ConsumerScreen::init()
{
    m_dialogs.reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_server.target->calls.clear();
    m_server.target->answer = nullptr;
    m_server.ctx.cacheRefreshes.clear();
}

void tst_ConsumerScreen::cleanup()
{
    if (m_screen)
        delete m_screen.data();
    QVERIFY(!m_busy->visible());
    m_busy.reset();
}

TfrmConsumidor *tst_ConsumerScreen::openScreen()
{
    m_screen = new TfrmConsumidor;
    m_screen->show();
    return m_screen;
}

void tst_ConsumerScreen::activate(TfrmConsumidor &s)
{
    s.activateWindow();
    QTRY_VERIFY(s.isActiveWindow());
}

void tst_ConsumerScreen::choose(TfrmConsumidor &s, const QString &number)
{
    s.medCdCliente->setText(number);
    HandlerGuard::run([&] {
        s.medCdClienteExit();
        s.panClienteExit();
    });
}

void tst_ConsumerScreen::creationFunctionKeepsOneScreen()
{
    CriaConsumidor();
    QPointer<TfrmConsumidor> first = Cli_cns72200::frmConsumidor;
    QVERIFY(first);
    QVERIFY(Cli_cns72200::boIdCriado);
    first->showMinimized();
    IniProc();
    QCOMPARE(Cli_cns72200::frmConsumidor, first.data());
    QVERIFY(!first->isMinimized());
    first->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(!Cli_cns72200::boIdCriado);
    QVERIFY(!Cli_cns72200::frmConsumidor);
    CriaConsumidor();
    QVERIFY(Cli_cns72200::frmConsumidor);
    QVERIFY(Cli_cns72200::frmConsumidor != first.data());
    delete Cli_cns72200::frmConsumidor;
}

void tst_ConsumerScreen::typedNumberPinsTheFirstClientLookupPinsThePicked()
{
    TfrmConsumidor &s = *openScreen();
    QVERIFY(!s.cdsConsumidor.Active());
    QVERIFY(!s.btnConsultaCracha->isEnabled());
    choose(s, kSharedNumber);
    QCOMPARE(s.cdsCliente.FieldByName(u"CDCLIENTE").AsString(), client(1));
    QCOMPARE(s.edtNmCliente->text(), QString("Alfa Refeições"));
    QCOMPARE(s.medCdCliente->text(), QString("11.222.333/0001-81"));
    QCOMPARE(s.cdsConsumidor.RecordCount(), ServerFixture::kClient1Consumers);
    QCOMPARE(m_server.target->count("getPrincipal"), 1);
    QVERIFY(s.btnConsultaCracha->isEnabled());
    QVERIFY(s.pgcPadrao->isTabEnabled(s.pgcPadrao->indexOf(s.tshFormulario)));
    QVERIFY(s.mnuFormulario->isEnabled());
    QVERIFY(s.lblConsumidor->isVisible());
    QCOMPARE(s.lblConsumidor->text(), consumer(1) + " - " + ServerFixture::consumerName(1) + " - B10001");

    // The lookup lists each client once, and the one picked stays pinned.
    HandlerGuard::run([&] { s.panClienteEnter(); });
    QVERIFY(!s.cdsConsumidor.Active());
    m_dialogs->rowChoices.enqueue(1);
    QVERIFY(s.btpCliente->Pesquisar());
    QCOMPARE(s.cdsClientePesq.RecordCount(), 4);
    QVERIFY(Cli_cns72200::boPesquisa);
    QCOMPARE(s.chosenClientCode(), client(2));
    HandlerGuard::run([&] {
        s.medCdClienteExit();
        s.panClienteExit();
    });
    QCOMPARE(s.cdsCliente.FieldByName(u"CDCLIENTE").AsString(), client(2));
    QCOMPARE(s.cdsConsumidor.RecordCount(), 3);
    QCOMPARE(s.edtNmCliente->text(), QString("Alfa Filial"));
}

void tst_ConsumerScreen::unknownNumberIsRefused()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, "99888777000166");
    QCOMPARE(m_dialogs->lastText(), QString("Cliente não cadastrado."));
    QVERIFY(!s.cdsConsumidor.Active());
    QCOMPARE(m_server.target->count("getCountConsumidor"), 0);
}

void tst_ConsumerScreen::typingInTheClientFieldForgetsTheClient()
{
    TfrmConsumidor &s = *openScreen();
    m_dialogs->rowChoices.enqueue(1);
    QVERIFY(s.btpCliente->Pesquisar());
    QCOMPARE(s.chosenClientCode(), client(2));
    s.medCdCliente->setCursorPosition(s.medCdCliente->text().size());
    QTest::keyClick(s.medCdCliente, Qt::Key_Backspace);
    QVERIFY(s.edtNmCliente->text().isEmpty());
    QVERIFY(s.chosenClientCode().isEmpty());
    QVERIFY(!s.btnConsultaCracha->isEnabled());
    QVERIFY(!s.btnAssocia->isEnabled());
    QVERIFY(!s.mnuAssocia->isEnabled()); // the menu twin follows its button
}

void tst_ConsumerScreen::cancelPutsTheConsumerBackAsShown()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 1);
    HandlerGuard::run([&] { s.sbtAlterarClick(); });
    QVERIFY(s.mnuFormulario->isChecked());
    QVERIFY(!s.pgcPadrao->isTabEnabled(s.pgcPadrao->indexOf(s.tshPadrao)));
    QVERIFY(!s.pgcPadrao->isTabEnabled(s.pgcPadrao->indexOf(s.tshFilial)));
    s.cbbVerifSaldoCons->click(); // unticked while editing
    s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").setAsString("Nome Temporário");
    s.medCPF->setText("52998224725");
    HandlerGuard::run([&] { s.sbtCancelarClick(); });
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString(), ServerFixture::consumerName(1));
    QVERIFY(s.cbbVerifSaldoCons->isChecked()); // back to the stored "S"
    QVERIFY(s.grbConsDeb->isEnabled());
    QVERIFY(s.medCPF->unmaskedText().isEmpty());
    QVERIFY(s.pgcPadrao->isTabEnabled(s.pgcPadrao->indexOf(s.tshPadrao)));
    QVERIFY(s.pgcPadrao->isTabEnabled(s.pgcPadrao->indexOf(s.tshFilial)));
    QVERIFY(s.panCliente->isEnabled());
    QCOMPARE(m_server.target->count("SetConsumidor"), 0);
}

void tst_ConsumerScreen::perBranchInstallationSeesItsBranchsClients()
{
    m_server.ctx.moduFili = true;
    m_server.ctx.filiProc = "0002";
    TfrmConsumidor &s = *openScreen();
    QCOMPARE(s.workingBranch(), QString("0002"));
    QCOMPARE(m_server.target->lastArgs("getCliente").value(0).toString(), QString("0002"));
    QStringList clients;
    for (s.cdsCliente.First(); !s.cdsCliente.Eof(); s.cdsCliente.Next())
        clients << s.cdsCliente.FieldByName(u"CDCLIENTE").AsString();
    QCOMPARE(clients, (QStringList{client(1), client(2)}));
    choose(s, kSharedNumber);
    QCOMPARE(m_server.target->lastArgs("getPrincipal").value(1).toString(), QString("0002"));
    HandlerGuard::run([&] { s.sbtIncluirClick(); });
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDFILIAL").AsString(), QString("0002"));
    s.cdsConsumidor.Cancel();
    m_server.ctx.moduFili = false;
    m_server.ctx.filiProc = "0001";
}

void tst_ConsumerScreen::loadingThreshold_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("chunks");
    QTest::newRow("30000: one call") << 30000 << QStringList();
    // The chunk that starts at the last consumer is asked for too.
    QTest::newRow("30001: filter and chunks") << 30001 << QStringList{"1-30000", "30001-60000"};
    QTest::newRow("60001: the last one in a chunk of its own") << 60001 << QStringList{"1-30000", "30001-60000", "60001-120000"};
    QTest::newRow("70000: doubling chunks") << 70000 << QStringList{"1-30000", "30001-60000", "60001-120000"};
}

void tst_ConsumerScreen::loadingThreshold()
{
    QFETCH(int, count);
    QFETCH(QStringList, chunks);
    m_server.target->answer = [count](const QString &method, const QList<Value> &) -> std::optional<Value> {
        if (method == "getCountConsumidor")
            return Value(count);
        return std::nullopt;
    };
    m_dialogs->inputs.enqueue("ana");
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    QStringList seen;
    for (const QList<Value> &args : m_server.target->argsOf("getPrincipalMuitoReg")) {
        seen << args.at(2).toString() + "-" + args.at(3).toString();
        QCOMPARE(args.at(4).toString(), QString("ana"));
    }
    QCOMPARE(seen, chunks);
    QCOMPARE(m_server.target->count("getPrincipal"), chunks.isEmpty() ? 1 : 0);
    QCOMPARE(m_dialogs->inputPrompts, chunks.isEmpty() ? QStringList() : QStringList{"Iniciais dos nomes ou o final da Identificação"});
    QCOMPARE(s.manyConsumers(), !chunks.isEmpty());
    QVERIFY(s.cdsConsumidor.RecordCount() > 0);
    // Appended chunks are the server's rows, never changes to send back.
    QCOMPARE(s.cdsConsumidor.ChangeCount(), 0);
}

void tst_ConsumerScreen::emptyFilterAnswerLoadsNothing()
{
    m_server.target->answer = [](const QString &method, const QList<Value> &) -> std::optional<Value> {
        return method == "getCountConsumidor" ? std::optional<Value>(Value(45000)) : std::nullopt;
    };
    m_dialogs->inputs.enqueue("");
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    QCOMPARE(m_dialogs->lastText(), QString("Informações não digitadas. O filtro não será realizado."));
    QCOMPARE(m_server.target->count("getPrincipalMuitoReg"), 0);
    QVERIFY(s.cdsConsumidor.IsEmpty());
}

void tst_ConsumerScreen::gridDrawsInactiveInRed()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    s.resize(900, 2400); // every tenth consumer is inactive: make room for a few
    QApplication::processEvents();
    QVERIFY(hasRedPixels(s.dbgPadrao->grab().toImage()));
    const int situation = s.cdsConsumidor.fieldIndex(u"IDSITCONSUMI");
    QCOMPARE(s.cdsConsumidor.rowText(9, situation, true), QString("Inativo"));
    QCOMPARE(s.cdsConsumidor.rowText(0, situation, true), QString("Ativo"));
}

void tst_ConsumerScreen::afterScrollLoadsDetailsAndBalanceBox()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 1);
    QCOMPARE(s.cdsConsFilial.RecordCount(), 2);
    QCOMPARE(s.cdsEndeCons.RecordCount(), 1);
    QVERIFY(s.cbbVerifSaldoCons->isChecked());
    QVERIFY(s.grbConsDeb->isEnabled());
    QVERIFY(s.debitEdits.first()->isEnabled());
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    go(s, 4);
    QVERIFY(!s.cbbVerifSaldoCons->isChecked());
    QVERIFY(!s.grbConsCred->isEnabled());
    QVERIFY(!s.creditEdits.first()->isEnabled());
    QVERIFY(s.cdsConsFilial.IsEmpty());
    QCOMPARE(s.lblConsumidor->text(), consumer(4) + " - " + ServerFixture::consumerName(4) + " - B10004");
    // Ticking the box on a consumer being browsed starts an edit.
    s.cbbVerifSaldoCons->click();
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QVERIFY(s.grbConsDeb->isEnabled());
    // The branches tab shows the consumer's branches through the screen's data source.
    HandlerGuard::run([&] { s.sbtCancelarClick(); });
    go(s, 1);
    s.pgcPadrao->setCurrentWidget(s.tshFilial);
    QCOMPARE(s.dtsPadrao.dataSet(), &s.cdsConsFilial);
    // A link is added or removed there, never changed.
    QVERIFY(s.actIncluir->isEnabled());
    QVERIFY(s.actExcluir->isEnabled());
    QVERIFY(!s.actAlterar->isEnabled());
    s.pgcPadrao->setCurrentWidget(s.tshPadrao);
    QCOMPARE(s.dtsPadrao.dataSet(), &s.cdsConsumidor);
}

void tst_ConsumerScreen::wholeRecordChecksInOrderThenDefaults()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    HandlerGuard::run([&] { s.sbtIncluirClick(); });
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Insert);
    QCOMPARE(s.pgcPadrao->currentWidget(), s.tshFormulario);
    QVERIFY(!s.pgcPadrao->isTabEnabled(s.pgcPadrao->indexOf(s.tshPadrao)));
    QVERIFY(!s.panCliente->isEnabled());
    // A new consumer's balance box is off while it is inserted: its values are set at post.
    QVERIFY(!s.cbbVerifSaldoCons->isEnabled());
    QVERIFY(!s.grbConsDeb->isEnabled());
    Field &f = s.cdsConsumidor.FieldByName(u"CDCONSUMIDOR");
    const auto set = [&](const char *field, const QString &v) { s.cdsConsumidor.FieldByName(QString::fromLatin1(field)).setAsString(v); };
    const QList<std::pair<QString, std::function<void()>>> steps = {
        {"Consumidor deve ser informado.", [&] { f.setAsString("900"); }},
        {"Nome deve ser informado.", [&] { set("NMCONSUMIDOR", "Novo Consumidor"); }},
        {"Tipo de consumidor deve ser informado.", [&] { set("CDTIPOCONS", "2"); }},
        // Client 1 has types of its own: the installation's type 02 is not one of them.
        {"Tipo de Consumidor não cadastrado para o cliente deste consumidor.", [&] { set("CDTIPOCONS", "1"); }},
        {"Centro de custo deve ser informado.", [&] { set("CDCCUSCLIE", "7"); }},
        {"Centro de custo não cadastrado.", [&] { set("CDCCUSCLIE", "1"); }},
        {"Número do Crachá deve ser infomado.", [&] { set("CDIDCONSUMID", "b10001"); }},
        // A new consumer has no branches yet: any repetition within the client is refused.
        {"Código de crachá já existente para outro consumidor deste mesmo cliente. (" + client(1) + " - " + consumer(1) + " - "
             + ServerFixture::consumerName(1) + ")",
         [&] {
             set("CDIDCONSUMID", "Z900");
             s.medCPF->setText("11111111111");
         }},
        {"CPF informado está inválido, digite novamente.", [&] {
             s.medCPF->setText("52998224725");
             set("CDPAIS", "99");
         }},
        {"País não cadastrado.", [&] {
             set("CDPAIS", "1058");
             set("SGESTADO", "RJ");
         }},
        {"Estado não cadastrado.", [&] {
             set("SGESTADO", "SP");
             set("DSEMAILCONS", "novo@x.br");
         }},
        {"Email inválido", [&] {
             set("DSEMAILCONS", "novo@empresa.com.br");
             set("CDCONSVINCULO", consumer(2)); // itself linked to consumer 1
         }},
        {"O consumidor informado não pode ser o consumidor principal deste consumidor: ele deve ser um consumidor ativo do mesmo "
         "cliente, diferente deste e não vinculado a outro consumidor.",
         [&] { set("CDCONSVINCULO", "1"); }},
    };
    for (const auto &[message, fix] : steps) {
        QVERIFY(!confirm(s));
        QCOMPARE(m_dialogs->lastText(), message);
        QCOMPARE(s.cdsConsumidor.State(), DataSetState::Insert);
        fix();
    }
    QVERIFY(confirm(s));
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    QCOMPARE(f.AsString(), consumer(900)); // brought to its width and kept
    QVERIFY(s.cbbVerifSaldoCons->isEnabled());
    QVERIFY(s.cbbVerifSaldoCons->isChecked());
    QVERIFY(s.panCliente->isEnabled());

    const QString where = " FROM CONSUMIDOR WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(900) + "'";
    QCOMPARE(column("SELECT IDTPVENDACONS || IDIMPCPFCUPOM || IDCADCONFLIBCON || IDPERCONSPRODEX || IDTPSELMANHA || IDTPSELTARDE || "
                    "IDTPSEALMOCO || IDCRACHAMESTRE || IDSEXOCONS || IDBLOQSALDFS || IDATUCPFCONS || IDATUCONSONLINE || IDVERSALDCON || "
                    "IDSITCONSUMI || IDCONSUMIDOR"
                    + where),
             QString("7SNSNNNNFNSNS1C"));
    QCOMPARE(column("SELECT NMLOGINCONS" + where), QString("Z900"));
    QCOMPARE(column("SELECT CDSENHASITE" + where), Criptografa::CriptoPlus("Z900"));
    QCOMPARE(column("SELECT NRCPFRESPCON" + where), QString("52998224725"));
    QCOMPARE(column("SELECT CDTIPOCONS || CDCCUSCLIE || CDCONSVINCULO" + where), "01" + QString("0000000001") + consumer(1));
    QCOMPARE(column("SELECT COALESCE(VRLIMCREDCONS, -1) + COALESCE(VRLIMDEBCONS, -1)" + where), QString("0"));
    QCOMPARE(column("SELECT COUNT(*)" + where + " AND VRAVIDEBCONS IS NULL AND VRMAXCONSMENSAL IS NULL"), QString("1"));
    // The flags of the blank values: all but the two blocking levels set to zero.
    const QList<Value> args = m_server.target->lastArgs("SetConsumidor");
    QCOMPARE(args.size(), 11);
    QCOMPARE(args.at(1).toBool(), true);
    QCOMPARE(args.at(2).toBool(), false);
    QCOMPARE(args.at(5).toBool(), false);
    QCOMPARE(m_server.ctx.cacheRefreshes, (QList<QStringList>{{"CONSUMIFILIAL"}, {"CONSUMIDOR"}}));
    exec("DELETE" + where);
}

void tst_ConsumerScreen::typeLevels_data()
{
    QTest::addColumn<int>("clientNo");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("accepted");
    QTest::addColumn<QString>("name");
    QTest::newRow("1: the client's types at the branch")
        << 1 << "INSERT INTO TIPOCONSCLI VALUES ('" + client(1) + "', '02', 'Dependente do cliente'); INSERT INTO TIPOCONSFILI "
                "(CDFILIAL, CDTIPOCONS) VALUES ('0001', '02')"
        << "01" << "Tipo de Consumidor não cadastrado para o cliente deste consumidor ou não parametrizado para a filial de processamento."
        << "02" << "Dependente do client"; // cut to the field's 20 characters
    QTest::newRow("2: the client's types") << 1 << "" << "02" << "Tipo de Consumidor não cadastrado para o cliente deste consumidor."
                                           << "01" << "Colaborador";
    QTest::newRow("3: the branch's types") << 2 << "INSERT INTO TIPOCONSFILI (CDFILIAL, CDTIPOCONS) VALUES ('0001', '01')" << "02"
                                           << "Tipo de consumidor não parametrizado para a filial de processamento." << "01" << "Funcionário";
    QTest::newRow("4: all types") << 2 << "" << "09" << "Tipo de consumidor não cadastrado." << "02" << "Dependente";
}

void tst_ConsumerScreen::typeLevels()
{
    QFETCH(int, clientNo);
    QFETCH(QString, setup);
    QFETCH(QString, refused);
    QFETCH(QString, message);
    QFETCH(QString, accepted);
    QFETCH(QString, name);
    for (const QString &sql : setup.split("; ", Qt::SkipEmptyParts))
        exec(sql);
    TfrmConsumidor &s = *openScreen();
    if (clientNo == 1) {
        choose(s, kSharedNumber);
    } else {
        m_dialogs->rowChoices.enqueue(1);
        HandlerGuard::run([&] {
            s.btpCliente->Pesquisar();
            s.medCdClienteExit();
            s.panClienteExit();
        });
    }
    QCOMPARE(s.cdsCliente.FieldByName(u"CDCLIENTE").AsString(), client(clientNo));
    s.cdsConsumidor.Edit();
    s.cdsConsumidor.FieldByName(u"CDTIPOCONS").setAsString(refused);
    QVERIFY(!HandlerGuard::run([&] { s.rules.Vd_TipoCons(false); }));
    QCOMPARE(m_dialogs->lastText(), message);
    s.cdsConsumidor.FieldByName(u"CDTIPOCONS").setAsString(accepted.right(1));
    QVERIFY(HandlerGuard::run([&] { s.rules.Vd_TipoCons(false); }));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDTIPOCONS").AsString(), accepted);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"NMTIPOCONS").AsString(), name);
    // The lookup lists the same level.
    m_dialogs->rowChoices.enqueue(0);
    QVERIFY(s.btnTipoCons->Pesquisar());
    s.cdsConsumidor.Cancel();
    exec("DELETE FROM TIPOCONSFILI");
    exec("DELETE FROM TIPOCONSCLI WHERE CDTIPOCONS = '02'");
}

void tst_ConsumerScreen::tenFlagsTellBlankFromZero()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 5);
    HandlerGuard::run([&] { s.sbtAlterarClick(); });
    QCOMPARE(s.pgcPadrao->currentWidget(), s.tshFormulario);
    s.cdsConsumidor.FieldByName(u"VRLIMCREDCONS").Clear();
    s.cdsConsumidor.FieldByName(u"VRMAXDEBCONS").setAsFloat(0);
    s.cdsConsumidor.FieldByName(u"VRLIMDEBCONS").setAsFloat(12.5);
    QVERIFY(confirm(s));
    const QList<Value> args = m_server.target->lastArgs("SetConsumidor");
    QCOMPARE(args.at(3).toBool(), false); // VRMAXDEBCONS at zero is a value
    QCOMPARE(args.at(5).toBool(), true);  // VRLIMCREDCONS left blank
    QCOMPARE(args.at(2).toBool(), false);
    const QString where = " FROM CONSUMIDOR WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(5) + "'";
    QCOMPARE(column("SELECT COUNT(*)" + where + " AND VRLIMCREDCONS IS NULL AND VRMAXDEBCONS = 0 AND VRLIMDEBCONS = 12.5"), QString("1"));
    // The balance box was not ticked: the consumer does not verify its balance.
    QCOMPARE(column("SELECT IDVERSALDCON" + where), QString("N"));
}

void tst_ConsumerScreen::postWithoutChangeSendsNothing()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 1);
    const int detailCalls = m_server.target->count("getConsFilial");
    s.cdsConsumidor.Edit();
    QVERIFY(confirm(s));
    QCOMPARE(m_server.target->count("SetConsumidor"), 0);
    QCOMPARE(m_server.ctx.cacheRefreshes.size(), 2);
    QVERIFY(m_server.target->count("getConsFilial") > detailCalls);
}

void tst_ConsumerScreen::serverRefusalRollsBack()
{
    m_server.target->answer = [](const QString &method, const QList<Value> &) -> std::optional<Value> {
        return method == "SetConsumidor" ? std::optional<Value>(Value::error("Recusado pelo servidor.")) : std::nullopt;
    };
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 8);
    const QString name = s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString();
    s.cdsConsumidor.Edit();
    s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").setAsString("Outro Nome");
    QVERIFY(!confirm(s));
    QCOMPARE(m_dialogs->lastText(), QString("Recusado pelo servidor."));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString(), name);
    QCOMPARE(s.cdsConsumidor.ChangeCount(), 0);
    QVERIFY(m_server.ctx.cacheRefreshes.isEmpty());

    // A new consumer the server refused leaves the grid.
    HandlerGuard::run([&] { s.sbtIncluirClick(); });
    s.cdsConsumidor.FieldByName(u"CDCONSUMIDOR").setAsString("901");
    s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").setAsString("Recusado");
    s.cdsConsumidor.FieldByName(u"CDTIPOCONS").setAsString("01");
    s.cdsConsumidor.FieldByName(u"CDCCUSCLIE").setAsString("0000000001");
    s.cdsConsumidor.FieldByName(u"CDIDCONSUMID").setAsString("Z901");
    QVERIFY(!confirm(s));
    QCOMPARE(s.cdsConsumidor.RecordCount(), ServerFixture::kClient1Consumers);
    QVERIFY(!s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(901))}));
}

void tst_ConsumerScreen::concurrentChangeIsRefused()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 7);
    exec("UPDATE CONSUMIDOR SET NMCONSUMIDOR = 'Mudado por outro' WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '"
         + consumer(7) + "'");
    s.cdsConsumidor.Edit();
    s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").setAsString("Mudado aqui");
    QVERIFY(!confirm(s));
    QVERIFY2(m_dialogs->lastText().contains("alterado"), qPrintable(m_dialogs->lastText()));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString(), ServerFixture::consumerName(7));
    QCOMPARE(column("SELECT NMCONSUMIDOR FROM CONSUMIDOR WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(7) + "'"),
             QString("Mudado por outro"));
}

void tst_ConsumerScreen::deleteBlockedWhileOthersAreLinked()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 1);
    QVERIFY(!HandlerGuard::run([&] { s.cdsConsumidor.Delete(); }));
    const QString expected = "Não é possível realizar a exclusão. O consumidor está vinculado no(s) seguinte(s) consumidor(es): \r- "
                             + ServerFixture::consumerName(2) + " (" + consumer(2) + ")\r- " + ServerFixture::consumerName(3) + " ("
                             + consumer(3) + ")\r";
    QCOMPARE(m_dialogs->lastText(), expected);
    QCOMPARE(m_dialogs->shown.last().caption, QString("OK"));
    QCOMPARE(s.cdsConsumidor.RecordCount(), ServerFixture::kClient1Consumers);
    QCOMPARE(m_server.target->count("SetConsumidor"), 0);
}

void tst_ConsumerScreen::deleteSendsAndRefreshes()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 75);
    QVERIFY(HandlerGuard::run([&] { s.cdsConsumidor.Delete(); }));
    const QList<Value> args = m_server.target->lastArgs("SetConsumidor");
    QCOMPARE(args.size(), 11);
    for (int i = 1; i < 11; ++i)
        QCOMPARE(args.at(i).toBool(), false);
    QCOMPARE(column("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(75) + "'"),
             QString("0"));
    QCOMPARE(m_server.ctx.cacheRefreshes, (QList<QStringList>{{"CONSUMIFILIAL"}, {"CONSUMIDOR"}}));
    QCOMPARE(s.cdsConsumidor.ChangeCount(), 0);
}

void tst_ConsumerScreen::badgeUniqueness_data()
{
    QTest::addColumn<int>("consumerNo");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("badge");
    QTest::addColumn<QString>("message");
    const QString other = client(1) + " - " + consumer(1) + " - " + ServerFixture::consumerName(1);
    const QString tie4 = "INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) VALUES ('" + client(1) + "', '" + consumer(4) + "', ";
    QTest::newRow("without branches: refused") << 4 << "" << "B10001" << "Código de crachá já existente para outro consumidor deste mesmo cliente. (" + other + ")";
    QTest::newRow("branches not shared: accepted") << 4 << tie4 + "'0003')" << "B10001" << "";
    QTest::newRow("a shared branch: refused") << 4 << tie4 + "'0002')" << "b10001" << "Código de crachá já existente para outro consumidor deste mesmo cliente. (" + other + ")";
    QTest::newRow("inactive consumer: accepted") << 10 << "" << "B10001" << "";
    QTest::newRow("unique in the database: refused first")
        << 4 << "UPDATE PARAVEND SET IDBLOQCDIDCONS = 'S'; " + tie4 + "'0003')" << "B10001"
        << "Código de crachá já existente para outro consumidor no banco de dados. (" + other + ")";
    QTest::newRow("another client at a shared branch: refused")
        << 4 << tie4 + "'0003')" << "x500" << "Código de crachá já existente para outro consumidor de outro cliente. (" + client(3) + " - " + consumer(1) + " - Pedro Terceiro)";
    QTest::newRow("another client elsewhere: accepted") << 5 << "" << "X500" << "";
}

void tst_ConsumerScreen::badgeUniqueness()
{
    QFETCH(int, consumerNo);
    QFETCH(QString, setup);
    QFETCH(QString, badge);
    QFETCH(QString, message);
    for (const QString &sql : setup.split("; ", Qt::SkipEmptyParts))
        exec(sql);
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, consumerNo);
    s.cdsConsumidor.Edit();
    s.cdsConsumidor.FieldByName(u"CDIDCONSUMID").setAsString(badge);
    const bool ok = HandlerGuard::run([&] { s.rules.badge().Vd_CodBarra(false); });
    QCOMPARE(ok, message.isEmpty());
    if (!ok) {
        QCOMPARE(m_dialogs->lastText(), message);
        QCOMPARE(s.pgcPadrao->currentWidget(), s.tshFormulario);
    }
    s.cdsConsumidor.Cancel();
    exec("DELETE FROM CONSUMIFILIAL WHERE CDCONSUMIDOR = '" + consumer(4) + "'");
    exec("UPDATE PARAVEND SET IDBLOQCDIDCONS = 'N'");
}

void tst_ConsumerScreen::siteAccessCodeAndLink()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    // A code held by another consumer is refused, naming it; its own code is not a conflict.
    exec("UPDATE CONSUMIDOR SET NMLOGINCONS = 'ana.site' WHERE CDCLIENTE = '" + client(2) + "' AND CDCONSUMIDOR = '" + consumer(1) + "'");
    go(s, 11);
    s.cdsConsumidor.Edit();
    s.cdsConsumidor.FieldByName(u"NMLOGINCONS").setAsString("ANA.SITE");
    QVERIFY(!HandlerGuard::run([&] { s.rules.Vd_NomeSite(); }));
    QCOMPARE(m_dialogs->lastText(), "Código de acesso ao site já cadastrado para o Consumidor: \r\nCliente: Alfa Filial - " + client(2)
                                        + " / Consumidor: Consumidor 1 da filial - " + consumer(1) + ". ");
    QCOMPARE(s.pgcPadrao->currentWidget(), s.tshDados);
    s.cdsConsumidor.FieldByName(u"NMLOGINCONS").setAsString("proprio");
    QVERIFY(HandlerGuard::run([&] { s.rules.Vd_NomeSite(); }));
    s.cdsConsumidor.Cancel();

    // The link lookup puts a browsing consumer into editing; a typed code empties the name.
    m_dialogs->rowChoices.enqueue(0);
    QVERIFY(s.btpPesqConsVinculo->Pesquisar());
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QVERIFY(!s.cdsConsumidor.FieldByName(u"CDCONSVINCULO").AsString().isEmpty());
    QVERIFY(!s.cdsConsumidor.FieldByName(u"NMCONSVINCULO").AsString().isEmpty());
    s.cdsConsumidor.FieldByName(u"CDCONSVINCULO").setAsString(consumer(11)); // itself
    QVERIFY(s.cdsConsumidor.FieldByName(u"NMCONSVINCULO").AsString().isEmpty());
    QVERIFY(!HandlerGuard::run([&] { s.rules.vdConsVinculacao(); }));
    s.cdsConsumidor.FieldByName(u"CDCONSVINCULO").setAsString("  ");
    const int calls = m_server.target->count("getVdConsVinculo");
    QVERIFY(HandlerGuard::run([&] { s.rules.vdConsVinculacao(); }));
    QCOMPARE(m_server.target->count("getVdConsVinculo"), calls); // an empty link is not asked about
    s.cdsConsumidor.Cancel();
}

void tst_ConsumerScreen::badgeLookupAndExternalCodesReloadAfterwards()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    QVERIFY(s.btnAssocia->isEnabled());
    const int loads = m_server.target->count("getPrincipal");
    // Each modal screen is closed as soon as it is up.
    const auto closeModal = [] {
        QTimer::singleShot(0, [] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            QApplication::activeModalWidget()->close();
        });
    };
    closeModal();
    s.btnConsultaCracha->trigger();
    QCOMPARE(Cli_cns72205::stCliente, QString("11.222.333/0001-81"));
    QCOMPARE(Cli_cns72205::stFilial, QString("0001"));
    closeModal();
    s.mnuAssocia->trigger();
    QCOMPARE(m_server.target->lastArgs("getCodExterno").value(1).toString(), client(1));
    QCOMPARE(m_server.target->count("getPrincipal"), loads + 2);
}

void tst_ConsumerScreen::keyFilters_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("telephone") << "dbeTelCons" << "(11) 9a8-7b" << "(11) 98-7";
    QTest::newRow("mobile") << "dbeCelular" << "11 9x99" << "11 999";
    QTest::newRow("extension") << "dbeRamalCons" << "1-2a3" << "123";
    QTest::newRow("country") << "dbePais" << "10a5" << "105";
    QTest::newRow("municipality") << "dbeMunicipio" << "0-1" << "01";
    QTest::newRow("district") << "dbeBairro" << "a1b2" << "12";
    QTest::newRow("postal code") << "dbeCep" << "01.310-10x" << "01.310-10";
    QTest::newRow("state in upper case") << "dbeSgEstado" << "sp" << "SP";
    QTest::newRow("name takes any key") << "dbeNmCons" << "Ana-1" << "Ana-1";
}

void tst_ConsumerScreen::keyFilters()
{
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 4);
    auto *edit = s.findChild<QLineEdit *>(control);
    QVERIFY(edit);
    s.cdsConsumidor.Edit();
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), shown);
    s.cdsConsumidor.Cancel();
}

void tst_ConsumerScreen::mainAddressClearsItsDependants()
{
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 4);
    s.cdsConsumidor.Edit();
    const auto value = [&](const char *f) { return s.cdsConsumidor.FieldByName(QString::fromLatin1(f)).AsString(); };
    s.cdsConsumidor.FieldByName(u"NMBAIRCONS").setAsString("Centro");
    // A changed municipality keeps the district code, which is tested again only when left or posted.
    QTest::keyClick(s.dbeMunicipio, Qt::Key_Backspace);
    QCOMPARE(value("NMMUNICIPIO"), QString());
    QCOMPARE(value("CDBAIRRO"), QString("0000000001"));
    QCOMPARE(value("NMBAIRRO"), QString("Centro"));
    // A changed country empties everything below it.
    QTest::keyClick(s.dbePais, Qt::Key_Backspace);
    for (const char *f : {"NMPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO", "CDBAIRRO", "NMBAIRRO", "NMBAIRCONS"})
        QVERIFY2(value(f).isEmpty(), f);
    s.cdsConsumidor.Cancel();
    QCOMPARE(value("CDPAIS"), QString("1058"));

    // The lookup puts a browsing consumer into editing and fills code and name.
    m_dialogs->rowChoices.enqueue(0);
    QVERIFY(s.btpPais->Pesquisar());
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QCOMPARE(value("CDPAIS"), QString("1058"));
    QCOMPARE(value("NMPAIS"), QString("Brasil"));
    QVERIFY(value("SGESTADO").isEmpty());
    s.cdsConsumidor.Cancel();
}

void tst_ConsumerScreen::mainAddressRules()
{
    exec("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('0058', 'Argentina')");
    TfrmConsumidor &s = *openScreen();
    choose(s, kSharedNumber);
    go(s, 4);
    s.cdsConsumidor.Edit();
    const auto set = [&](const char *f, const QString &v) { s.cdsConsumidor.FieldByName(QString::fromLatin1(f)).setAsString(v); };
    const auto run = [&](void (ConsumerRules::*rule)()) { return HandlerGuard::run([&] { (s.rules.*rule)(); }); };
    // A short country code is brought to its width, then looked up.
    set("CDPAIS", "58");
    QVERIFY(run(&ConsumerRules::Vd_Pais));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDPAIS").AsString(), QString("0058"));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"NMPAIS").AsString(), QString("Argentina"));
    // A state of another country is not a state of this one.
    set("SGESTADO", "SP");
    QVERIFY(!run(&ConsumerRules::Vd_Estado));
    QCOMPARE(m_dialogs->lastText(), QString("Estado não cadastrado."));
    QCOMPARE(s.pgcPadrao->currentWidget(), s.tshEndereco);
    set("CDPAIS", "1058");
    QVERIFY(run(&ConsumerRules::Vd_Estado));
    set("CDMUNICIPIO", "1");
    QVERIFY(run(&ConsumerRules::Vd_Municipio));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"NMMUNICIPIO").AsString(), QString("São Paulo"));
    set("CDBAIRRO", "2");
    QVERIFY(!run(&ConsumerRules::Vd_Bairro));
    QCOMPARE(m_dialogs->lastText(), QString("Bairro não cadastrado"));
    // An emptied district empties its names.
    set("CDBAIRRO", "");
    set("NMBAIRCONS", "Centro");
    QVERIFY(run(&ConsumerRules::Vd_Bairro));
    QVERIFY(s.cdsConsumidor.FieldByName(u"NMBAIRRO").AsString().isEmpty());
    QVERIFY(s.cdsConsumidor.FieldByName(u"NMBAIRCONS").AsString().isEmpty());
    s.cdsConsumidor.Cancel();
    exec("DELETE FROM PAIS WHERE CDPAIS = '0058'");
}

// With CNS_SCREENSHOT_DIR set, writes the grid and each form tab of the first consumer of client 1.
// The lookup button takes no focus: a client picked while the focus was in the grid must still load
// when the operator goes back to the grid, and a panel left by Tab loads as well.
void tst_ConsumerScreen::pickedClientLoadsWhenThePanelIsLeft()
{
    const int client1 = column("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCLIENTE = '" + client(1) + "'").toInt();
    TfrmConsumidor &s = *openScreen();
    activate(s);
    s.medCdCliente->setFocus();
    QTest::keyClicks(s.medCdCliente, kSharedNumber);
    QTest::keyClick(s.medCdCliente, Qt::Key_Tab);
    QTRY_COMPARE(s.cdsConsumidor.RecordCount(), client1);
    QTest::mouseClick(s.dbgPadrao->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    QTRY_VERIFY(s.dbgPadrao->hasFocus());

    m_dialogs->rowChoices.enqueue(1);
    QTest::mouseClick(s.btpCliente, Qt::LeftButton);
    QCOMPARE(s.chosenClientCode(), client(2));
    QTRY_VERIFY(s.medCdCliente->hasFocus());
    QTest::mouseClick(s.dbgPadrao->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    QTRY_COMPARE(s.cdsConsumidor.RecordCount(), 3);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDCLIENTE").AsString(), client(2));

    m_dialogs->rowChoices.enqueue(0);
    QTest::mouseClick(s.btpCliente, Qt::LeftButton);
    QTRY_VERIFY(s.medCdCliente->hasFocus());
    QTest::keyClick(s.medCdCliente, Qt::Key_Tab);
    QTRY_COMPARE(s.cdsConsumidor.RecordCount(), client1);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDCLIENTE").AsString(), client(1));
}

void tst_ConsumerScreen::leavingAnEmptyClientFieldIsRefused()
{
    TfrmConsumidor &s = *openScreen();
    activate(s);
    s.medCdCliente->setFocus();
    QTest::keyClick(s.medCdCliente, Qt::Key_Tab);
    QTRY_COMPARE(m_dialogs->lastText(), QString("Cliente não cadastrado."));
    QTRY_VERIFY(s.medCdCliente->hasFocus());
    QVERIFY(!s.cdsConsumidor.Active());
    QCOMPARE(m_server.target->count("getCountConsumidor"), 0);
}

// Browsing shows a check-digit badge without its digit; the key that starts the edit must change the
// stored badge, digit included, not the shortened text shown.
void tst_ConsumerScreen::typingIntoACheckDigitBadgeKeepsTheDigit()
{
    TfrmConsumidor &s = *openScreen();
    m_dialogs->rowChoices.enqueue(1);
    QVERIFY(s.btpCliente->Pesquisar());
    HandlerGuard::run([&] { s.panClienteExit(); });
    QCOMPARE(s.cdsConsumidor.RecordCount(), 3);
    go(s, 1);
    QCOMPARE(s.dbeNrIdCons->text(), QString("C"));
    s.dbeNrIdCons->setCursorPosition(1);
    QTest::keyClicks(s.dbeNrIdCons, "9");
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDIDCONSUMID").AsString(), QString("C19"));
    QCOMPARE(s.dbeNrIdCons->text(), QString("C19"));
    QTest::keyClick(s.dbeNrIdCons, Qt::Key_Backspace);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDIDCONSUMID").AsString(), QString("C1"));
    s.cdsConsumidor.Cancel();
    // A backspace that starts the edit takes the digit, not the last character shown.
    go(s, 2);
    s.dbeNrIdCons->setCursorPosition(1);
    QTest::keyClick(s.dbeNrIdCons, Qt::Key_Backspace);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDIDCONSUMID").AsString(), QString("C"));
    s.cdsConsumidor.Cancel();
}

void tst_ConsumerScreen::badgeCheckServerErrorFocusesTheBadge()
{
    m_server.target->answer = [](const QString &method, const QList<Value> &) -> std::optional<Value> {
        return method == "getCrachaIgual" ? std::optional<Value>(Value::error("Servidor indisponível.")) : std::nullopt;
    };
    TfrmConsumidor &s = *openScreen();
    activate(s);
    choose(s, kSharedNumber);
    go(s, 4);
    s.actAlterar->trigger();
    // A new badge typed, and the operator goes to another tab: leaving the badge checks it.
    s.dbeNrIdCons->setFocus();
    s.dbeNrIdCons->selectAll();
    QTest::keyClicks(s.dbeNrIdCons, "NOVO1");
    QTabBar *bar = s.pgcPadrao->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(s.pgcPadrao->indexOf(s.tshSaldo)).center());
    QTRY_COMPARE(m_dialogs->lastText(), QString("Servidor indisponível."));
    // The tab bar and the page shown agree on the badge's tab.
    QTRY_COMPARE(s.pgcPadrao->currentWidget(), s.tshFormulario);
    QCOMPARE(s.pgcPadrao->tabBar()->currentIndex(), s.pgcPadrao->indexOf(s.tshFormulario));
    QVERIFY(s.tshFormulario->isVisible() && !s.tshSaldo->isVisible());
    QTRY_VERIFY(s.dbeNrIdCons->hasFocus());
    s.cdsConsumidor.Cancel();
}

void tst_ConsumerScreen::screenshots()
{
    const QString dir = qEnvironmentVariable("CNS_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("CNS_SCREENSHOT_DIR not set");
    QDir().mkpath(dir);
    TfrmConsumidor &s = *openScreen();
    s.resize(1100, 700);
    choose(s, kSharedNumber);
    go(s, 1);
    for (int i = 0; i < s.pgcPadrao->count(); ++i) {
        s.pgcPadrao->setCurrentIndex(i);
        QApplication::processEvents();
        QVERIFY(s.grab().save(QDir(dir).filePath(QString("consumidor-%1-%2.png").arg(i).arg(s.pgcPadrao->widget(i)->objectName()))));
    }
}

QTEST_MAIN(tst_ConsumerScreen)
#include "tst_ConsumerScreen.moc"
