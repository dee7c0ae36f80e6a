#include "Corvane.h"
#include "CountingBusy.h"
#include "DatabaseUrl.h"
#include "DbSession.h"
#include "Dispatcher.h"
#include "EntryPoints.h"
#include "HandlerGuard.h"
#include "MaskEdit.h"
#include "RecordingTarget.h"
#include "ReportCatalog.h"
#include "ReportEditDialog.h"
#include "ReportQuery.h"
#include "ReportScreenInput.h"
#include "ReportText.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"
#include "TADOIBQuery.h"
#include "TBtnPesquisa.h"
#include "TNetConnection.h"
#include "TestDatabases.h"
#include "TfrmConsumidor.h"
#include "TfrmRelConsumidor.h"
#include "TfrmRelatorioCons.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace cns;
using namespace cns::ui;
using ServerFixture::client;

using namespace ReportScreenInput;

// The two report screens, driven offscreen as an operator drives them, on one database (CTest
// runs the suite again with CNS_TEST_BACKEND=postgresql).
class tst_ReportScreens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listReportChecksTheClientBeforeEachButton();
    void listReportLeavingTheClientField();
    void listReportPreviewsAndSavesTheClientsConsumers();
    void listReportHandsOnlyItsParameter();
    void listReportTakesTheConsumerScreensClient();
    void branchReportChecksInItsOrder();
    void branchIsUpperCaseAndMustExist();
    void typeListOffersTheNarrowestSet_data();
    void typeListOffersTheNarrowestSet();
    void consumerListAsksTheServer();
    void allEmptiesAListAndF9OpensIt();
    void perBranchInstallationKeepsTheBranch();
    void branchReportHandsItsParameters();
    void branchReportPrintsAndSavesCsv();
    void editedReportIsSavedBesideTheShippedOne();
    void missingDefinitionsAreToldWithTheirFolder();
    void consumerScreenPrintButtonOpensTheBranchReport();

private:
    template<typename T> T *open()
    {
        auto *f = new T;
        f->show();
        QApplication::setActiveWindow(f);
        if (!QTest::qWaitForWindowActive(f))
            qWarning("the screen did not become active");
        return f;
    }
    DbSession &db() { return DbSession::forThread(DatabaseUrl::parse(m_url)); }
    void exec(const QString &sql)
    {
        db().begin(true);
        db().exec(sql, {});
        db().commit();
    }

    QTemporaryDir m_dir;
    QString m_url;
    std::unique_ptr<Dispatcher> m_dispatcher;
    std::unique_ptr<RecordingTarget> m_target;
    Corvane::SimpleContext m_ctx;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    QPointer<QWidget> m_screen;
};

void tst_ReportScreens::initTestCase()
{
    const QString backend = qEnvironmentVariable("CNS_TEST_BACKEND", "sqlite");
    if (backend == "postgresql" && TestDatabases::postgresServerUrl().isEmpty())
        QSKIP("PostgreSQL not running (CNS_TEST_PG_URL unset)");
    m_url = ServerFixture::create(backend, "tst_reportscreens");
    QVERIFY(!m_url.isEmpty());
    m_dispatcher = ServerFixture::dispatcher(m_url);
    m_target = std::make_unique<RecordingTarget>(*m_dispatcher);
    TNetConnection::setInProcessTarget(m_target.get());
    DatabaseUrl::parse(m_url).open(TADOIBQuery::defaultConnectionName());
    m_ctx.chaveInstalacao = "chave-de-teste";
    m_ctx.operador = "0001";
    m_ctx.nomeOperador = "Operadora de Teste";
    Corvane::install(&m_ctx);
    qputenv("CNS_REPORTS_DIR", CNS_REPORTS_SOURCE_DIR);
    qputenv("CNS_REPORTS_USER_DIR", m_dir.filePath("user").toUtf8());
}

void tst_ReportScreens::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_target->calls.clear();
    m_ctx.filiProc = "0002";
    m_ctx.nomeFiliProc = "Filial Campinas";
    m_ctx.moduFili = false;
}

