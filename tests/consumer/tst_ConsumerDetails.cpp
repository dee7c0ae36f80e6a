#include "ConsumerGridCell.h"
#include "CountingBusy.h"
#include "DBGrid.h"
#include "DBNumericEdit.h"
#include "DbSession.h"
#include "GridInput.h"
#include "HandlerGuard.h"
#include "MaskEdit.h"
#include "ScreenServer.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"
#include "TfrmAtualizaFilLista.h"
#include "TfrmConsumidor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace cns;
using namespace cns::ui;
using ServerFixture::client;
using ServerFixture::consumer;
using GridInput::clickCellButton;
using GridInput::typeInCell;

namespace {

const QString kSharedNumber = "11222333000181"; // clients 1 and 2

} // namespace

// The consumer screen's detail tabs as the operator works them: further addresses typed into their
// grid, branch links added and removed, the bulk branch updates, and the balance tab.
class tst_ConsumerDetails : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addressTypedIntoTheGridIsNumberedAndStored();
    void addressChecksAndTheirOrder();
    void addressLookupAndDelete();
    void refusedAddressStaysBeingEdited();
    void addressGridDrawsNames();
    void branchLinkRules();
    void branchLinkPerBranch();
    void refusedBranchLinkStaysBeingInserted();
    void branchUpdateOfTheProcessingBranch();
    void branchUpdateOfAList();
    void allBranchesOfAClientWithoutBranchesStops();
    void balanceTab();

private:
    // The screen on client 1's consumer, the client typed and left as the operator does.
    TfrmConsumidor &open(int consumerNumber);
    void showTab(TfrmConsumidor &s, QWidget *tab);
    bool action(QAction *a);
    void exec(const QString &sql) { DbSession::forThread(DatabaseUrl::parse(m_server.url)).exec(sql, {}); }
    static QString column(const QString &sql) { return ScreenServer::column(sql); }
    // Runs operate on the branch list dialog once it is shown, then confirms it.
    void onBranchListDialog(const std::function<void(TfrmAtualizaFilLista &)> &operate);

    ScreenServer m_server;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    QPointer<TfrmConsumidor> m_screen;
};

void tst_ConsumerDetails::initTestCase()
{
    m_server.start("tst_consumerdetails");
    exec("INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('1058', 'RJ', 'Rio de Janeiro')");
    exec("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('0063', 'Argentina')");
    exec("INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('0063', 'BA', 'Buenos Aires')");
}

void tst_ConsumerDetails::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_server.target->calls.clear();
    m_server.target->answer = nullptr;
    m_server.ctx.cacheRefreshes.clear();
}

void tst_ConsumerDetails::cleanup()
{
    if (m_screen)
        delete m_screen.data();
    QVERIFY(!m_busy->visible());
    m_busy.reset();
    m_dialogs.reset();
    m_server.ctx.moduFili = false;
    m_server.ctx.filiProc = "0001";
}

TfrmConsumidor &tst_ConsumerDetails::open(int consumerNumber)
{
    m_screen = new TfrmConsumidor;
    TfrmConsumidor &s = *m_screen;
    s.show();
    s.activateWindow();
    [&] { QTRY_VERIFY(s.isActiveWindow()); }();
    s.medCdCliente->setFocus();
    QTest::keyClicks(s.medCdCliente, kSharedNumber);
    QTest::keyClick(s.medCdCliente, Qt::Key_Tab);
    [&] { QTRY_VERIFY(s.cdsConsumidor.Active() && !s.cdsConsumidor.IsEmpty()); }();
    s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(consumerNumber))});
    return s;
}

void tst_ConsumerDetails::showTab(TfrmConsumidor &s, QWidget *tab)
{
    QTabBar *bar = s.pgcPadrao->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(s.pgcPadrao->indexOf(tab)).center());
    QCOMPARE(s.pgcPadrao->currentWidget(), tab);
}

// The record action as its tool button or shortcut runs it; false when a message other than a
// question (the delete's confirmation) was shown.
bool tst_ConsumerDetails::action(QAction *a)
{
    const int before = m_dialogs->shown.size();
    a->trigger();
    for (int i = before; i < m_dialogs->shown.size(); ++i) {
        if (m_dialogs->shown.at(i).type != cns::MsgType::Confirmation) {
            qInfo() << a->objectName() << "refused:" << m_dialogs->shown.at(i).text;
            return false;
        }
    }
    return true;
}

