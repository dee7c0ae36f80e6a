#include "Corvane.h"
#include "CountingBusy.h"
#include "DBEdit.h"
#include "DBNumericEdit.h"
#include "Dispatcher.h"
#include "GridInput.h"
#include "HandlerGuard.h"
#include "MaskEdit.h"
#include "ServerFixture.h"
#include "ScriptedDialogs.h"
#include "TADOIBQuery.h"
#include "TBtnPesquisa.h"
#include "TNetConnection.h"
#include "TfrmAtualizaFilLista.h"
#include "TfrmConsumidor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace cns;
using namespace cns::ui;

// The consumer screen over the demonstration data (its small form): every client can be chosen and
// loaded, and a consumer of the big client goes through insert, alter and delete with the demo's
// types, cost centres and badges.
class tst_ConsumerDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyClientLoads();
    void insertAlterDeleteOnTheBigClient();
    void detailTabsAndBranchUpdates();

private:
    // Keeps a picture of the screen or dialog when CNS_SCREENSHOT_DIR names a folder.
    static void keep(QWidget *w, const QString &name);
    static QString first(const QString &sql);

    std::unique_ptr<Dispatcher> m_dispatcher;
    Corvane::SimpleContext m_ctx;
    ScriptedDialogs m_dialogs;
    CountingBusy m_busy;
};

void tst_ConsumerDemo::initTestCase()
{
    const QString url = ServerFixture::createDemo("tst_consumerdemo");
    m_dispatcher = ServerFixture::dispatcher(url);
    TNetConnection::setInProcessTarget(m_dispatcher.get());
    DatabaseUrl::parse(url).open(TADOIBQuery::defaultConnectionName());
    m_ctx.filiProc = "0001";
    m_ctx.chaveInstalacao = "demo";
    Corvane::install(&m_ctx);
}

void tst_ConsumerDemo::everyClientLoads()
{
    TfrmConsumidor s;
    s.show();
    m_dialogs.rowChoices.enqueue(0);
    QVERIFY(s.btpCliente->Pesquisar());
    const int clients = s.cdsClientePesq.RecordCount();
    QVERIFY(clients >= 40);
    int withConsumers = 0;
    for (int i = 0; i < clients; ++i) {
        m_dialogs.rowChoices.enqueue(i);
        const int shown = m_dialogs.shown.size();
        QVERIFY(HandlerGuard::run([&] {
            s.panClienteEnter();
            s.btpCliente->Pesquisar();
            s.medCdClienteExit();
            s.panClienteExit();
        }));
        QCOMPARE(m_dialogs.shown.size(), shown); // no message for any client
        QCOMPARE(s.cdsCliente.FieldByName(u"CDCLIENTE").AsString(), s.cdsClientePesq.FieldByName(u"CDCLIENTE").AsString());
        QCOMPARE(s.cdsConsumidor.RecordCount(), s.totalConsumers());
        withConsumers += s.cdsConsumidor.RecordCount() > 0;
    }
    QVERIFY(withConsumers >= clients - 2);
}

void tst_ConsumerDemo::insertAlterDeleteOnTheBigClient()
{
    TfrmConsumidor s;
    s.show();
    m_dialogs.rowChoices.enqueue(0);
    QVERIFY(HandlerGuard::run([&] {
        s.btpCliente->Pesquisar();
        s.medCdClienteExit();
        s.panClienteExit();
    }));
    const int before = s.cdsConsumidor.RecordCount();
    QVERIFY(before > 0);
    QVERIFY(HandlerGuard::run([&] { s.sbtIncluirClick(); }));
    DataSet &c = s.cdsConsumidor;
    c.FieldByName(u"CDCONSUMIDOR").setAsString("DEMO1");
    c.FieldByName(u"NMCONSUMIDOR").setAsString("Consumidor de Demonstração");
    c.FieldByName(u"CDIDCONSUMID").setAsString("DEMO-0001");
    // The first type and cost centre the lookups offer.
    m_dialogs.rowChoices.enqueue(0);
    QVERIFY(s.btnTipoCons->Pesquisar());
    m_dialogs.rowChoices.enqueue(0);
    QVERIFY(s.btnCentroCusto->Pesquisar());
    QVERIFY2(HandlerGuard::run([&] { s.sbtConfirmarClick(); }), qPrintable(m_dialogs.lastText()));
    QCOMPARE(c.RecordCount(), before + 1);
    QVERIFY(c.Locate("CDCONSUMIDOR", {Value(QString("0000000000000000DEMO1"))}));
    QVERIFY(HandlerGuard::run([&] { s.sbtAlterarClick(); }));
    c.FieldByName(u"NMCONSUMIDOR").setAsString("Consumidor Alterado");
    QVERIFY2(HandlerGuard::run([&] { s.sbtConfirmarClick(); }), qPrintable(m_dialogs.lastText()));
    QVERIFY(HandlerGuard::run([&] { s.sbtVerificarClick(); }));
    QVERIFY(c.Locate("CDCONSUMIDOR", {Value(QString("0000000000000000DEMO1"))}));
    QCOMPARE(c.FieldByName(u"NMCONSUMIDOR").AsString(), QString("Consumidor Alterado"));
    m_dialogs.answers.enqueue(mrYes);
    QVERIFY(HandlerGuard::run([&] { s.sbtExcluirClick(); }));
    QCOMPARE(c.RecordCount(), before);
}