void tst_ReportScreens::cleanup()
{
    QVERIFY(!m_busy->visible());
    delete m_screen.data();
    m_busy.reset();
    m_dialogs.reset();
}

void tst_ReportScreens::listReportChecksTheClientBeforeEachButton()
{
    auto *f = open<TfrmRelConsumidor>();
    m_screen = f;
    QCOMPARE(f->windowTitle(), QString("Consumidor"));
    QCOMPARE(f->lblCodRel->text(), QString("Cns722"));
    QCOMPARE(f->cbbReportNames->count(), 2);
    for (const char *button : {"sbtPrint", "sbtPreview", "sbtSalvarComo"}) {
        m_dialogs->shown.clear();
        QVERIFY2(clickOpensNoDialog(toolButton(*f, button)), button);
        QCOMPARE(m_dialogs->texts(), QStringList {"Cliente deve ser informado."});
        QTRY_VERIFY(f->medCdCliente->hasFocus());
    }
    // Editing a report needs no client.
    m_dialogs->shown.clear();
    bool editorOpened = false;
    onModal([&editorOpened](QWidget *w) {
        editorOpened = qobject_cast<ReportEditDialog *>(w) != nullptr;
        click(w->findChild<QDialogButtonBox *>("btnBotoes")->button(QDialogButtonBox::Cancel));
    });
    click(toolButton(*f, "sbtReportEdit"));
    QVERIFY(editorOpened);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void tst_ReportScreens::listReportLeavingTheClientField()
{
    auto *f = open<TfrmRelConsumidor>();
    m_screen = f;
    leave(f->medCdCliente); // empty: nothing to say
    QVERIFY(m_dialogs->shown.isEmpty());

    f->medCdCliente->setFocus();
    QTest::keyClicks(f->medCdCliente, "99888777000166");
    leave(f->medCdCliente);
    QCOMPARE(m_dialogs->texts(), QStringList {"Não há cliente cadastrado com esta inscrição."});
    QTRY_VERIFY(f->medCdCliente->hasFocus());
    QVERIFY(f->medCdCliente->editMask().isEmpty()); // the mask of kind "I"
    QCOMPARE(f->medCdCliente->text(), QString("99888777000166"));
    QTest::keyClicks(f->medCdCliente, "1234567890");
    QCOMPARE(f->medCdCliente->text(), QString("99888777000166123456")); // at most 20 characters
    QVERIFY(f->edtNmCliente->text().isEmpty());

    m_dialogs->shown.clear();
    f->medCdCliente->selectAll();
    QTest::keyClick(f->medCdCliente, Qt::Key_Delete);
    QTest::keyClicks(f->medCdCliente, "11222333000181");
    leave(f->medCdCliente);
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(f->medCdCliente->displayText(), QString("11.222.333/0001-81"));
    QCOMPARE(f->edtNmCliente->text(), QString("Alfa Refeições"));
    // Typing again empties the name.
    f->medCdCliente->setFocus();
    QTest::keyClick(f->medCdCliente, Qt::Key_End);
    QTest::keyClick(f->medCdCliente, Qt::Key_Backspace);
    QVERIFY(f->edtNmCliente->text().isEmpty());
}

void tst_ReportScreens::listReportPreviewsAndSavesTheClientsConsumers()
{
    auto *f = open<TfrmRelConsumidor>();
    m_screen = f;
    f->medCdCliente->setFocus();
    QTest::keyClicks(f->medCdCliente, "11222333000181");
    leave(f->medCdCliente);
    QCOMPARE(f->cbbReportNames->currentData().toString(), QString("consumidores"));

    int previewPages = 0;
    onModal([&previewPages](QWidget *w) {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(w);
        QVERIFY(preview);
        QCOMPARE(preview->objectName(), QString("dlgPreview"));
        if (auto *widget = preview->findChild<QPrintPreviewWidget *>())
            previewPages = widget->pageCount();
        preview->close();
    });
    click(toolButton(*f, "sbtPreview"));
    QVERIFY(previewPages >= 2);
    QVERIFY(m_dialogs->shown.isEmpty());

    const QString pdf = m_dir.filePath("lista.pdf");
    m_dialogs->fileNames.enqueue(pdf);
    click(toolButton(*f, "sbtSalvarComo"));
    const QStringList pages = ReportText::pages(pdf);
    QCOMPARE(pages.size(), previewPages);
    const QString text = pages.join('\n');
    QVERIFY(text.contains("Consumidores do Cliente"));
    QVERIFY(text.contains("Filial: 0002 - Filial Campinas"));
    QVERIFY(text.contains("Operador: Operadora de Teste"));
    QVERIFY(text.contains("Cliente: " + client(1) + " - Alfa Refeições"));
    QVERIFY(text.contains("Consumidores do cliente: 75"));
    QVERIFY(text.contains("Consumidores do cliente: 3"));
    QVERIFY(text.contains(ServerFixture::consumerName(75)));
}

void tst_ReportScreens::listReportHandsOnlyItsParameter()
{
    auto *f = open<TfrmRelConsumidor>();
    m_screen = f;
    f->medCdCliente->setFocus();
    QTest::keyClicks(f->medCdCliente, "52998224725");
    leave(f->medCdCliente);
    QCOMPARE(f->edtNmCliente->text(), QString("João da Silva"));
    const ReportCatalog catalog("Cns722");
    const ReportDefinition list = catalog.load("consumidores");
    ReportQuery withParam(list, {});
    f->rpddPadraoBeforeGetQueryParams(withParam);
    // The register's form of the number: its digits, not the mask's literals.
    QCOMPARE(withParam.param(u"P_NRINSJURCLIE").toString(), QString("52998224725"));
    const ReportDefinition other = catalog.load("consumidores-filial-tipo");
    ReportQuery without(other, {});
    f->rpddPadraoBeforeGetQueryParams(without);
    for (const QString &name : without.ParamNames())
        QVERIFY2(without.param(name).isNull(), qPrintable(name));
}

void tst_ReportScreens::listReportTakesTheConsumerScreensClient()
{
    CriaConsumidor();
    QPointer<TfrmConsumidor> main = Cli_cns72200::frmConsumidor;
    QVERIFY(main);
    main->medCdCliente->setFocus();
    QTest::keyClicks(main->medCdCliente, "52998224725");
    HandlerGuard::run([&] {
        main->medCdClienteExit();
        main->panClienteExit();
    });
    QCOMPARE(main->edtNmCliente->text(), QString("João da Silva"));
    QString number, name;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(Cli_cns72201::frmRelConsumidor != nullptr);
        QTRY_VERIFY(!Cli_cns72201::boPrimVez);
        number = Cli_cns72201::frmRelConsumidor->medCdCliente->displayText();
        name = Cli_cns72201::frmRelConsumidor->edtNmCliente->text();
        Cli_cns72201::frmRelConsumidor->close();
    });
    CriaRelConsumidor();
    QCOMPARE(number, QString("529.982.247-25"));
    QCOMPARE(name, QString("João da Silva"));
    QTRY_VERIFY(!Cli_cns72201::frmRelConsumidor);
    QVERIFY(!Cli_cns72201::boIdCriado);
    delete main.data();
}