void tst_ConsumerDetails::onBranchListDialog(const std::function<void(TfrmAtualizaFilLista &)> &operate)
{
    QTimer::singleShot(0, [operate] {
        TfrmAtualizaFilLista *dialog = nullptr;
        QTRY_VERIFY((dialog = qobject_cast<TfrmAtualizaFilLista *>(QApplication::activeModalWidget())));
        QPointer<TfrmAtualizaFilLista> alive(dialog);
        operate(*dialog);
        if (alive)
            alive->actConfirma->trigger();
    });
}

// ---------------------------------------------------------------------------------------------------
// Further addresses

void tst_ConsumerDetails::addressTypedIntoTheGridIsNumberedAndStored()
{
    TfrmConsumidor &s = open(1);
    showTab(s, s.tshOutrEnde);
    QCOMPARE(s.dtsPadrao.dataSet(), &s.cdsEndeCons);
    QCOMPARE(s.cdsEndeCons.RecordCount(), 1);
    QVERIFY(action(s.actIncluir));
    QCOMPARE(s.cdsEndeCons.State(), DataSetState::Insert);
    QCOMPARE(s.dbgEndeCons->selectedField(), QString("DSENDECONS"));
    // The code columns take their lookups while a row is edited.
    QCOMPARE(s.dbgEndeCons->dataModel().columns().at(2).ellipsis, true);
    typeInCell(s.dbgEndeCons, "DSENDECONS", "Rua Nova, 5");
    // Key filters: digits in the code columns, letters in the state (stored in upper case).
    typeInCell(s.dbgEndeCons, "CDPAIS", "1x0a58");
    QCOMPARE(s.cdsEndeCons.FieldByName(u"CDPAIS").AsString(), QString("1058"));
    typeInCell(s.dbgEndeCons, "SGESTADO", "s1p");
    QCOMPARE(s.cdsEndeCons.FieldByName(u"SGESTADO").AsString(), QString("SP"));
    // A short code is widened when its column is left.
    typeInCell(s.dbgEndeCons, "CDMUNICIPIO", "1");
    s.dbgEndeCons->selectField("CDMUNICIPIO");
    QTest::keyClick(s.dbgEndeCons, Qt::Key_Right);
    QCOMPARE(s.cdsEndeCons.FieldByName(u"CDMUNICIPIO").AsString(), QString("0001"));
    QCOMPARE(s.cdsEndeCons.FieldByName(u"NMMUNICIPIO").AsString(), QString("São Paulo"));
    typeInCell(s.dbgEndeCons, "CDBAIRRO", "1");
    QVERIFY(action(s.actConfirmar));
    QCOMPARE(m_server.target->count("SetEndeCons"), 1);
    // The server numbered it; the grid shows the number it gave, so that the row can be changed.
    const QString where = " FROM ENDECONS WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(1) + "'";
    QCOMPARE(column("SELECT COUNT(*)" + where), QString("2"));
    QCOMPARE(column("SELECT CDBAIRRO" + where + " AND DSENDECONS = 'Rua Nova, 5'"), QString("0000000001"));
    QVERIFY(s.cdsEndeCons.Locate("DSENDECONS", {Value(QStringLiteral("Rua Nova, 5"))}));
    QVERIFY(!s.cdsEndeCons.FieldByName(u"CDENDECONS").AsString().isEmpty());
    QCOMPARE(s.cdsEndeCons.ChangeCount(), 0);

    // Changed and then removed through the same actions.
    QVERIFY(action(s.actAlterar));
    typeInCell(s.dbgEndeCons, "NRENDECONS", "77");
    QVERIFY(action(s.actConfirmar));
    QCOMPARE(column("SELECT NRENDECONS" + where + " AND DSENDECONS = 'Rua Nova, 5'"), QString("77"));
    QVERIFY(action(s.actExcluir));
    QCOMPARE(column("SELECT COUNT(*)" + where), QString("1"));
    QCOMPARE(m_server.target->count("SetEndeCons"), 3);
    // Leaving the tab gives the record actions back to the consumer.
    showTab(s, s.tshPadrao);
    QCOMPARE(s.dtsPadrao.dataSet(), &s.cdsConsumidor);
}

