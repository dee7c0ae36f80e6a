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
#include "TfrmAnonimizaCons.h"
#include "TfrmAtualizaFilLista.h"
#include "TfrmHistCons.h"
#include "TfrmConsumidor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
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
    void historyOfAnOperatorsRound();

private:
    // Keeps a picture of the screen or dialog when CNS_SCREENSHOT_DIR names a folder.
    static void keep(QWidget *w, const QString &name);
    static QString first(const QString &sql);

    // The screen on the first client of the lookup, shown and active.
    void openOnFirstClient(TfrmConsumidor &s);
    // The history dialog of the screen's current consumer, its rows read by read.
    void readHistory(TfrmConsumidor &s, const std::function<void(TfrmHistCons &)> &read);

    QTemporaryDir m_files;
    QString m_url;
    std::unique_ptr<Dispatcher> m_dispatcher;
    Corvane::SimpleContext m_ctx;
    ScriptedDialogs m_dialogs;
    CountingBusy m_busy;
};

void tst_ConsumerDemo::initTestCase()
{
    const QString url = ServerFixture::createDemo("tst_consumerdemo", m_files.path());
    m_url = url;
    m_dispatcher = ServerFixture::dispatcher(url);
    TNetConnection::setInProcessTarget(m_dispatcher.get());
    DatabaseUrl::parse(url).open(TADOIBQuery::defaultConnectionName());
    m_ctx.filiProc = "0001";
    m_ctx.operador = "SUPERVISOR";
    m_ctx.nomeOperador = "Supervisor do Sistema";
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

void tst_ConsumerDemo::openOnFirstClient(TfrmConsumidor &s)
{
    s.resize(1100, 700);
    s.show();
    s.activateWindow();
    QTRY_VERIFY(s.isActiveWindow());
    // Picked with the lookup, then the client panel left with Tab.
    m_dialogs.rowChoices.enqueue(0);
    QTest::mouseClick(s.btpCliente, Qt::LeftButton);
    QTRY_VERIFY(s.medCdCliente->hasFocus());
    QTest::keyClick(s.medCdCliente, Qt::Key_Tab);
    QTRY_VERIFY(s.cdsConsumidor.Active() && !s.cdsConsumidor.IsEmpty());
}

void tst_ConsumerDemo::readHistory(TfrmConsumidor &s, const std::function<void(TfrmHistCons &)> &read)
{
    QVERIFY(s.btnHistCons->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(Cli_cns72212::frmHistCons && Cli_cns72212::frmHistCons->isVisible());
        read(*Cli_cns72212::frmHistCons);
        seen = true;
        Cli_cns72212::frmHistCons->close();
    });
    QTest::mouseClick(s.toolBar()->widgetForAction(s.btnHistCons), Qt::LeftButton);
    QTRY_VERIFY(!Cli_cns72212::frmHistCons);
    QVERIFY(seen);
}

