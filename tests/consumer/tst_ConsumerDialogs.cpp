#include "Corvane.h"
#include "CountingBusy.h"
#include "Criptografa.h"
#include "DbSession.h"
#include "EntryPoints.h"
#include "RecordingTarget.h"
#include "ScreenServer.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "TfrmAlteraSenha.h"
#include "TfrmAnonimizaCons.h"
#include "TfrmHistCons.h"
#include "TfrmConsumidor.h"
#include "TfrmVinculaCons.h"
#include "DBEdit.h"
#include "MaskEdit.h"
#include "Pesqlista.h"
#include "HandlerGuard.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <functional>

using namespace cns;
using namespace cns::ui;
using ServerFixture::consumer;

namespace {

const QString kSharedNumber = "11222333000181";

// What the operator does in the password dialog once it is up: type both fields, then confirm
// (true) or cancel (false). Each step is one attempt; a refused attempt leaves the dialog open for
// the next one, and the dialog is cancelled after the last attempt if it is still up.
struct Attempt
{
    QString password;
    QString confirmation;
    bool confirm = true;
};

void clickTool(QWidget *dialog, const char *name)
{
    auto *button = dialog->findChild<QToolButton *>(QString::fromLatin1(name));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, char(c.unicode()));
            continue;
        }
        // A character without a key of its own, as a keyboard layout or input method delivers it.
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Plays the attempts against the dialog when it is shown; seen receives the dialog's caption, label
// and name shown, for the test to check afterwards.
void playWhenShown(const QList<Attempt> &attempts, QStringList *seen = nullptr)
{
    QTimer::singleShot(0, [attempts, seen] {
        QTRY_VERIFY(Cli_cns72203::frmAlteraSenha && Cli_cns72203::frmAlteraSenha->isVisible());
        QPointer<TfrmAlteraSenha> dlg = Cli_cns72203::frmAlteraSenha;
        // The operator looks at the dialog once it has come up and been activated.
        QCoreApplication::processEvents();
        if (seen)
            *seen = {dlg->windowTitle(), dlg->lblNmOperador->text(), dlg->edtNmAcesso->text()};
        for (const Attempt &a : attempts) {
            if (!dlg || !dlg->isVisible())
                return;
            typeInto(dlg->edtSenha, a.password);
            typeInto(dlg->edtConfSenha, a.confirmation);
            clickTool(dlg, a.confirm ? "sbtConfirma" : "sbtCancel");
        }
        if (dlg && dlg->isVisible())
            clickTool(dlg, "sbtCancel");
    });
}

} // namespace

class tst_ConsumerDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void refusalsKeepTheDialogOpen_data();
    void refusalsKeepTheDialogOpen();
    void differingConfirmationIsSelectedForRetyping();
    void passwordIsReturnedAsTypedAndTheDialogFreed();
    void consumerPasswordStoresOnlyItsOneWayForm();
    void sitePasswordKeepsBlanksAndStoresItsSaltedDigest_data();
    void sitePasswordKeepsBlanksAndStoresItsSaltedDigest();
    void cancelLeavesTheConsumerUntouched_data();
    void cancelLeavesTheConsumerUntouched();

    void linkingWithNothingPickedSendsNothing();
    void reopeningTheListDiscardsTheOldPick();
    void pickedConsumersAreLinkedAndShown();

    void anonymiseButtonFollowsTheConsumer();
    void missingOrRemovedRequestFileIsRefused();
    void answeringNoSendsNothing();
    void requestIsSentAsReadWhenChosen();
    void serverRefusalKeepsTheDialogAndTheScreen();

    void historyActionFollowsTheConsumer();
    void historyShowsTheChangeNewestFirstExportsAndPrints();

private:
    TfrmConsumidor &openConsumer(int n);
    void openLinking(TfrmConsumidor &s, const std::function<void(TfrmVinculaCons &)> &operate);
    void openAnonymisation(TfrmConsumidor &s, const std::function<void(TfrmAnonimizaCons &)> &operate);
    static QString column(const QString &sql) { return ScreenServer::column(sql); }

    ScreenServer m_server;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    QPointer<TfrmConsumidor> m_screen;
};