void tst_ConsumerDetails::addressChecksAndTheirOrder()
{
    TfrmConsumidor &s = open(1);
    showTab(s, s.tshOutrEnde);
    QVERIFY(action(s.actIncluir));
    // An empty country is accepted when its column is left; it is demanded at the post.
    s.dbgEndeCons->selectField("CDPAIS");
    QTest::keyClick(s.dbgEndeCons, Qt::Key_Right);
    QCOMPARE(s.dbgEndeCons->selectedField(), QString("SGESTADO"));
    // The street comes first, before any location.
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("Endereço deve ser informado."));
    QCOMPARE(s.dbgEndeCons->selectedField(), QString("DSENDECONS"));
    typeInCell(s.dbgEndeCons, "DSENDECONS", "Av. Central");
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("País deve ser informado."));
    // A state of another country is not this country's.
    typeInCell(s.dbgEndeCons, "CDPAIS", "1058");
    typeInCell(s.dbgEndeCons, "SGESTADO", "BA");
    s.dbgEndeCons->selectField("SGESTADO");
    QTest::keyClick(s.dbgEndeCons, Qt::Key_Right);
    QCOMPARE(m_dialogs->lastText(), QString("Estado não cadastrado."));
    QCOMPARE(s.dbgEndeCons->selectedField(), QString("SGESTADO"));
    typeInCell(s.dbgEndeCons, "SGESTADO", "SP");
    typeInCell(s.dbgEndeCons, "CDMUNICIPIO", "1");
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("Bairro deve ser informado."));
    QCOMPARE(s.cdsEndeCons.State(), DataSetState::Insert);
    QCOMPARE(m_server.target->count("SetEndeCons"), 0);
    QVERIFY(action(s.actCancelar));
    QCOMPARE(s.cdsEndeCons.RecordCount(), 1);
}

void tst_ConsumerDetails::addressLookupAndDelete()
{
    TfrmConsumidor &s = open(1);
    showTab(s, s.tshOutrEnde);
    QVERIFY(action(s.actAlterar));
    m_dialogs->rowChoices.enqueue(0); // countries in code order: Argentina first
    clickCellButton(s.dbgEndeCons, "CDPAIS");
    QCOMPARE(m_dialogs->lookupTitles.last(), QString("País"));
    QCOMPARE(s.cdsEndeCons.FieldByName(u"CDPAIS").AsString(), QString("0063"));
    QCOMPARE(s.cdsEndeCons.FieldByName(u"NMPAIS").AsString(), QString("Argentina"));
    QVERIFY(action(s.actCancelar));
    QCOMPARE(s.cdsEndeCons.FieldByName(u"CDPAIS").AsString(), QString("1058"));
    QCOMPARE(m_server.target->count("SetEndeCons"), 0);
}

void tst_ConsumerDetails::refusedAddressStaysBeingEdited()
{
    m_server.target->answer = [](const QString &method, const QList<Value> &) -> std::optional<Value> {
        return method == "SetEndeCons" ? std::optional<Value>(Value::error("Endereço alterado por outro usuário.")) : std::nullopt;
    };
    TfrmConsumidor &s = open(1);
    showTab(s, s.tshOutrEnde);
    QVERIFY(action(s.actAlterar));
    typeInCell(s.dbgEndeCons, "NRENDECONS", "12");
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("Endereço alterado por outro usuário."));
    QCOMPARE(s.cdsEndeCons.State(), DataSetState::Edit);
    QCOMPARE(s.cdsEndeCons.FieldByName(u"NRENDECONS").AsString(), QString("12"));
    QVERIFY(action(s.actCancelar));
    QCOMPARE(s.cdsEndeCons.FieldByName(u"NRENDECONS").AsString(), QString());

    QVERIFY(action(s.actIncluir));
    typeInCell(s.dbgEndeCons, "DSENDECONS", "Rua Recusada");
    for (const auto &[field, text] : QList<QPair<QString, QString>>{{"CDPAIS", "1058"}, {"SGESTADO", "SP"}, {"CDMUNICIPIO", "1"}, {"CDBAIRRO", "1"}})
        typeInCell(s.dbgEndeCons, field, text);
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(s.cdsEndeCons.State(), DataSetState::Insert);
    QCOMPARE(s.cdsEndeCons.FieldByName(u"DSENDECONS").AsString(), QString("Rua Recusada"));
    QVERIFY(action(s.actCancelar));
    QCOMPARE(s.cdsEndeCons.RecordCount(), 1);

    QVERIFY(!action(s.actExcluir));
    QCOMPARE(s.cdsEndeCons.RecordCount(), 1);
    QCOMPARE(s.cdsEndeCons.ChangeCount(), 0);
}