void tst_ConsumerDemo::keep(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("CNS_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QApplication::processEvents();
    QVERIFY(w->grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

QString tst_ConsumerDemo::first(const QString &sql)
{
    QSqlQuery q(QSqlDatabase::database(TADOIBQuery::defaultConnectionName()));
    return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
}

// An operator's round on the demo: a further address added with the location lookups, a branch
// link removed and added again, both bulk branch updates, and the balance tab edited.
void tst_ConsumerDemo::detailTabsAndBranchUpdates()
{
    using GridInput::clickCellButton;
    using GridInput::typeInCell;
    TfrmConsumidor s;
    s.resize(1100, 700);
    s.show();
    s.activateWindow();
    QTRY_VERIFY(s.isActiveWindow());
    m_dialogs.rowChoices.enqueue(0);
    QVERIFY(HandlerGuard::run([&] {
        s.btpCliente->Pesquisar();
        s.medCdClienteExit();
        s.panClienteExit();
    }));
    const QString client = s.cdsCliente.FieldByName(u"CDCLIENTE").AsString();
    const QString consumer = s.cdsConsumidor.FieldByName(u"CDCONSUMIDOR").AsString();
    const QString ofConsumer = " WHERE CDCLIENTE = '" + client + "' AND CDCONSUMIDOR = '" + consumer + "'";
    const auto showTab = [&](QWidget *tab) {
        QTabBar *bar = s.pgcPadrao->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(s.pgcPadrao->indexOf(tab)).center());
        QCOMPARE(s.pgcPadrao->currentWidget(), tab);
    };
    const auto run = [&](QAction *a) {
        const int shown = m_dialogs.shown.size();
        a->trigger();
        for (int i = shown; i < m_dialogs.shown.size(); ++i)
            QVERIFY2(m_dialogs.shown.at(i).type == MsgType::Confirmation, qPrintable(m_dialogs.shown.at(i).text));
    };

    // A further address, its location chosen level by level.
    showTab(s.tshOutrEnde);
    const int addresses = first("SELECT COUNT(*) FROM ENDECONS" + ofConsumer).toInt();
    run(s.actIncluir);
    typeInCell(s.dbgEndeCons, "DSENDECONS", "Rua das Acacias");
    typeInCell(s.dbgEndeCons, "NRENDECONS", "120");
    // The location of the consumer's main address, picked where each lookup lists it.
    const auto main = [&](const QString &field) { return first("SELECT " + field + " FROM CONSUMIDOR" + ofConsumer); };
    const QString pais = main("CDPAIS"), estado = main("SGESTADO"), municipio = main("CDMUNICIPIO");
    const QList<QPair<QString, QString>> levels = {
        {"CDPAIS", "SELECT COUNT(*) FROM PAIS WHERE CDPAIS < '" + pais + "'"},
        {"SGESTADO", "SELECT COUNT(*) FROM ESTADO WHERE CDPAIS = '" + pais + "' AND SGESTADO < '" + estado + "'"},
        {"CDMUNICIPIO", "SELECT COUNT(*) FROM MUNICIPIO WHERE CDPAIS = '" + pais + "' AND SGESTADO = '" + estado
                            + "' AND CDMUNICIPIO < '" + municipio + "'"},
        {"CDBAIRRO", "SELECT 0"}};
    for (const auto &[column, position] : levels) {
        m_dialogs.rowChoices.enqueue(first(position).toInt());
        clickCellButton(s.dbgEndeCons, column);
        QVERIFY2(!s.cdsEndeCons.FieldByName(column).AsString().isEmpty(), qPrintable(column));
    }
    QCOMPARE(s.cdsEndeCons.FieldByName(u"CDMUNICIPIO").AsString(), municipio);
    run(s.actConfirmar);
    QCOMPARE(first("SELECT COUNT(*) FROM ENDECONS" + ofConsumer).toInt(), addresses + 1);
    keep(&s, "outros-enderecos");

    // A branch link added through the lookup, removed, and added again.
    showTab(s.tshFilial);
    const QString branch = first("SELECT MIN(CDFILIAL) FROM CLIENFILIAL WHERE CDCLIENTE = '" + client + "'");
    const QString linked = "SELECT COUNT(*) FROM CONSUMIFILIAL" + ofConsumer + " AND CDFILIAL = '" + branch + "'";
    const auto addFirstBranch = [&] {
        run(s.actIncluir);
        m_dialogs.rowChoices.enqueue(0);
        clickCellButton(s.dbgConsFilial, "CDFILIAL");
        run(s.actConfirmar);
    };
    if (first(linked) == u"0")
        addFirstBranch();
    QCOMPARE(first(linked), QString("1"));
    QVERIFY(s.cdsConsFilial.Locate("CDFILIAL", {Value(branch)}));
    s.dbgConsFilial->setFocus();
    m_dialogs.answers.enqueue(mrYes);
    run(s.actExcluir);
    QCOMPARE(first(linked), QString("0"));
    addFirstBranch();
    QCOMPARE(first(linked), QString("1"));
    keep(&s, "filiais-associadas");

    // Both bulk updates, confirmed.
    m_dialogs.answers.enqueue(mrYes);
    run(s.mnuAtualizaFilialLogada);
    QTimer::singleShot(0, [] {
        TfrmAtualizaFilLista *dialog = nullptr;
        QTRY_VERIFY((dialog = qobject_cast<TfrmAtualizaFilLista *>(QApplication::activeModalWidget())));
        QTest::mouseClick(dialog->rbtTodos, Qt::LeftButton);
        keep(dialog, "atualizar-lista-de-filiais");
        dialog->actConfirma->trigger();
    });
    m_dialogs.answers.enqueue(mrYes);
    run(s.mnuAtualizarListaFiliais);
    QCOMPARE(first("SELECT COUNT(*) FROM CONSUMIDOR C WHERE C.CDCLIENTE = '" + client + "' AND C.IDSITCONSUMI = '1' AND NOT EXISTS "
                   "(SELECT 1 FROM CONSUMIFILIAL F WHERE F.CDCLIENTE = C.CDCLIENTE AND F.CDCONSUMIDOR = C.CDCONSUMIDOR AND F.CDFILIAL = '0001')"),
             QString("0"));

    // The balance: verification on and a daily maximum typed.
    showTab(s.tshSaldo);
    if (!s.cbbVerifSaldoCons->isChecked())
        QTest::mouseClick(s.cbbVerifSaldoCons, Qt::LeftButton, {}, QPoint(6, s.cbbVerifSaldoCons->height() / 2));
    auto *daily = s.findChild<DBNumericEdit *>("nedVRMAXDEBCONS");
    QVERIFY(daily->isEnabled());
    daily->setFocus();
    daily->selectAll();
    QTest::keyClicks(daily, "35,5");
    run(s.actConfirmar);
    QCOMPARE(first("SELECT VRMAXDEBCONS FROM CONSUMIDOR" + ofConsumer).toDouble(), 35.5);
    QCOMPARE(first("SELECT IDVERSALDCON FROM CONSUMIDOR" + ofConsumer), QString("S"));
    keep(&s, "saldo");
}

QTEST_MAIN(tst_ConsumerDemo)
#include "tst_ConsumerDemo.moc"