void tst_ConsumerDialogs::initTestCase()
{
    m_server.start("tst_consumerdialogs");
}

void tst_ConsumerDialogs::init()
{
    m_dialogs.reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_server.target->calls.clear();
}

void tst_ConsumerDialogs::cleanup()
{
    if (m_screen)
        delete m_screen.data();
    QVERIFY(!Cli_cns72203::frmAlteraSenha);
    m_busy.reset();
}

TfrmConsumidor &tst_ConsumerDialogs::openConsumer(int n)
{
    CriaConsumidor();
    m_screen = Cli_cns72200::frmConsumidor;
    m_screen->medCdCliente->setText(kSharedNumber);
    HandlerGuard::run([this] {
        m_screen->medCdClienteExit();
        m_screen->panClienteExit();
    });
    [&] { QVERIFY(m_screen->cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(n))})); }();
    return *m_screen;
}

void tst_ConsumerDialogs::refusalsKeepTheDialogOpen_data()
{
    QTest::addColumn<bool>("anyCharacters");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message");

    const QString empty = "Senha deve ser informada.";
    const QString digits = "Senha deve ser composta apenas de números.";
    QTest::newRow("nothing typed") << true << "" << "" << empty;
    QTest::newRow("only blanks") << true << "   " << "   " << empty;
    QTest::newRow("confirmation only blanks") << false << "123" << "  " << empty;
    QTest::newRow("letter in consumer password") << false << "12a4" << "12a4" << digits;
    QTest::newRow("blank inside consumer password") << false << "12 34" << "12 34" << digits;
    QTest::newRow("blanks around consumer password") << false << " 1234 " << " 1234 " << digits;
    QTest::newRow("case differs") << true << "Senha" << "senha" << "Senha está incorreta, digite novamente.";
}

void tst_ConsumerDialogs::refusalsKeepTheDialogOpen()
{
    QFETCH(bool, anyCharacters);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, message);
    playWhenShown({{password, confirmation}});
    QCOMPARE(ValidaSenha("Ana", "Senha do Consumidor", "Consumidor", anyCharacters), QString());
    // The one message is the refusal: the dialog stayed up until it was cancelled.
    QCOMPARE(m_dialogs->texts(), QStringList{message});
}

void tst_ConsumerDialogs::differingConfirmationIsSelectedForRetyping()
{
    QString selected;
    bool focused = false;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(Cli_cns72203::frmAlteraSenha && Cli_cns72203::frmAlteraSenha->isVisible());
        TfrmAlteraSenha *dlg = Cli_cns72203::frmAlteraSenha;
        QApplication::setActiveWindow(dlg);
        typeInto(dlg->edtSenha, "1234");
        typeInto(dlg->edtConfSenha, "1243");
        clickTool(dlg, "sbtConfirma");
        selected = dlg->edtConfSenha->selectedText();
        focused = dlg->edtConfSenha->hasFocus();
        // Typing over the selection corrects it.
        QTest::keyClicks(dlg->edtConfSenha, "1234");
        clickTool(dlg, "sbtConfirma");
    });
    QCOMPARE(ValidaSenha("Ana", "Senha do Consumidor", "Consumidor", false), QString("1234"));
    QCOMPARE(m_dialogs->texts(), QStringList{"Senha está incorreta, digite novamente."});
    QCOMPARE(selected, QString("1243"));
    QVERIFY(focused);
}

void tst_ConsumerDialogs::passwordIsReturnedAsTypedAndTheDialogFreed()
{
    // A refusal first, then an accepted password with blanks around and inside.
    QStringList seen;
    playWhenShown({{"", ""}, {"  a b€ ", "  a b€ "}}, &seen);
    QCOMPARE(ValidaSenha("ana.site", "Senha para Acesso ao Site", "Código", true), QString("  a b€ "));
    QCOMPARE(seen, (QStringList{"Senha para Acesso ao Site", "Código", "ana.site"}));
    QVERIFY(!Cli_cns72203::frmAlteraSenha);
}