void tst_ConsumerDetails::addressGridDrawsNames()
{
    TfrmConsumidor &s = open(1);
    showTab(s, s.tshOutrEnde);
    const auto text = [&](const char *code, const char *name, bool showCode) {
        return ConsumerGridCell::addressCodeText(s.cdsEndeCons, 0, code, name, showCode);
    };
    QCOMPARE(text("CDPAIS", "NMPAIS", false), QString("Brasil"));
    QCOMPARE(text("CDMUNICIPIO", "NMMUNICIPIO", false), QString("São Paulo"));
    QCOMPARE(text("CDBAIRRO", "NMBAIRRO", false), QString("Centro"));
    QCOMPARE(text("CDMUNICIPIO", "NMMUNICIPIO", true), QString("0001"));
    // The grid draws through it without a fault.
    QVERIFY(!s.dbgEndeCons->grab().isNull());
}

// ---------------------------------------------------------------------------------------------------
// Branch links

void tst_ConsumerDetails::branchLinkRules()
{
    TfrmConsumidor &s = open(1);
    showTab(s, s.tshFilial);
    QCOMPARE(s.cdsFilial.RecordCount(), 2);
    QCOMPARE(s.cdsConsFilial.RecordCount(), 2);
    // The client's branches are only shown.
    s.dbgFilial->setFocus();
    QTRY_COMPARE(s.dtsPadrao.dataSet(), &s.cdsFilial);
    QVERIFY(!s.actIncluir->isEnabled());
    s.dbgConsFilial->setFocus();
    QTRY_COMPARE(s.dtsPadrao.dataSet(), &s.cdsConsFilial);
    QVERIFY(!s.actAlterar->isEnabled());

    QVERIFY(action(s.actIncluir));
    QCOMPARE(s.dbgConsFilial->selectedField(), QString("CDFILIAL"));
    // Capitals and digits only, four digits at most.
    typeInCell(s.dbgConsFilial, "CDFILIAL", "a2#3456");
    QCOMPARE(s.cdsConsFilial.FieldByName(u"CDFILIAL").AsString(), QString("2345"));
    // A short code is widened before the duplicate test.
    typeInCell(s.dbgConsFilial, "CDFILIAL", "2");
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("Filial já cadastrada."));
    QCOMPARE(s.cdsConsFilial.FieldByName(u"CDFILIAL").AsString(), QString("0002"));
    typeInCell(s.dbgConsFilial, "CDFILIAL", "3");
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("Apenas filiais associadas ao cliente podem ser associadas ao consumidor."));
    QCOMPARE(m_server.target->count("SetConsFilial"), 0);
    QVERIFY(action(s.actCancelar));

    // Consumer 5 has no branch: the lookup offers the client's, in code order.
    s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(5))});
    showTab(s, s.tshFilial);
    QCOMPARE(s.cdsConsFilial.RecordCount(), 0);
    QVERIFY(action(s.actIncluir));
    m_dialogs->rowChoices.enqueue(1);
    clickCellButton(s.dbgConsFilial, "CDFILIAL");
    QCOMPARE(s.lookups.qryClienFilial.RecordCount(), 2);
    QCOMPARE(s.cdsConsFilial.FieldByName(u"CDFILIAL").AsString(), QString("0002"));
    QCOMPARE(s.cdsConsFilial.FieldByName(u"NMFILIAL").AsString(), QString("Filial Campinas"));
    QVERIFY(action(s.actConfirmar));
    QCOMPARE(m_server.target->count("SetConsFilial"), 1);
    QVERIFY(m_server.ctx.cacheRefreshes.contains(QStringList{"CONSUMIFILIAL"}));
    QCOMPARE(column("SELECT CDFILIAL FROM CONSUMIFILIAL WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(5) + "'"),
             QString("0002"));
    QCOMPARE(s.cdsConsFilial.RecordCount(), 1);
    QCOMPARE(s.cdsConsFilial.ChangeCount(), 0);

    // Working for all branches, any link may be removed.
    QVERIFY(action(s.actExcluir));
    QCOMPARE(m_server.target->count("SetConsFilial"), 2);
    QCOMPARE(column("SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(5) + "'"),
             QString("0"));
}

void tst_ConsumerDetails::branchLinkPerBranch()
{
    m_server.ctx.moduFili = true;
    m_server.ctx.filiProc = "0001";
    TfrmConsumidor &s = open(6);
    showTab(s, s.tshFilial);
    QVERIFY(action(s.actIncluir));
    // Another branch of the client is refused while working per branch.
    typeInCell(s.dbgConsFilial, "CDFILIAL", "0002");
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("Operação bloqueada. Filial diferente da filial logada."));
    // The lookup offers the processing branch only.
    m_dialogs->rowChoices.enqueue(0);
    clickCellButton(s.dbgConsFilial, "CDFILIAL");
    QCOMPARE(s.lookups.qryClienFilial.RecordCount(), 1);
    QCOMPARE(s.cdsConsFilial.FieldByName(u"CDFILIAL").AsString(), QString("0001"));
    QVERIFY(action(s.actConfirmar));
    QCOMPARE(m_server.target->count("SetConsFilial"), 1);

    // Consumer 1's link to branch 0002 is not this branch's to remove.
    s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(1))});
    showTab(s, s.tshFilial);
    QVERIFY(s.cdsConsFilial.Locate("CDFILIAL", {Value(QStringLiteral("0002"))}));
    QVERIFY(!action(s.actExcluir));
    QCOMPARE(m_dialogs->lastText(), QString("Operação bloqueada. Filial diferente da filial logada."));
    QCOMPARE(s.cdsConsFilial.RecordCount(), 2);
    QCOMPARE(m_server.target->count("SetConsFilial"), 1);
}

