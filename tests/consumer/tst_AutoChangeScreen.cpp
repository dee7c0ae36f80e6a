#include "Corvane.h"
#include "CountingBusy.h"
#include "DatabaseUrl.h"
#include "EntryPoints.h"
#include "RecordingTarget.h"
#include "ScreenServer.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "TfrmCadAutCons.h"
#include "TfrmConsumidor.h"
#include "HandlerGuard.h"
#include "MaskEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QMenu>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

#include <functional>

using namespace cns;
using ServerFixture::client;

namespace {

const QString kNoGroup = "Nenhuma alteração foi realizada.";
const QString kHabOpcao = "Operação bloqueada. Para habilitar este campo, apenas um cliente deve ser selecionado";
const QString kInvalid = "Valor inválido! Favor digitar um valor válido.";
const QString kDone = "Cadastro realizado com sucesso.";
const QString kConfirm = "Confirma alteração ?";

// Argument positions of AlteraConsumidor.
enum Arg { CreditWarning = 2, DebitBlocking = 6, Verification = 8, Clients = 9, SaleType = 17, SaleFlag = 20, Branch = 25 };

// On the indicator: a stretched check box or radio button takes clicks only there and on its text.
void click(QAbstractButton *b)
{
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

void confirm(QWidget *dlg)
{
    auto *b = dlg->findChild<QToolButton *>(QStringLiteral("sbtConfirma"));
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void leave(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Tab);
}

void allFiltersOnTodos(TfrmCadAutCons &d)
{
    for (QRadioButton *r : {d.rbtTodosCliente, d.rbtTodosCentro, d.rbtTodosTipoCons, d.rbtTodosCons})
        click(r);
}

} // namespace

class tst_AutoChangeScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void checksRunInTheirOrderAndSendNothing();
    void costCentreGroupNeedsExactlyOneClient();
    void costCentreGroupIsRefusedForTwoClients();
    void limitsAreNormalisedAtConfirm_data();
    void limitsAreNormalisedAtConfirm();
    void secondCommaIsDroppedAndLeftLimitsShowTwoDecimals();
    void onlySaleTypeWithAllFiltersOnTodos();
    void verificationNoSendsTheDisabledLimits();
    void answeringNoSendsNothing();
    void pickedConsumersAreChangedOnTheServer();
    void consumerScreenShowsTheChangeFromItsPopup();

private:
    // Opens the screen through its entry point and lets operate drive it; closes it if still up.
    void run(const std::function<void(TfrmCadAutCons &)> &operate);
    static QString column(const QString &sql) { return ScreenServer::column(sql); }

    ScreenServer m_server;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
};

void tst_AutoChangeScreen::initTestCase()
{
    m_server.start("tst_autochangescreen");
}

void tst_AutoChangeScreen::init()
{
    m_dialogs.reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_server.target->calls.clear();
}

void tst_AutoChangeScreen::run(const std::function<void(TfrmCadAutCons &)> &operate)
{
    QTimer::singleShot(0, [operate] {
        QTRY_VERIFY(Cli_cns72207::frmCadAutCons && Cli_cns72207::frmCadAutCons->isVisible());
        // The operator starts once the screen is up: its first activation clears the selections.
        QTRY_VERIFY(!Cli_cns72207::boPrimVez);
        QPointer<TfrmCadAutCons> dlg = Cli_cns72207::frmCadAutCons;
        // Leaving a field is followed through the focus of the active window.
        dlg->activateWindow();
        QTRY_VERIFY(dlg->isActiveWindow());
        operate(*dlg);
        if (dlg && dlg->isVisible())
            dlg->close();
    });
    CriaCadAutoCons();
    QTRY_VERIFY(!Cli_cns72207::frmCadAutCons);
    QVERIFY(!Cli_cns72207::boIdCriado);
}