void tst_ConsumerDialogs::consumerPasswordStoresOnlyItsOneWayForm()
{
    TfrmConsumidor &s = openConsumer(1);
    const QString digestBefore = s.cdsConsumidor.FieldByName(u"CDSENHACONSMD5").AsString();
    s.pgcPadrao->setCurrentWidget(s.tshFormulario);
    QStringList seen;
    playWhenShown({{"12a", "12a"}, {"98765", "98765"}}, &seen);
    QTest::mouseClick(s.btnAltSenha, Qt::LeftButton);
    QCOMPARE(seen, (QStringList{"Senha do Consumidor", "Consumidor", ServerFixture::consumerName(1)}));
    QCOMPARE(m_dialogs->texts(), QStringList{"Senha deve ser composta apenas de números."});
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    const QString stored = s.cdsConsumidor.FieldByName(u"CDSENHACONS").AsString();
    QCOMPARE(stored, Criptografa::CriptoPlus("98765"));
    QVERIFY(stored != "98765");
    // The web site's digest belongs to the site password only.
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDSENHACONSMD5").AsString(), digestBefore);
    s.cdsConsumidor.Cancel();
}

void tst_ConsumerDialogs::sitePasswordKeepsBlanksAndStoresItsSaltedDigest_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("digest");
    // Digests worked out apart from the system: MD5 of "vrelk" + password + "4196" in Windows-1252.
    QTest::newRow("blanks around and inside") << "  Abc 9 " << "10bd112aa0e091515147a7c69c12c948";
    QTest::newRow("euro and accent") << QString::fromUtf8("Senha€é") << "9efcde65a7af29840ce79d1b5ace8b6f";
}

void tst_ConsumerDialogs::sitePasswordKeepsBlanksAndStoresItsSaltedDigest()
{
    QFETCH(QString, password);
    QFETCH(QString, digest);
    TfrmConsumidor &s = openConsumer(2);
    const QString consumerPassword = s.cdsConsumidor.FieldByName(u"CDSENHACONS").AsString();
    s.pgcPadrao->setCurrentWidget(s.tshDados);
    playWhenShown({{password, password}});
    QTest::mouseClick(s.btnSenha, Qt::LeftButton);
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDSENHASITE").AsString(), Criptografa::CriptoPlus(password));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDSENHACONSMD5").AsString(), digest);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"CDSENHACONS").AsString(), consumerPassword);
    s.cdsConsumidor.Cancel();
}

void tst_ConsumerDialogs::cancelLeavesTheConsumerUntouched_data()
{
    QTest::addColumn<bool>("site");
    QTest::newRow("consumer password") << false;
    QTest::newRow("site password") << true;
}

void tst_ConsumerDialogs::cancelLeavesTheConsumerUntouched()
{
    QFETCH(bool, site);
    TfrmConsumidor &s = openConsumer(3);
    const QStringList fields{"CDSENHACONS", "CDSENHASITE", "CDSENHACONSMD5"};
    QStringList before;
    for (const QString &f : fields)
        before << s.cdsConsumidor.FieldByName(f).AsString();
    s.pgcPadrao->setCurrentWidget(site ? s.tshDados : s.tshFormulario);
    // Both typed alike and acceptable, then cancelled.
    playWhenShown({{"2468", "2468", false}});
    QTest::mouseClick(site ? s.btnSenha : s.btnAltSenha, Qt::LeftButton);
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    QStringList after;
    for (const QString &f : fields)
        after << s.cdsConsumidor.FieldByName(f).AsString();
    QCOMPARE(after, before);
    QVERIFY(m_dialogs->shown.isEmpty());
}

// ---- linking

void tst_ConsumerDialogs::openLinking(TfrmConsumidor &s, const std::function<void(TfrmVinculaCons &)> &operate)
{
    QVERIFY(s.btnCadAutCons->isEnabled());
    s.btnCadAutCons->trigger();
    QTRY_VERIFY(s.pmnCad->isVisible());
    // The popup's first entry opens the automatic change screen.
    QVERIFY(s.mnuCadastroAutCons->isEnabled());
    QTimer::singleShot(0, [operate] {
        QTRY_VERIFY(Cli_cns72209::frmVinculaCons && Cli_cns72209::frmVinculaCons->isVisible());
        QPointer<TfrmVinculaCons> dlg = Cli_cns72209::frmVinculaCons;
        operate(*dlg);
        if (dlg && dlg->isVisible())
            dlg->close();
    });
    QTest::mouseClick(s.pmnCad, Qt::LeftButton, {}, s.pmnCad->actionGeometry(s.mnuVinculaCons).center());
    QVERIFY(!Cli_cns72209::frmVinculaCons);
}