void tst_ConsumerDetails::refusedBranchLinkStaysBeingInserted()
{
    m_server.target->answer = [](const QString &method, const QList<Value> &) -> std::optional<Value> {
        return method == "SetConsFilial" ? std::optional<Value>(Value::error("Recusado pelo servidor.")) : std::nullopt;
    };
    TfrmConsumidor &s = open(7);
    showTab(s, s.tshFilial);
    QVERIFY(action(s.actIncluir));
    typeInCell(s.dbgConsFilial, "CDFILIAL", "1");
    QVERIFY(!action(s.actConfirmar));
    QCOMPARE(m_dialogs->lastText(), QString("Recusado pelo servidor."));
    QCOMPARE(s.cdsConsFilial.State(), DataSetState::Insert);
    QCOMPARE(s.cdsConsFilial.FieldByName(u"CDFILIAL").AsString(), QString("0001"));
    QVERIFY(action(s.actCancelar));
    QCOMPARE(s.cdsConsFilial.RecordCount(), 0);
}

// ---------------------------------------------------------------------------------------------------
// Bulk branch updates

void tst_ConsumerDetails::branchUpdateOfTheProcessingBranch()
{
    TfrmConsumidor &s = open(1);
    QVERIFY(s.btnAtuFiliCons->isEnabled());
    s.btnAtuFiliCons->trigger();
    QTRY_VERIFY(s.ppmAtualizaFilialCons->isVisible());
    s.ppmAtualizaFilialCons->hide();

    m_dialogs->answers.enqueue(cns::mrNo);
    s.mnuAtualizaFilialLogada->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("Confirma a atualização das filiais para os consumidores de todos os clientes da filial de "
                                            "processamento?"));
    QCOMPARE(m_server.target->count("setAtuFiliCons"), 0);

    m_dialogs->answers.enqueue(cns::mrYes);
    s.mnuAtualizaFilialLogada->trigger();
    QCOMPARE(m_server.target->argsOf("setAtuFiliCons"), (QList<QList<Value>>{{Value(QStringLiteral("0001"))}}));
    // Every active consumer of the branch's clients is now tied to it.
    QCOMPARE(column("SELECT COUNT(*) FROM CONSUMIDOR C WHERE C.IDSITCONSUMI = '1' AND C.CDCLIENTE = '" + client(1)
                    + "' AND NOT EXISTS (SELECT 1 FROM CONSUMIFILIAL CF WHERE CF.CDCLIENTE = C.CDCLIENTE "
                      "AND CF.CDCONSUMIDOR = C.CDCONSUMIDOR AND CF.CDFILIAL = '0001')"),
             QString("0"));
}