void tst_AutoChangeScreen::checksRunInTheirOrderAndSendNothing()
{
    // Picks left by an earlier screen must not count as this one's.
    Cli_cns72207::stCentro = "_x_";
    QStringList seen;
    run([&](TfrmCadAutCons &d) {
        const auto step = [&](const std::function<void()> &fix) {
            confirm(&d);
            seen << m_dialogs->lastText();
            fix();
        };
        step([&] { click(d.rbtTodosCentro); });
        step([&] { click(d.rbtTodosCliente); });
        step([&] { click(d.rbtTodosTipoCons); });
        step([&] { click(d.rbtTodosCons); click(d.ckcVerSaldo); });
        step([&] { click(d.rdbNao); click(d.ckbTipoVenda); });
        step([&] { QTest::keyClicks(d.dbcTipoVenda, "3"); click(d.ckcTipCons); });
        step([&] {
            for (QCheckBox *b : {d.ckcVerSaldo, d.ckbTipoVenda, d.ckcTipCons})
                click(b);
        });
        confirm(&d);
        seen << m_dialogs->lastText();
    });
    QCOMPARE(seen, (QStringList{"Centro de Custo deve ser informado.", "Cliente deve ser informado.",
                                "Tipo de Consumidor deve ser informado.", "Consumidor deve ser informado.",
                                "Verifica Saldo na Venda deve ser informado.", "Tipo de Venda não selecionado. ",
                                "Tipo de Consumidor deve ser informado.", kNoGroup}));
    QVERIFY(!m_dialogs->texts().contains(kConfirm));
    QCOMPARE(m_server.target->count("AlteraConsumidor"), 0);
}

void tst_AutoChangeScreen::costCentreGroupNeedsExactlyOneClient()
{
    QList<bool> ticked;
    QStringList names;
    m_dialogs->listChoices.enqueue({0});
    run([&](TfrmCadAutCons &d) {
        const auto tick = [&] {
            click(d.ckcCentroCusto);
            ticked << (d.ckcCentroCusto->isChecked() && d.medCdCentroCusto->isEnabled());
        };
        tick(); // nothing picked
        click(d.btnCliente);
        tick(); // one client
        typeInto(d.medCdCentroCusto, "1");
        leave(d.medCdCentroCusto);
        names << d.medCdCentroCusto->text() << d.edtNmCentroCusto->text();
        typeInto(d.medCdCentroCusto, "77");
        leave(d.medCdCentroCusto);
        names << d.medCdCentroCusto->text();
        // All clients take the group away, code and all.
        d.medCdCentroCusto->setFocus();
        typeInto(d.medCdCentroCusto, "1");
        leave(d.medCdCentroCusto);
        click(d.rbtTodosCliente);
        ticked << d.ckcCentroCusto->isChecked();
        names << d.medCdCentroCusto->text() << d.edtNmCentroCusto->text();
        tick(); // all clients
    });
    QCOMPARE(ticked, (QList<bool>{false, true, false, false}));
    QCOMPARE(names.at(0), QString("0000000001"));
    QVERIFY(!names.at(1).isEmpty());
    QCOMPARE(names.at(2), QString());
    QCOMPARE(names.at(3), QString());
    QCOMPARE(names.at(4), QString());
    QCOMPARE(m_dialogs->texts(), (QStringList{kHabOpcao, "Centro de Custo não cadastrado.", kHabOpcao}));
}

void tst_AutoChangeScreen::costCentreGroupIsRefusedForTwoClients()
{
    // Branch 0002 offers clients 1 and 2.
    m_server.ctx.filiProc = "0002";
    const auto restore = qScopeGuard([this] { m_server.ctx.filiProc = "0001"; });
    m_dialogs->listChoices.enqueue({0, 1});
    bool ticked = true, enabled = true;
    QString picked;
    run([&](TfrmCadAutCons &d) {
        click(d.btnCliente);
        picked = Cli_cns72207::stCliente;
        click(d.ckcCentroCusto);
        ticked = d.ckcCentroCusto->isChecked();
        enabled = d.medCdCentroCusto->isEnabled();
    });
    QCOMPARE(picked, "_" + client(1) + "_" + client(2) + "_");
    QVERIFY(!ticked);
    QVERIFY(!enabled);
    QCOMPARE(m_dialogs->texts(), QStringList{kHabOpcao});
}

void tst_AutoChangeScreen::limitsAreNormalisedAtConfirm_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("sent");
    QTest::newRow("three decimals are cut") << "12,567" << "12,56" << 12.56;
    QTest::newRow("no decimals") << "12" << "12,00" << 12.0;
    QTest::newRow("nothing after the comma") << "12," << "12,00" << 12.0;
}

void tst_AutoChangeScreen::limitsAreNormalisedAtConfirm()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(double, sent);
    QString after;
    run([&](TfrmCadAutCons &d) {
        allFiltersOnTodos(d);
        click(d.ckcVerSaldo);
        click(d.rdbSim);
        typeInto(d.edtVRAVICREDCONS, typed);
        confirm(&d); // the edit is never left
        after = d.edtVRAVICREDCONS->text();
    });
    QCOMPARE(after, shown);
    QCOMPARE(m_server.target->count("AlteraConsumidor"), 1);
    QCOMPARE(m_server.target->lastArgs("AlteraConsumidor").at(CreditWarning).toDouble(), sent);
}