// An operator changes a consumer's limit and branch and anonymises him; a job imports a file: the
// history tells each change with who and when, and keeps none of the values the anonymisation erased.
void tst_ConsumerDemo::historyOfAnOperatorsRound()
{
    TfrmConsumidor s;
    openOnFirstClient(s);
    s.cdsConsumidor.First(); // a consumer the screen accepts as he is (badge, type, cost centre)
    const QString client = s.cdsCliente.FieldByName(u"CDCLIENTE").AsString();
    const QString consumer = s.cdsConsumidor.FieldByName(u"CDCONSUMIDOR").AsString();
    QStringList personal; // what the anonymisation will erase
    for (const char *f : {"NMCONSUMIDOR", "NRCPFRESPCON", "DSEMAILCONS", "DSENDECONS", "NRTELECONS"}) {
        const QString v = s.cdsConsumidor.FieldByName(QString::fromLatin1(f)).AsString().trimmed();
        if (!v.isEmpty())
            personal << v;
    }
    QVERIFY(personal.size() >= 2);
    const auto showTab = [&](QWidget *tab) {
        QTabBar *bar = s.pgcPadrao->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(s.pgcPadrao->indexOf(tab)).center());
    };
    const auto run = [&](QAction *a) {
        const int shown = m_dialogs.shown.size();
        a->trigger();
        for (int i = shown; i < m_dialogs.shown.size(); ++i)
            QVERIFY2(m_dialogs.shown.at(i).type == MsgType::Confirmation, qPrintable(m_dialogs.shown.at(i).text));
    };

    // The debit blocking level.
    showTab(s.tshSaldo);
    if (!s.cbbVerifSaldoCons->isChecked())
        QTest::mouseClick(s.cbbVerifSaldoCons, Qt::LeftButton, {}, QPoint(6, s.cbbVerifSaldoCons->height() / 2));
    auto *limit = s.findChild<DBNumericEdit *>("nedVRLIMDEBCONS");
    limit->setFocus();
    limit->selectAll();
    QTest::keyClicks(limit, "77,25");
    run(s.actConfirmar);
    // A branch link: the client's first branch added, or removed when he has it.
    showTab(s.tshFilial);
    const QString branch = first("SELECT MIN(CDFILIAL) FROM CLIENFILIAL WHERE CDCLIENTE = '" + client + "'");
    if (s.cdsConsFilial.Locate("CDFILIAL", {Value(branch)})) {
        s.dbgConsFilial->setFocus();
        m_dialogs.answers.enqueue(mrYes);
        run(s.actExcluir);
    } else {
        run(s.actIncluir);
        m_dialogs.rowChoices.enqueue(0);
        GridInput::clickCellButton(s.dbgConsFilial, "CDFILIAL");
        run(s.actConfirmar);
    }
    showTab(s.tshPadrao);
    // The anonymisation, with the consumer's written request.
    const QString request = m_files.filePath("pedido.pdf");
    {
        QFile f(request);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("%PDF pedido de anonimização");
    }
    m_dialogs.fileNames.enqueue(request);
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(Cli_cns72211::frmAnonimizaCons && Cli_cns72211::frmAnonimizaCons->isVisible());
        QPointer<TfrmAnonimizaCons> dlg = Cli_cns72211::frmAnonimizaCons;
        QTest::mouseClick(dlg->btnArqAnonimiza, Qt::LeftButton);
        dlg->actConfirma->trigger();
        if (dlg && dlg->isVisible())
            dlg->close();
    });
    s.btnAnonimizaCons->trigger();
    QTRY_VERIFY(!Cli_cns72211::frmAnonimizaCons);
    QCOMPARE(first("SELECT IDANONIMIZADO FROM CONSUMIDOR WHERE CDCLIENTE = '" + client + "' AND CDCONSUMIDOR = '" + consumer + "'"),
             QString("S"));

    // The screen shows the consumer as he is now (this screen was not opened through its entry point,
    // whose screen the dialog refreshes: the operator refreshes it).
    s.actVerificar->trigger();
    QVERIFY(s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer)}));
    QVERIFY(!personal.contains(s.cdsConsumidor.FieldByName(u"NMCONSUMIDOR").AsString().trimmed()));
    QStringList fields, methods;
    readHistory(s, [&](TfrmHistCons &h) {
        keep(&h, "historico");
        QVERIFY(h.cdsHistCons.rowCount() >= 3);
        for (h.cdsHistCons.First(); !h.cdsHistCons.Eof(); h.cdsHistCons.Next()) {
            const auto text = [&](const char *f) { return h.cdsHistCons.FieldByName(QString::fromLatin1(f)).DisplayText(); };
            fields << text("NMCAMPO");
            methods << text("NMMETODO");
            QCOMPARE(text("CDOPERADOR"), QString("SUPERVISOR"));
            QVERIFY(!text("DTHRHISTCONS").isEmpty());
            for (const QString &erased : personal) {
                QVERIFY2(!text("DSVALORANT").contains(erased), qPrintable(erased));
                QVERIFY2(!text("DSVALORNOVO").contains(erased), qPrintable(erased));
            }
        }
    });
    QVERIFY(fields.contains("VRLIMDEBCONS"));
    QVERIFY(fields.contains("CDFILIAL"));
    QVERIFY(methods.contains("setAnonimizaCons"));
    // Newest first: the anonymisation before the limit.
    QVERIFY(methods.indexOf("setAnonimizaCons") < methods.indexOf("SetConsumidor"));

    // A job imports the delimited sample file; its consumers' history names the job's operator.
    QProcess job;
    job.start(CNS_IMPORT_BIN, {"--db", m_url, "--branch", "0002", "--layout", "2", "--client-from-file", "--confirm", "--operator",
                               "importador", "--file", m_files.filePath("consumidores_delimitado.txt")});
    QVERIFY(job.waitForFinished(120000));
    QVERIFY2(job.exitCode() == 0, job.readAllStandardError().constData());
    // A consumer the job included or changed.
    QString imported = first("SELECT H.CDCLIENTE || '|' || H.CDCONSUMIDOR FROM HISTCONSUMIDOR H WHERE H.NMMETODO = 'setConsumidor' "
                             "AND H.CDOPERADOR = 'importador' AND H.CDCONSUMIDOR IS NOT NULL");
    if (imported.isEmpty())
        imported = first("SELECT L.CDCLIENTE || '|' || L.CDCONSUMIDOR FROM HISTCONSUMIDOR H JOIN HISTCONSLOTE L "
                         "ON L.NRHISTCONS = H.NRHISTCONS WHERE H.NMMETODO = 'setConsumidor' AND H.CDOPERADOR = 'importador'");
    QVERIFY2(!imported.isEmpty(), job.readAllStandardOutput().constData());
    const QString importedClient = imported.section('|', 0, 0);
    const QString importedConsumer = imported.section('|', 1);
    const QString number = first("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = '" + importedClient + "'");
    TfrmConsumidor other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(other.isActiveWindow());
    other.medCdCliente->setFocus();
    QTest::keyClicks(other.medCdCliente, number);
    QTest::keyClick(other.medCdCliente, Qt::Key_Tab);
    QTRY_VERIFY(other.cdsConsumidor.Active() && !other.cdsConsumidor.IsEmpty());
    QVERIFY(other.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(importedConsumer)}));
    readHistory(other, [&](TfrmHistCons &h) {
        QVERIFY(h.cdsHistCons.Locate("NMMETODO", {Value(QStringLiteral("setConsumidor"))}));
        QCOMPARE(h.cdsHistCons.FieldByName(u"CDOPERADOR").DisplayText(), QString("importador"));
        keep(&h, "historico-importado");
    });
}

QTEST_MAIN(tst_ConsumerDemo)
#include "tst_ConsumerDemo.moc"