void tst_ConsumerDetails::branchUpdateOfAList()
{
    TfrmConsumidor &s = open(1);
    // "Todos" and then "Lista" without a pick leaves nothing chosen: no confirmation is asked.
    onBranchListDialog([](TfrmAtualizaFilLista &d) {
        QVERIFY(d.rbtLista->isChecked());
        QVERIFY(d.btnFilial->isEnabled());
        QTest::mouseClick(d.rbtTodos, Qt::LeftButton);
        QVERIFY(!d.btnFilial->isEnabled());
        QCOMPARE(d.selection(), QString("_0001_0002_"));
        QTest::mouseClick(d.rbtLista, Qt::LeftButton);
        QVERIFY(d.selection().isEmpty());
    });
    s.mnuAtualizarListaFiliais->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown.last().type, cns::MsgType::Error);
    QCOMPARE(m_server.target->count("setAtuFiliConsLista"), 0);

    // The branches ticked in the list, confirmed.
    m_dialogs->listChoices.enqueue({1});
    m_dialogs->answers.enqueue(cns::mrYes);
    onBranchListDialog([](TfrmAtualizaFilLista &d) { QTest::mouseClick(d.btnFilial, Qt::LeftButton); });
    s.mnuAtualizarListaFiliais->trigger();
    QCOMPARE(m_dialogs->lastText(), QString("Confirma a atualização das filiais para os consumidores do clientes selecionado?"));
    QCOMPARE(m_server.target->argsOf("setAtuFiliConsLista").last(),
             (QList<Value>{Value(QStringLiteral("_0002_")), Value(client(1))}));

    // "Todos" answered No sends nothing.
    const int sent = m_server.target->count("setAtuFiliConsLista");
    m_dialogs->answers.enqueue(cns::mrNo);
    onBranchListDialog([](TfrmAtualizaFilLista &d) { QTest::mouseClick(d.rbtTodos, Qt::LeftButton); });
    s.mnuAtualizarListaFiliais->trigger();
    QCOMPARE(m_server.target->count("setAtuFiliConsLista"), sent);
}

void tst_ConsumerDetails::allBranchesOfAClientWithoutBranchesStops()
{
    m_screen = new TfrmConsumidor;
    TfrmConsumidor &s = *m_screen;
    s.show();
    s.activateWindow();
    QTRY_VERIFY(s.isActiveWindow());
    s.medCdCliente->setFocus();
    QTest::keyClicks(s.medCdCliente, "45723174000110"); // "Sem Filial"
    QTest::keyClick(s.medCdCliente, Qt::Key_Tab);
    QTRY_COMPARE(s.cdsCliente.FieldByName(u"CDCLIENTE").AsString(), client(4));
    QVERIFY(s.btnAtuFiliCons->isEnabled());
    onBranchListDialog([](TfrmAtualizaFilLista &d) {
        QTest::mouseClick(d.rbtTodos, Qt::LeftButton);
        QVERIFY(d.selection().isEmpty());
    });
    s.mnuAtualizarListaFiliais->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown.last().type, cns::MsgType::Error);
    QCOMPARE(m_dialogs->lastText(), QString("Nenhuma filial foi selecionada. Selecione ao menos uma filial para atualizar."));
    QCOMPARE(m_server.target->count("setAtuFiliConsLista"), 0);
}