void tst_ReportScreens::branchReportChecksInItsOrder()
{
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    QCOMPARE(f->medFilial->text(), QString("0002"));
    QCOMPARE(f->edtFilial->text(), QString("Filial Campinas"));
    QTRY_VERIFY(f->medFilial->hasFocus());
    click(f->rbtListaClie);
    click(f->rbtListaCons);
    QVERIFY(clickOpensNoDialog(toolButton(*f, "sbtPreview")));
    QCOMPARE(m_dialogs->lastText(), QString("Cliente deve ser informado."));
    QTRY_VERIFY(f->rbtListaClie->hasFocus());

    m_dialogs->listChoices.enqueue({0});
    click(f->btfCliente);
    QCOMPARE(m_dialogs->lookupTitles.last(), QString("Cliente"));
    QVERIFY(!f->stListaCliente.isEmpty());
    click(f->rbtTpLista);
    m_dialogs->shown.clear();
    QVERIFY(clickOpensNoDialog(toolButton(*f, "sbtPreview")));
    QCOMPARE(m_dialogs->texts(), QStringList {"Tipo de Consumidor deve ser informado."});
    QTRY_VERIFY(f->rbtTpLista->hasFocus());
    QVERIFY(clickOpensNoDialog(toolButton(*f, "sbtPrint")));
    QCOMPARE(m_dialogs->lastText(), QString("Tipo de Consumidor deve ser informado."));
    // Save as asks for the consumers first.
    QVERIFY(clickOpensNoDialog(toolButton(*f, "sbtSalvarComo")));
    QCOMPARE(m_dialogs->lastText(), QString("Consumidor deve ser informado."));
    QTRY_VERIFY(f->rbtListaCons->hasFocus());
    QVERIFY(m_dialogs->fileNames.isEmpty());
}