void tst_ConsumerDialogs::linkingWithNothingPickedSendsNothing()
{
    TfrmConsumidor &s = openConsumer(1);
    QString shownMain;
    openLinking(s, [&](TfrmVinculaCons &dlg) {
        shownMain = dlg.medConsPrincipal->text();
        clickTool(&dlg, "sbtConfirma");
    });
    QCOMPARE(shownMain, consumer(1) + " - " + ServerFixture::consumerName(1));
    QCOMPARE(m_dialogs->texts(), QStringList{"Favor informar os consumidores que serão vinculados ao consumidor principal."});
    QCOMPARE(m_server.target->count("setCadAutoVinculo"), 0);
}

void tst_ConsumerDialogs::reopeningTheListDiscardsTheOldPick()
{
    TfrmConsumidor &s = openConsumer(1);
    QStringList picks;
    m_dialogs->listChoices.enqueue({0, 1});
    openLinking(s, [&](TfrmVinculaCons &dlg) {
        QTest::mouseClick(dlg.btpConsCadVinculo, Qt::LeftButton);
        picks << Cli_cns72209::stConsumidor;
        // Opened again and given up: the first pick is gone.
        QTest::mouseClick(dlg.btpConsCadVinculo, Qt::LeftButton);
        picks << Cli_cns72209::stConsumidor;
        clickTool(&dlg, "sbtConfirma");
    });
    QCOMPARE(picks.size(), 2);
    QCOMPARE(Pesqlista::keysOf(picks.at(0)).size(), 2);
    QCOMPARE(picks.at(1), QString());
    QCOMPARE(m_dialogs->lastText(), QString("Favor informar os consumidores que serão vinculados ao consumidor principal."));
    QCOMPARE(m_server.target->count("setCadAutoVinculo"), 0);
    // A new opening starts with nothing picked, whatever the last one left.
    Cli_cns72209::stConsumidor = "_" + consumer(4) + "_";
    openLinking(s, [&](TfrmVinculaCons &dlg) { clickTool(&dlg, "sbtConfirma"); });
    QCOMPARE(m_server.target->count("setCadAutoVinculo"), 0);
}

void tst_ConsumerDialogs::pickedConsumersAreLinkedAndShown()
{
    TfrmConsumidor &s = openConsumer(1);
    QStringList picked;
    m_dialogs->listChoices.enqueue({0, 2});
    openLinking(s, [&](TfrmVinculaCons &dlg) {
        QTest::mouseClick(dlg.btpConsCadVinculo, Qt::LeftButton);
        // Consumer 2 is already linked to 1, so it is never offered.
        QVERIFY(!dlg.cdsConsCadVinculo.Locate("CDCONSUMIDOR", {Value(consumer(2))}));
        for (int row : {1, 3}) {
            dlg.cdsConsCadVinculo.setRecNo(row);
            picked << dlg.cdsConsCadVinculo.FieldByName(u"CDCONSUMIDOR").AsString();
        }
        clickTool(&dlg, "sbtConfirma");
    });
    QCOMPARE(m_dialogs->lastText(), QString("Vinculação realizada com sucesso!"));
    QCOMPARE(m_server.target->count("setCadAutoVinculo"), 1);
    for (const QString &code : picked) {
        QCOMPARE(column("SELECT CDCONSVINCULO FROM CONSUMIDOR WHERE CDCLIENTE = '" + ServerFixture::client(1)
                        + "' AND CDCONSUMIDOR = '" + code + "'").trimmed(),
                 consumer(1));
        // The screen was reloaded, so the new links show without choosing the client again.
        QVERIFY(s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(code)}));
        QCOMPARE(s.cdsConsumidor.FieldByName(u"CDCONSVINCULO").AsString().trimmed(), consumer(1));
    }
}

// ---- anonymisation