// ---------------------------------------------------------------------------------------------------
// Balance

void tst_ConsumerDetails::balanceTab()
{
    exec("UPDATE CONSUMIDOR SET IDVERSALDCON = 'S', VRAVIDEBCONS = 1234.5 WHERE CDCONSUMIDOR = '" + consumer(8) + "'");
    exec("UPDATE CONSUMIDOR SET IDVERSALDCON = 'N' WHERE CDCONSUMIDOR = '" + consumer(11) + "'");
    TfrmConsumidor &s = open(8);
    showTab(s, s.tshSaldo);
    const QStringList valueEdits = {"nedVRAVIDEBCONS", "nedVRLIMDEBCONS", "nedVRMAXDEBCONS", "nedVRSUBSBASICO",
                                    "nedVRMAXCONSMENSAL", "nedVRAVICREDCONS", "nedVRLIMCREDCONS", "nedMAXCREDCONS"};
    const auto edit = [&](const QString &name) { return s.findChild<DBNumericEdit *>(name); };
    // Showing a consumer that verifies his balance enables the eight edits without editing him.
    QVERIFY(s.cbbVerifSaldoCons->isChecked());
    for (const QString &name : valueEdits) {
        QVERIFY2(edit(name) && edit(name)->isEnabled(), qPrintable(name));
        QCOMPARE(edit(name)->palette().color(QPalette::Base), s.palette().color(QPalette::Base));
    }
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    QCOMPARE(edit("nedVRAVIDEBCONS")->text(), QString("1.234,50"));
    QCOMPARE(edit("nedVRAVIDEBCONS")->maxLength(), 12);
    // The monthly maximum keeps no display format; the basic subsidy has no length limit.
    QCOMPARE(s.cdsConsumidor.FieldByName(u"VRMAXCONSMENSAL").DisplayFormat, QString());
    QVERIFY(edit("nedVRSUBSBASICO")->maxLength() > 12);

    s.cdsConsumidor.Locate("CDCONSUMIDOR", {Value(consumer(11))});
    QVERIFY(!s.cbbVerifSaldoCons->isChecked());
    for (const QString &name : valueEdits) {
        QVERIFY2(!edit(name)->isEnabled(), qPrintable(name));
        QCOMPARE(edit(name)->palette().color(QPalette::Base), s.palette().color(QPalette::Button));
    }
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Browse);
    // Ticking the box edits the consumer and enables the groups; the other values stay enabled.
    QVERIFY(s.findChild<DBNumericEdit *>("nedVRMESUBCONS")->isEnabled());
    QTest::mouseClick(s.cbbVerifSaldoCons, Qt::LeftButton, {}, QPoint(6, s.cbbVerifSaldoCons->height() / 2));
    QCOMPARE(s.cdsConsumidor.State(), DataSetState::Edit);
    QVERIFY(s.grbConsDeb->isEnabled() && s.grbConsCred->isEnabled());
    // Unticked again and posted: "N" is stored and a typed value kept.
    QTest::mouseClick(s.cbbVerifSaldoCons, Qt::LeftButton, {}, QPoint(6, s.cbbVerifSaldoCons->height() / 2));
    auto *monthly = s.findChild<DBNumericEdit *>("nedVRMESUBCONS");
    monthly->setFocus();
    monthly->selectAll();
    QTest::keyClicks(monthly, "250");
    QVERIFY(action(s.actConfirmar));
    const QString where = " FROM CONSUMIDOR WHERE CDCLIENTE = '" + client(1) + "' AND CDCONSUMIDOR = '" + consumer(11) + "'";
    QCOMPARE(column("SELECT IDVERSALDCON" + where), QString("N"));
    QCOMPARE(column("SELECT VRMESUBCONS" + where).toDouble(), 250.0);

    // A new consumer cannot tick the box: it is created verifying, with both blocking levels at zero.
    showTab(s, s.tshPadrao);
    QVERIFY(action(s.actIncluir));
    QVERIFY(!s.cbbVerifSaldoCons->isEnabled());
    QVERIFY(!s.grbConsDeb->isEnabled());
}

QTEST_MAIN(tst_ConsumerDetails)
#include "tst_ConsumerDetails.moc"