void tst_AutoChangeScreen::secondCommaIsDroppedAndLeftLimitsShowTwoDecimals()
{
    QStringList texts;
    run([&](TfrmCadAutCons &d) {
        allFiltersOnTodos(d);
        click(d.ckcVerSaldo);
        click(d.rdbSim);
        typeInto(d.edtVRLIMDEBCONS, "12,5,1");
        texts << d.edtVRLIMDEBCONS->text();
        d.edtVRMAXDEBCONS->setFocus();
        texts << d.edtVRLIMDEBCONS->text();
        // A point is no decimal mark here: refused at confirm, nothing sent.
        typeInto(d.edtVRMAXDEBCONS, "12.5");
        confirm(&d);
    });
    QCOMPARE(texts, (QStringList{"12,51", "12,51"}));
    QCOMPARE(m_dialogs->texts(), (QStringList{kConfirm, kInvalid}));
    QCOMPARE(m_server.target->count("AlteraConsumidor"), 0);
}

void tst_AutoChangeScreen::onlySaleTypeWithAllFiltersOnTodos()
{
    run([&](TfrmCadAutCons &d) {
        allFiltersOnTodos(d);
        click(d.ckbTipoVenda);
        QTest::keyClicks(d.dbcTipoVenda, "3");
        confirm(&d);
    });
    QCOMPARE(m_dialogs->texts(), (QStringList{kConfirm, kDone}));
    const QList<Value> a = m_server.target->lastArgs("AlteraConsumidor");
    QCOMPARE(a.size(), 26);
    QCOMPARE(a.at(SaleType).toString(), QString("3"));
    QCOMPARE(a.at(SaleFlag).toBool(), true);
    for (int i = SaleFlag + 1; i < Branch; ++i)
        QCOMPARE(a.at(i).toBool(), false);
    QCOMPARE(a.at(Verification).toString(), QString());
    for (int i = CreditWarning; i < CreditWarning + 6; ++i)
        QVERIFY(a.at(i).isNull());
    for (int i = Clients; i < SaleType; i += 2) {
        QCOMPARE(a.at(i).toString(), QString());
        QCOMPARE(a.at(i + 1).toString(), QString("T"));
    }
    QCOMPARE(a.at(Branch).toString(), QString("T"));
    QCOMPARE(column("SELECT COUNT(*) FROM CONSUMIDOR WHERE IDTPVENDACONS <> '3' OR IDTPVENDACONS IS NULL"), QString("0"));
}

void tst_AutoChangeScreen::verificationNoSendsTheDisabledLimits()
{
    bool limitEnabled = true;
    run([&](TfrmCadAutCons &d) {
        allFiltersOnTodos(d);
        click(d.ckcVerSaldo);
        click(d.rdbSim);
        typeInto(d.edtVRLIMDEBCONS, "5");
        click(d.rdbNao);
        limitEnabled = d.edtVRLIMDEBCONS->isEnabled();
        confirm(&d);
    });
    QVERIFY(!limitEnabled);
    const QList<Value> a = m_server.target->lastArgs("AlteraConsumidor");
    QCOMPARE(a.at(Verification).toString(), QString("N"));
    QCOMPARE(a.at(SaleFlag + 2).toBool(), true);
    QCOMPARE(a.at(DebitBlocking).toDouble(), 5.0);
}

void tst_AutoChangeScreen::answeringNoSendsNothing()
{
    m_dialogs->answers.enqueue(mrNo);
    bool stillOpen = false;
    run([&](TfrmCadAutCons &d) {
        allFiltersOnTodos(d);
        click(d.ckbSaldo);
        confirm(&d);
        stillOpen = d.isVisible();
    });
    QVERIFY(stillOpen);
    QCOMPARE(m_dialogs->texts(), QStringList{kConfirm});
    QCOMPARE(m_server.target->count("AlteraConsumidor"), 0);
}