void tst_ConsumerDialogs::openAnonymisation(TfrmConsumidor &s, const std::function<void(TfrmAnonimizaCons &)> &operate)
{
    QVERIFY(s.btnAnonimizaCons->isEnabled());
    QTimer::singleShot(0, [operate] {
        QTRY_VERIFY(Cli_cns72211::frmAnonimizaCons && Cli_cns72211::frmAnonimizaCons->isVisible());
        QPointer<TfrmAnonimizaCons> dlg = Cli_cns72211::frmAnonimizaCons;
        operate(*dlg);
        if (dlg && dlg->isVisible())
            dlg->close();
    });
    s.btnAnonimizaCons->trigger();
    QTRY_VERIFY(!Cli_cns72211::frmAnonimizaCons);
}

void tst_ConsumerDialogs::anonymiseButtonFollowsTheConsumer()
{
    column("UPDATE CONSUMIDOR SET IDANONIMIZADO = 'S' WHERE CDCLIENTE = '" + ServerFixture::client(1) + "' AND CDCONSUMIDOR = '"
           + consumer(5) + "'");
    TfrmConsumidor &s = openConsumer(5);
    QVERIFY(!s.btnAnonimizaCons->isEnabled());
    QVERIFY(s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(4))}));
    QVERIFY(s.btnAnonimizaCons->isEnabled());
    QVERIFY(s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(5))}));
    QVERIFY(!s.btnAnonimizaCons->isEnabled());
}

void tst_ConsumerDialogs::missingOrRemovedRequestFileIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pedido.pdf");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4 pedido");
    }
    TfrmConsumidor &s = openConsumer(6);
    m_dialogs->fileNames.enqueue(dir.path()); // a folder cannot be read as a file
    m_dialogs->fileNames.enqueue(path);
    QString shownPath;
    openAnonymisation(s, [&](TfrmAnonimizaCons &dlg) {
        QTest::mouseClick(dlg.btnArqAnonimiza, Qt::LeftButton);
        QVERIFY(dlg.edtArqAnonimiza->text().isEmpty());
        QVERIFY(dlg.cdsAnonimiza.IsEmpty());
        clickTool(&dlg, "sbtConfirma");
        // Typing cannot make up a path.
        QTest::keyClicks(dlg.edtArqAnonimiza, "/tmp/x.pdf");
        clickTool(&dlg, "sbtConfirma");
        QTest::mouseClick(dlg.btnArqAnonimiza, Qt::LeftButton);
        shownPath = dlg.edtArqAnonimiza->text();
        QFile::remove(path);
        clickTool(&dlg, "sbtConfirma");
    });
    QCOMPARE(shownPath, path);
    QCOMPARE(m_dialogs->texts(), (QStringList{"Não foi possível carregar o arquivo.",
                                              "Arquivo com pedido de anonimização do consumidor deve ser informado.",
                                              "Arquivo com pedido de anonimização do consumidor deve ser informado.",
                                              "Arquivo não encontrado."}));
    QCOMPARE(m_server.target->count("setAnonimizaCons"), 0);
}

void tst_ConsumerDialogs::answeringNoSendsNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pedido.png");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x89PNG");
    }
    TfrmConsumidor &s = openConsumer(7);
    m_dialogs->fileNames.enqueue(path);
    m_dialogs->answers.enqueue(mrNo);
    bool stillOpen = false;
    openAnonymisation(s, [&](TfrmAnonimizaCons &dlg) {
        QTest::mouseClick(dlg.btnArqAnonimiza, Qt::LeftButton);
        clickTool(&dlg, "sbtConfirma");
        stillOpen = dlg.isVisible();
    });
    QVERIFY(stillOpen);
    QCOMPARE(m_dialogs->texts(), QStringList{"Esta operação é irreversível. Deseja anonimizar os dados do consumidor " + consumer(7)
                                             + " - " + ServerFixture::consumerName(7) + "?"});
    QCOMPARE(m_server.target->count("setAnonimizaCons"), 0);
    QCOMPARE(column("SELECT IDANONIMIZADO FROM CONSUMIDOR WHERE CDCLIENTE = '" + ServerFixture::client(1)
                    + "' AND CDCONSUMIDOR = '" + consumer(7) + "'"),
             QString());
}