void tst_ReportScreens::branchIsUpperCaseAndMustExist()
{
    exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('AB01', 'Filial Letrada')");
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    QTRY_VERIFY(f->medFilial->hasFocus());
    f->medFilial->selectAll();
    QTest::keyClick(f->medFilial, Qt::Key_Delete);
    QTest::keyClicks(f->medFilial, "ab01");
    QCOMPARE(f->medFilial->text(), QString("AB01"));
    click(f->rbtTodosCons); // leaves the branch group
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(f->edtFilial->text(), QString("Filial Letrada"));

    f->medFilial->setFocus();
    f->medFilial->selectAll();
    QTest::keyClick(f->medFilial, Qt::Key_Delete);
    QTest::keyClicks(f->medFilial, "9999");
    click(f->rbtTodosCons);
    QCOMPARE(m_dialogs->texts(), QStringList {"Filial não cadastrada."});
    QTRY_VERIFY(f->medFilial->hasFocus());
    // Before any list too.
    click(f->rbtListaClie);
    click(f->btfCliente);
    QCOMPARE(m_dialogs->lastText(), QString("Filial não cadastrada."));
    QVERIFY(m_dialogs->lookupTitles.isEmpty());
    f->medFilial->setFocus();
    f->medFilial->selectAll();
    QTest::keyClick(f->medFilial, Qt::Key_Delete);
    m_dialogs->shown.clear();
    click(f->rbtTodosCons);
    QCOMPARE(m_dialogs->texts(), QStringList {"Filial deve ser informada."});
    exec("DELETE FROM FILIAL WHERE CDFILIAL = 'AB01'");
}

// Client 1 names type 01 "Colaborador" for itself and is a client of 0001 and 0002; client 3 is
// the client of 0003 and names no type; the installation's types are 01 "Funcionário" and 02
// "Dependente".
void tst_ReportScreens::typeListOffersTheNarrowestSet_data()
{
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("enabled"); // TIPOCONSFILI rows, "branch:type,..."
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("client types enabled at the branch") << "0002"
                                                        << "0002:01"
                                                        << "qryTipoConsCliFili" << QStringList {"Colaborador"};
    QTest::newRow("client types of clients of the branch") << "0002"
                                                           << "0003:01"
                                                           << "qryTipoConsCli" << QStringList {"Colaborador"};
    QTest::newRow("global types enabled at the branch") << "0003"
                                                        << "0003:02"
                                                        << "qryTipoConsFili" << QStringList {"Dependente"};
    QTest::newRow("all global types") << "0003"
                                      << ""
                                      << "qryTipoCons" << QStringList {"Funcionário", "Dependente"};
}