void tst_AutoChangeScreen::pickedConsumersAreChangedOnTheServer()
{
    const auto saleTypeOf = [this](const QString &code) {
        return column("SELECT COALESCE(IDTPVENDACONS, '') FROM CONSUMIDOR WHERE CDCONSUMIDOR = '" + code
                      + "' AND CDCLIENTE = '" + client(1) + "'");
    };
    QStringList picked;
    QString other, otherBefore;
    m_dialogs->listChoices.enqueue({0});    // client 1
    m_dialogs->listChoices.enqueue({0, 2}); // two of its consumers
    bool closed = false;
    run([&](TfrmCadAutCons &d) {
        click(d.btnCliente);
        click(d.rbtTodosCentro);
        click(d.rbtTodosTipoCons);
        click(d.btnConsumidor);
        for (int row : {1, 3, 2}) {
            d.cdsConsumidor.setRecNo(row);
            (row == 2 ? other : picked.emplaceBack()) = d.cdsConsumidor.FieldByName(u"CDCONSUMIDOR").AsString();
        }
        otherBefore = saleTypeOf(other);
        click(d.ckbTipoVenda);
        QTest::keyClicks(d.dbcTipoVenda, "5");
        click(d.ckcTipCons);
        typeInto(d.medCdTipConsumid, "2");
        // The code takes digits only, Tab included: the operator leaves it with the mouse.
        QTest::mouseClick(d.edtNmTipConsumid, Qt::LeftButton);
        QPointer<TfrmCadAutCons> alive(&d);
        confirm(&d);
        closed = !alive || !alive->isVisible();
    });
    QCOMPARE(m_dialogs->lastText(), kDone);
    QVERIFY(closed);
    QCOMPARE(m_server.target->lastArgs("AlteraConsumidor").at(Clients).toString(), "_" + client(1) + "_");
    for (const QString &code : picked) {
        QCOMPARE(saleTypeOf(code), QString("5"));
        QCOMPARE(column("SELECT CDTIPOCONS FROM CONSUMIDOR WHERE CDCONSUMIDOR = '" + code + "' AND CDCLIENTE = '"
                        + client(1) + "'"),
                 QString("02"));
    }
    QVERIFY(otherBefore != "5");
    QCOMPARE(saleTypeOf(other), otherBefore);
}

void tst_AutoChangeScreen::consumerScreenShowsTheChangeFromItsPopup()
{
    CriaConsumidor();
    QPointer<TfrmConsumidor> s = Cli_cns72200::frmConsumidor;
    const auto release = qScopeGuard([&s] { delete s.data(); });
    s->medCdCliente->setText("11222333000181");
    cns::ui::HandlerGuard::run([&s] {
        s->medCdClienteExit();
        s->panClienteExit();
    });
    QVERIFY(!s->cdsConsumidor.IsEmpty());
    const QString shownClient = s->cdsConsumidor.FieldByName(u"CDCLIENTE").AsString();
    m_dialogs->listChoices.enqueue({0});
    QTimer::singleShot(0, [this, shownClient] {
        QTRY_VERIFY(Cli_cns72207::frmCadAutCons && Cli_cns72207::frmCadAutCons->isVisible());
        QTRY_VERIFY(!Cli_cns72207::boPrimVez);
        QPointer<TfrmCadAutCons> dlg = Cli_cns72207::frmCadAutCons;
        [&] {
            TfrmCadAutCons &d = *dlg;
            click(d.btnCliente);
            QCOMPARE(Cli_cns72207::stCliente, "_" + shownClient + "_");
            for (QRadioButton *r : {d.rbtTodosCentro, d.rbtTodosTipoCons, d.rbtTodosCons})
                click(r);
            click(d.ckbTipoVenda);
            QTest::keyClicks(d.dbcTipoVenda, "6");
            confirm(&d);
        }();
        if (dlg && dlg->isVisible())
            dlg->close();
    });
    QVERIFY(s->btnCadAutCons->isEnabled());
    s->btnCadAutCons->trigger();
    QTRY_VERIFY(s->pmnCad->isVisible());
    QTest::mouseClick(s->pmnCad, Qt::LeftButton, {}, s->pmnCad->actionGeometry(s->mnuCadastroAutCons).center());
    QVERIFY(!Cli_cns72207::frmCadAutCons);
    QCOMPARE(m_dialogs->lastText(), kDone);
    // Reloaded: every consumer the screen shows carries the new sale type.
    for (s->cdsConsumidor.First(); !s->cdsConsumidor.Eof(); s->cdsConsumidor.Next())
        QCOMPARE(s->cdsConsumidor.FieldByName(u"IDTPVENDACONS").AsString(), QString("6"));
}

QTEST_MAIN(tst_AutoChangeScreen)
#include "tst_AutoChangeScreen.moc"