void tst_ConsumerDialogs::requestIsSentAsReadWhenChosen()
{
    QTemporaryDir dir;
    const QString first = dir.filePath("primeiro.pdf");
    const QString second = dir.filePath("pedido assinado.pdf");
    // Bytes that a text path would mangle: a zero inside and at the end, and bytes above 0x7F.
    const QByteArray document = QByteArrayLiteral("%PDF\0\xff\xfe binary\0");
    for (const QString &p : {first, second}) {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(p == first ? QByteArray("outro") : document);
    }
    m_server.ctx.operador = "000000000042";
    m_server.ctx.nomeOperador = "Operadora Beatriz";
    TfrmConsumidor &s = openConsumer(8);
    m_dialogs->fileNames.enqueue(first);
    m_dialogs->fileNames.enqueue(second);
    int rows = 0;
    openAnonymisation(s, [&](TfrmAnonimizaCons &dlg) {
        QTest::mouseClick(dlg.btnArqAnonimiza, Qt::LeftButton);
        QTest::mouseClick(dlg.btnArqAnonimiza, Qt::LeftButton);
        rows = dlg.cdsAnonimiza.RecordCount();
        // Changed after choosing: what was read when chosen is what goes.
        QFile f(second);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("changed later");
        f.close();
        clickTool(&dlg, "sbtConfirma");
    });
    QVERIFY(rows >= 1);
    QCOMPARE(m_dialogs->lastText(), QString("Operação realizada com sucesso."));
    QCOMPARE(m_server.target->count("setAnonimizaCons"), 1);
    const QString where = " WHERE CDCLIENTE = '" + ServerFixture::client(1) + "' AND CDCONSUMIDOR = '" + consumer(8) + "'";
    QCOMPARE(column("SELECT NMARQANONIMIZA FROM ANONIMIZACONS" + where), QString("pedido assinado.pdf"));
    QCOMPARE(column("SELECT CDOPERADOR FROM ANONIMIZACONS" + where).trimmed(), QString("000000000042"));
    QSqlQuery q(QSqlDatabase::database(TADOIBQuery::defaultConnectionName()));
    QVERIFY(q.exec("SELECT DSARQANONIMIZA FROM ANONIMIZACONS" + where) && q.next());
    QCOMPARE(q.value(0).toByteArray(), document);
    // The screen was reloaded: the consumer shows as anonymised and cannot be anonymised again.
    QVERIFY(s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(8))}));
    QCOMPARE(s.cdsConsumidor.FieldByName(u"IDANONIMIZADO").AsString(), QString("S"));
    QVERIFY(s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString() != ServerFixture::consumerName(8));
    QVERIFY(!s.btnAnonimizaCons->isEnabled());
}

void tst_ConsumerDialogs::serverRefusalKeepsTheDialogAndTheScreen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pedido.jpg");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("jpeg");
    }
    m_server.ctx.operador = "000000000042";
    m_server.ctx.nomeOperador = "Operadora Beatriz";
    TfrmConsumidor &s = openConsumer(9);
    m_dialogs->fileNames.enqueue(path);
    bool stillOpen = false;
    const int loads = m_server.target->count("getPrincipal");
    openAnonymisation(s, [&](TfrmAnonimizaCons &dlg) {
        QTest::mouseClick(dlg.btnArqAnonimiza, Qt::LeftButton);
        // Another workstation anonymised the consumer in the meantime.
        column("UPDATE CONSUMIDOR SET IDANONIMIZADO = 'S' WHERE CDCLIENTE = '" + ServerFixture::client(1)
               + "' AND CDCONSUMIDOR = '" + consumer(9) + "'");
        clickTool(&dlg, "sbtConfirma");
        stillOpen = dlg.isVisible();
    });
    QVERIFY(stillOpen);
    QCOMPARE(m_server.target->count("setAnonimizaCons"), 1);
    QVERIFY(!m_dialogs->texts().contains("Operação realizada com sucesso."));
    QVERIFY(m_dialogs->lastText().contains(consumer(9)));
    QCOMPARE(m_server.target->count("getPrincipal"), loads);
    QCOMPARE(s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString(), ServerFixture::consumerName(9));
}

// ---------------------------------------------------------------------------------------------------
// History