void tst_ReportScreens::typeListOffersTheNarrowestSet()
{
    QFETCH(QString, branch);
    QFETCH(QString, enabled);
    QFETCH(QString, offered);
    QFETCH(QStringList, names);
    exec("DELETE FROM TIPOCONSFILI");
    for (const QString &pair : enabled.split(',', Qt::SkipEmptyParts))
        exec(QString("INSERT INTO TIPOCONSFILI (CDFILIAL, CDTIPOCONS) VALUES ('%1', '%2')")
                 .arg(pair.section(':', 0, 0), pair.section(':', 1)));
    m_ctx.filiProc = branch;
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    click(f->rbtTpLista);
    QList<int> all;
    for (int i = 0; i < names.size(); ++i)
        all.append(i);
    m_dialogs->listChoices.enqueue(all);
    click(f->btpTpCons);
    QCOMPARE(m_dialogs->lookupTitles, QStringList {"Tipos de Consumidor"});
    TADOIBQuery *shown = nullptr;
    for (TADOIBQuery *q : {&f->qryTipoConsCliFili, &f->qryTipoConsCli, &f->qryTipoConsFili, &f->qryTipoCons}) {
        if (!shown && q->Active() && !q->IsEmpty())
            shown = q;
    }
    QVERIFY(shown);
    QCOMPARE(shown->Name(), offered);
    QCOMPARE(shown->rowCount(), names.size());
    QStringList got;
    for (int i = 0; i < shown->rowCount(); ++i)
        got.append(shown->rowValue(i, 1).toString());
    QCOMPARE(got, names);
    QCOMPARE(f->stListaTipoCons,
             names.size() == 1 ? QString("_%1_").arg(shown->rowValue(0, 0).toString()) : QString("_01_02_"));
    exec("DELETE FROM TIPOCONSFILI");
}

void tst_ReportScreens::consumerListAsksTheServer()
{
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    click(f->rbtListaClie);
    click(f->rbtListaCons);
    click(f->btfConsumidor); // no client picked: an empty list and no "all"
    QCOMPARE(m_target->lastArgs("getConsumidorFilial"),
             (QList<Value> {Value(""), Value(""), Value(""), Value("T"), Value("0002")}));
    QCOMPARE(f->cdsConsumidorFilial.rowCount(), 0);
    QCOMPARE(m_busy->shows, 1);

    click(f->rbtTodosClie);
    m_dialogs->listChoices.enqueue({0, 1});
    click(f->btfConsumidor);
    QCOMPARE(m_target->lastArgs("getConsumidorFilial"),
             (QList<Value> {Value(""), Value("T"), Value(""), Value("T"), Value("0002")}));
    QCOMPARE(f->cdsConsumidorFilial.rowCount(), 78);
    QCOMPARE(m_dialogs->lookupTitles.last(), QString("Consumidor"));
    const QStringList keys = f->stListaConsumidor.split('_', Qt::SkipEmptyParts);
    QCOMPARE(keys.size(), 2);
    QCOMPARE(keys.first().size(), 42);

    // A server failure keeps the list as it was.
    const QString before = f->stListaConsumidor;
    m_target->answer = [](const QString &method, const QList<Value> &) -> std::optional<Value> {
        if (method == "getConsumidorFilial")
            return Value::error("Servidor fora do ar.");
        return std::nullopt;
    };
    click(f->btfConsumidor);
    m_target->answer = nullptr;
    QCOMPARE(m_dialogs->lastText(), QString("Servidor fora do ar."));
    QCOMPARE(f->stListaConsumidor, before);
}

