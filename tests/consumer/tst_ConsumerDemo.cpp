#include "Corvane.h"
#include "CountingBusy.h"
#include "DBEdit.h"
#include "DbSession.h"
#include "DemoData.h"
#include "Dispatcher.h"
#include "HandlerGuard.h"
#include "MaskEdit.h"
#include "Schema.h"
#include "ScriptedDialogs.h"
#include "TADOIBQuery.h"
#include "TBtnPesquisa.h"
#include "TNetConnection.h"
#include "TestDatabases.h"
#include "TfrmConsumidor.h"

#include <QTest>

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

private:
    std::unique_ptr<Dispatcher> m_dispatcher;
    Corvane::SimpleContext m_ctx;
    ScriptedDialogs m_dialogs;
    CountingBusy m_busy;
};

void tst_ConsumerDemo::initTestCase()
{
    const QString url = TestDatabases::freshSqlite("tst_consumerdemo");
    DbSession &s = DbSession::forThread(DatabaseUrl::parse(url));
    Schema::createOrUpgrade(s.db());
    DemoData::Options options;
    options.small = true;
    DemoData::seed(s.db(), options);
    m_dispatcher = Dispatcher::standard(DatabaseUrl::parse(url));
    m_dispatcher->setLogSink(nullptr);
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

QTEST_MAIN(tst_ConsumerDemo)
#include "tst_ConsumerDemo.moc"