void tst_ConsumerDialogs::historyActionFollowsTheConsumer()
{
    CriaConsumidor();
    m_screen = Cli_cns72200::frmConsumidor;
    QVERIFY(!m_screen->btnHistCons->isEnabled());
    QVERIFY(!m_screen->mnuHistCons->isEnabled());
    QVERIFY(m_screen->mnuOperacoes->actions().contains(m_screen->mnuHistCons));
    TfrmConsumidor &s = openConsumer(6);
    QVERIFY(s.btnHistCons->isEnabled());
    QVERIFY(s.mnuHistCons->isEnabled());
    // A consumer being included has no history yet.
    clickTool(&s, "sbtIncluir");
    QVERIFY(!s.btnHistCons->isEnabled());
    QVERIFY(!s.mnuHistCons->isEnabled());
    clickTool(&s, "sbtCancelar");
    QVERIFY(s.btnHistCons->isEnabled());
}

// The operator renames a consumer on the form, then opens its history from the tool bar: the change
// is first, with who and at which branch; the grid goes to CSV and to the print preview.
void tst_ConsumerDialogs::historyShowsTheChangeNewestFirstExportsAndPrints()
{
    m_server.ctx.operador = "beatriz";
    TfrmConsumidor &s = openConsumer(11);
    clickTool(&s, "sbtAlterar");
    typeInto(static_cast<QLineEdit *>(s.dbeNmCons), "Gabriela Renomeada");
    clickTool(&s, "sbtConfirmar");
    QCOMPARE(m_dialogs->texts(), QStringList());
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    QCOMPARE(m_server.target->count("SetConsumidor"), 1);
    QCOMPARE(m_server.target->origins.last().operador, QString("beatriz"));

    QTemporaryDir dir;
    m_dialogs->fileNames << dir.filePath("historico");
    QStringList firstRow, shownTime; // of the name's entry
    int rows = 0;
    bool previewed = false;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(Cli_cns72212::frmHistCons && Cli_cns72212::frmHistCons->isVisible());
        TfrmHistCons *dlg = Cli_cns72212::frmHistCons;
        rows = dlg->cdsHistCons.rowCount();
        // The name among the fields the save changed (the form also gave defaults to empty flags).
        QVERIFY(dlg->cdsHistCons.Locate("NMCAMPO", {Value("NMCONSUMIDOR")}));
        for (const char *f : {"CDOPERADOR", "CDFILIAL", "NMMETODO", "NMCAMPO", "DSVALORANT", "DSVALORNOVO"})
            firstRow.append(dlg->cdsHistCons.FieldByName(QString::fromLatin1(f)).DisplayText());
        shownTime.append(dlg->cdsHistCons.FieldByName(u"DTHRHISTCONS").DisplayText());
        clickTool(dlg, "sbtExportar");
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget()));
            previewed = true;
            QApplication::activeModalWidget()->close();
        });
        clickTool(dlg, "sbtImprimir");
        dlg->close();
    });
    QTest::mouseClick(s.toolBar()->widgetForAction(s.btnHistCons), Qt::LeftButton);
    QTRY_VERIFY(!Cli_cns72212::frmHistCons);
    QVERIFY(rows >= 1);
    QCOMPARE(firstRow, (QStringList{"beatriz", "0001", "SetConsumidor", "NMCONSUMIDOR", ServerFixture::consumerName(11), "Gabriela Renomeada"}));
    QCOMPARE(shownTime.first().left(10), QDate::currentDate().toString("dd/MM/yyyy"));
    QVERIFY(previewed);

    QFile csv(dir.filePath("historico.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), rows + 1);
    QCOMPARE(lines.at(0), QString("Data/Hora;Operador;Filial;Operação;Tabela;Item;Campo;Valor Anterior;Valor Novo"));
    QCOMPARE(lines.filter(";NMCONSUMIDOR;").size(), 1);
    QCOMPARE(lines.filter(";NMCONSUMIDOR;").first().section(';', 1),
             "beatriz;0001;SetConsumidor;CONSUMIDOR;;NMCONSUMIDOR;" + ServerFixture::consumerName(11) + ";Gabriela Renomeada");
}

QTEST_MAIN(tst_ConsumerDialogs)
#include "tst_ConsumerDialogs.moc"