void tst_ReportScreens::allEmptiesAListAndF9OpensIt()
{
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    QVERIFY(!f->btfCliente->isEnabled());
    click(f->rbtListaClie);
    QVERIFY(f->btfCliente->isEnabled());
    m_dialogs->listChoices.enqueue({0});
    f->rbtListaClie->setFocus();
    QTest::keyClick(f->rbtListaClie, Qt::Key_F9);
    QCOMPARE(m_dialogs->lookupTitles, QStringList {"Cliente"});
    QVERIFY(!f->stListaCliente.isEmpty());
    click(f->rbtTodosClie);
    QVERIFY(f->stListaCliente.isEmpty());
    QVERIFY(!f->btfCliente->isEnabled());
    click(f->rbtListaClie);
    QVERIFY(f->stListaCliente.isEmpty());
    click(f->rbtTodosClie);
    click(f->rbtListaCons);
    f->rbtListaCons->setFocus();
    QTest::keyClick(f->rbtListaCons, Qt::Key_F9);
    QCOMPARE(m_dialogs->lookupTitles.last(), QString("Consumidor"));
}

void tst_ReportScreens::perBranchInstallationKeepsTheBranch()
{
    m_ctx.moduFili = true;
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    QVERIFY(!f->medFilial->isEnabled());
    QVERIFY(!f->btpPesqFilial->isEnabled());
    QTRY_VERIFY(f->rbtTodosClie->hasFocus());
}

void tst_ReportScreens::branchReportHandsItsParameters()
{
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    click(f->rbtListaClie);
    m_dialogs->listChoices.enqueue({0});
    click(f->btfCliente);
    const ReportDefinition d = ReportCatalog("Cns722").load("consumidores-filial-tipo");
    ReportQuery q(d, {});
    f->rpddPadraoBeforeGetQueryParams(q);
    QCOMPARE(q.param(u"P_CDFILIAL").toString(), QString("0002"));
    QCOMPARE(q.param(u"P_CDCLIENTE").toString(), f->stListaCliente);
    QCOMPARE(q.param(u"P_TCDCLIENTE").toString(), QString());
    QCOMPARE(q.param(u"P_CDCONSUMIDOR").toString(), QString());
    QCOMPARE(q.param(u"P_TCDCONSUMIDOR").toString(), QString("T"));
    QCOMPARE(q.param(u"P_TCDTIPOCONS").toString(), QString("T"));
    // A query without them gets none of them.
    ReportQuery other(ReportCatalog("Cns722").load("consumidores"), {});
    f->rpddPadraoBeforeGetQueryParams(other);
    QVERIFY(other.param(u"P_NRINSJURCLIE").isNull());
}

void tst_ReportScreens::branchReportPrintsAndSavesCsv()
{
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    QCOMPARE(f->currentReport(), QString("consumidores-filial-tipo")); // the screen's own report first

    const QString pdf = m_dir.filePath("impresso.pdf");
    onModal([pdf](QWidget *w) {
        auto *dlg = qobject_cast<QPrintDialog *>(w);
        QVERIFY(dlg);
        // The operator prints to a PDF file: the dialog's own printer choice and file name.
        auto *printers = dlg->findChild<QComboBox *>("printers");
        QVERIFY(printers);
        printers->setCurrentIndex(printers->count() - 1);
        auto *file = dlg->findChild<QLineEdit *>("filename");
        QVERIFY(file);
        file->selectAll();
        QTest::keyClicks(file, pdf);
        dlg->accept();
    });
    click(toolButton(*f, "sbtPrint"));
    const QString printed = ReportText::text(pdf);
    QVERIFY2(printed.contains("Consumidores do tipo: 50"), qPrintable(printed.left(300)));
    QVERIFY(printed.contains("Total de consumidores: 78"));

    const QString csv = m_dir.filePath("tipo.csv");
    m_dialogs->fileNames.enqueue(csv);
    click(toolButton(*f, "sbtSalvarComo"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBFTipo de Consumidor;Código;Nome;Crachá;Cliente;Situação\r\n"));
    QCOMPARE(bytes.count("\r\n"), 1 + 78);
    QVERIFY(bytes.contains("01 - Funcionário;"));
}

void tst_ReportScreens::editedReportIsSavedBesideTheShippedOne()
{
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    const QString shipped = QString(CNS_REPORTS_SOURCE_DIR) + "/Cns722/consumidores.json";
    QFile original(shipped);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    f->cbbReportNames->setFocus();
    QTest::keyClick(f->cbbReportNames, Qt::Key_Up);
    QCOMPARE(f->currentReport(), QString("consumidores"));
    onModal([](QWidget *w) {
        auto *dlg = qobject_cast<ReportEditDialog *>(w);
        QVERIFY(dlg);
        dlg->edtTitulo->selectAll();
        QTest::keyClicks(dlg->edtTitulo, "Lista de teste");
        click(dlg->btnBotoes->button(QDialogButtonBox::Ok));
    });
    click(toolButton(*f, "sbtReportEdit"));
    const QString copy = m_dir.filePath("user/Cns722/consumidores.json");
    QVERIFY(QFile::exists(copy));
    original.seek(0);
    QCOMPARE(original.readAll(), before);
    QVERIFY(f->cbbReportNames->findText("Lista de teste") >= 0);
    QCOMPARE(ReportCatalog("Cns722").load("consumidores").title, QString("Lista de teste"));

    // An emptied title is refused and the copy stays as it was.
    onModal([this](QWidget *w) {
        auto *dlg = qobject_cast<ReportEditDialog *>(w);
        QVERIFY(dlg);
        dlg->edtTitulo->selectAll();
        QTest::keyClick(dlg->edtTitulo, Qt::Key_Delete);
        click(dlg->btnBotoes->button(QDialogButtonBox::Ok));
        QCOMPARE(m_dialogs->lastText(), QString("Informe o título do relatório:"));
        QVERIFY(dlg->isVisible());
        click(dlg->btnBotoes->button(QDialogButtonBox::Cancel));
    });
    QCOMPARE(f->currentReport(), QString("consumidores")); // still the edited one
    click(toolButton(*f, "sbtReportEdit"));
    QCOMPARE(ReportCatalog("Cns722").load("consumidores").title, QString("Lista de teste"));
    QVERIFY(QFile::remove(copy));
}

void tst_ReportScreens::missingDefinitionsAreToldWithTheirFolder()
{
    const auto restore = qScopeGuard([shipped = qgetenv("CNS_REPORTS_DIR")] { qputenv("CNS_REPORTS_DIR", shipped); });
    const QString empty = m_dir.filePath("vazio");
    QVERIFY(QDir().mkpath(empty));
    qputenv("CNS_REPORTS_DIR", empty.toUtf8());
    auto *f = open<TfrmRelatorioCons>();
    m_screen = f;
    const QString told = QString("O arquivo contendo a definição do relatório de código 'Cns722' não foi encontrado no "
                                 "diretório '%1'.")
                             .arg(QDir::toNativeSeparators(empty + "/Cns722"));
    QTRY_COMPARE(m_dialogs->texts(), QStringList {told});
    QCOMPARE(f->cbbReportNames->count(), 0);
    m_dialogs->shown.clear();
    QVERIFY(clickOpensNoDialog(toolButton(*f, "sbtSalvarComo")));
    QCOMPARE(m_dialogs->texts(), QStringList {told});
    QVERIFY(m_dialogs->fileNames.isEmpty());
}

void tst_ReportScreens::consumerScreenPrintButtonOpensTheBranchReport()
{
    QPointer<TfrmConsumidor> main = new TfrmConsumidor;
    main->show();
    QString title, code;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(Cli_cns72204::frmRelatorioCons != nullptr);
        title = Cli_cns72204::frmRelatorioCons->windowTitle();
        code = Cli_cns72204::frmRelatorioCons->screenCode();
        Cli_cns72204::frmRelatorioCons->close();
    });
    click(toolButton(*main, "sbtImprimir"));
    QCOMPARE(title, QString("Consumidor"));
    QCOMPARE(code, QString("Cns72204"));
    QTRY_VERIFY(!Cli_cns72204::frmRelatorioCons);
    delete main.data();
}

QTEST_MAIN(tst_ReportScreens)
#include "tst_ReportScreens.moc"
