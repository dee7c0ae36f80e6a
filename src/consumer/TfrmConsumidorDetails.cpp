// The consumer screen's detail tabs: the branches the current consumer is tied to ("Filiais
// Associadas"), with the bulk updates of branch links, and his further addresses ("Outros
// Endereços"). Each row inserted, changed or deleted there reaches the server at once.

#include "TfrmConsumidor.h"

#include "Consiste.h"
#include "ConsumerGridCell.h"
#include "ConsumerRecord.h"
#include "Corvane.h"
#include "DataSet.h"
#include "FocusEvents.h"
#include "HandlerGuard.h"
#include "Pesquisa.h"
#include "Showavi.h"
#include "TfrmAtualizaFilLista.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>

using namespace cns::ui;
using cns::DataSetState;
using cns::Value;

namespace {

const QStringList kAddressCodeColumns = {QStringLiteral("CDPAIS"), QStringLiteral("SGESTADO"), QStringLiteral("CDMUNICIPIO"),
                                         QStringLiteral("CDBAIRRO")};

bool isEditing(DataSetState s)
{
    return s == DataSetState::Edit || s == DataSetState::Insert;
}

// The cell editor the operator types into, for the filters that look at its text and caret.
QLineEdit *cellEditor()
{
    return qobject_cast<QLineEdit *>(QApplication::focusWidget());
}

// A refused row goes back to the state it was posted from, with the operator's values, so that he
// can correct it or cancel; the rows around it stay as the server has them.
class RefusedRow
{
public:
    explicit RefusedRow(cns::DataSet &rows) : m_rows(rows)
    {
        for (int i = 0; i < rows.FieldCount(); ++i)
            m_values.append(rows.Fields(i).AsValue());
    }

    void reopen(bool inserted)
    {
        m_rows.CancelUpdates();
        if (inserted)
            m_rows.Append();
        else
            m_rows.Edit();
        for (int i = 0; i < m_rows.FieldCount(); ++i)
            m_rows.Fields(i).setValue(m_values.at(i));
    }

private:
    cns::DataSet &m_rows;
    QList<Value> m_values;
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// Packets and grids

void TfrmConsumidor::defineDetailPackets()
{
    cdsFilial.setFieldDefs(ConsumerRecord::branchFieldDefs());
    cdsConsFilial.setFieldDefs(ConsumerRecord::consumerBranchFieldDefs());
    for (cns::DataSet *ds : {&cdsFilial, &cdsConsFilial}) {
        ds->FieldByName(u"CDFILIAL").DisplayLabel = QStringLiteral("Código");
        ds->FieldByName(u"NMFILIAL").DisplayLabel = QStringLiteral("Nome");
    }
    cdsConsFilial.BeforeInsert = [this](cns::DataSet &) {
        dbgConsFilial->selectField(QStringLiteral("CDFILIAL"));
        dbgConsFilial->setFocus();
    };
    cdsConsFilial.BeforePost = [this](cns::DataSet &) { cdsConsFilialBeforePost(); };
    cdsConsFilial.AfterPost = [this](cns::DataSet &) { cdsConsFilialAfterPost(); };
    cdsConsFilial.BeforeDelete = [this](cns::DataSet &) { Vd_InsDelConsFilial(); };
    cdsConsFilial.AfterDelete = [this](cns::DataSet &) { cdsConsFilialAfterDelete(); };

    cdsEndeCons.setFieldDefs(ConsumerRecord::addressFieldDefs());
    cdsEndeCons.FieldByName(u"SGESTADO").OnSetText = [](cns::Field &f, const QString &text) { f.setAsString(text.toUpper()); };
    cdsEndeCons.BeforeInsert = [this](cns::DataSet &) { cdsEndeConsBeforeInsert(); };
    cdsEndeCons.BeforePost = [this](cns::DataSet &) { addressRules.beforePost(); };
    cdsEndeCons.AfterPost = [this](cns::DataSet &) { cdsEndeConsAfterPost(); };
    cdsEndeCons.AfterDelete = [this](cns::DataSet &) { cdsEndeConsAfterDelete(); };
}

void TfrmConsumidor::wireDetailGrids()
{
    FocusEvents &fe = FocusEvents::instance();
    // The record actions follow the grid the operator works in.
    fe.onEnter(dbgFilial, [this] { pointPadraoAt(&cdsFilial); });
    fe.onExit(dbgFilial, [this] { pointPadraoAt(pgcPadrao->currentWidget() == tshFilial ? &cdsConsFilial : &cdsConsumidor); });
    fe.onEnter(dbgConsFilial, [this] { pointPadraoAt(&cdsConsFilial); });
    fe.onEnter(dbgEndeCons, [this] { pointPadraoAt(&cdsEndeCons); });
    fe.onExit(dbgEndeCons, [this] {
        if (pgcPadrao->currentWidget() != tshOutrEnde)
            pointPadraoAt(&cdsConsumidor);
    });

    dbgConsFilial->OnKeyPress = [this](QChar key) { return dbgConsFilialKeyPress(key); };
    dbgConsFilial->OnColExit = [this](const QString &field) { dbgConsFilialColExit(field); };
    dbgConsFilial->OnEditButtonClick = [this](const QString &) { dbgConsFilialEditButtonClick(); };

    dbgEndeCons->OnKeyPress = [this](QChar key) { return dbgEndeConsKeyPress(key); };
    dbgEndeCons->OnColExit = [this](const QString &field) { addressRules.columnLeft(field); };
    dbgEndeCons->OnEditButtonClick = [this](const QString &) { dbgEndeConsEditButtonClick(); };
    dbgEndeCons->OnDrawColumnCell = [this](const DBGrid::Cell &cell) { dbgEndeConsDrawColumnCell(cell); };
}

void TfrmConsumidor::pointPadraoAt(cns::DataSet *rows)
{
    if (dtsPadrao.dataSet() == rows)
        return;
    dtsPadrao.setDataSet(rows);
    dtsPadraoStateChange();
}

bool TfrmConsumidor::onDetailTab() const
{
    return pgcPadrao->currentWidget() == tshFilial || pgcPadrao->currentWidget() == tshOutrEnde;
}

// The record actions on a detail tab: the client's branches are only shown; a branch link is added
// or removed, never changed; a further address is added, changed and removed.
void TfrmConsumidor::detailStateChange(const cns::DataSet *on)
{
    const bool consumer = cdsConsumidor.Active() && !cdsConsumidor.IsEmpty();
    const bool active = on && on->Active();
    const bool editing = active && isEditing(on->State());
    const bool rows = active && !on->IsEmpty();
    const bool writable = on == &cdsConsFilial || on == &cdsEndeCons;
    actIncluir->setEnabled(writable && consumer && active && !editing);
    actAlterar->setEnabled(on == &cdsEndeCons && rows && !editing);
    actExcluir->setEnabled(writable && rows && !editing);
    actConfirmar->setEnabled(writable && editing);
    actCancelar->setEnabled(writable && editing);
    actImprimir->setEnabled(rows && !editing);
    // A new branch link is typed or looked up; an existing one is never edited.
    const bool inserting = cdsConsFilial.State() == DataSetState::Insert;
    dbgConsFilial->setColumnReadOnly(QStringLiteral("CDFILIAL"), !inserting);
    dbgConsFilial->setColumnButton(QStringLiteral("CDFILIAL"), inserting);
    if (pgcPadrao->currentWidget() == tshOutrEnde) {
        const bool addressEditing = isEditing(cdsEndeCons.State());
        for (const QString &column : kAddressCodeColumns)
            dbgEndeCons->setColumnButton(column, addressEditing);
    }
    // While a detail row is edited the operator finishes it before going elsewhere.
    pgcPadrao->tabBar()->setEnabled(!editing);
    panCliente->setEnabled(!editing && !isEditing(cdsConsumidor.State()));
}

// Writes the detail packet's pending change (an insert, an update or a delete) at once.
void TfrmConsumidor::sendDetail(cns::DataSet &rows, const QString &method)
{
    if (rows.ChangeCount() == 0)
        return;
    Consiste::CheckResultServ(call(method, {Value(rows.Delta())}, 1), true, 0);
    if (rows.LogChanges())
        rows.MergeChangeLog();
}

// ---------------------------------------------------------------------------------------------------
// Branch links

QChar TfrmConsumidor::dbgConsFilialKeyPress(QChar key)
{
    // Enter and Escape still end or drop the cell's edit, as the grid's own keys.
    const bool control = key == QChar(8) || key == QChar(13) || key == QChar(27);
    const bool allowed = control || (key >= u'0' && key <= u'9') || (key >= u'A' && key <= u'Z') || key == u'Ç';
    if (!allowed)
        return {};
    if (control || cdsConsFilial.State() != DataSetState::Insert)
        return key;
    QLineEdit *editor = cellEditor();
    if (!editor)
        return key;
    const int selStart = editor->hasSelectedText() ? editor->selectionStart() : editor->cursorPosition();
    return Consiste::MaxNumber(key, editor->text(), selStart, int(editor->selectedText().size()), 4, 0);
}

void TfrmConsumidor::dbgConsFilialColExit(const QString &field)
{
    if (field != u"CDFILIAL" || dtsPadrao.State() != DataSetState::Insert)
        return;
    Vd_ConsFilial();
    rules.badge().Vd_CodBarra(false);
}

void TfrmConsumidor::dbgConsFilialEditButtonClick()
{
    TADOIBQuery &q = lookups.qryClienFilial;
    ConsumerLookups::open(q, QList<QPair<QString, QString>>{{QStringLiteral("P_CDCLIENTE"), clientCode()}}
                                 + ConsumerLookups::branchFilter(QStringLiteral("P_CDFILIAL"), m_workingBranch));
    if (!Pesquisa::Pesquisar(q, msgPadrao.Msg(u"FILIAL")))
        return;
    dbgConsFilial->dropEditor();
    cdsConsFilial.FieldByName(u"CDFILIAL").setAsString(q.FieldByName(u"CDFILIAL").AsString());
    cdsConsFilial.FieldByName(u"NMFILIAL").setAsString(q.FieldByName(u"NMFILIAL").AsString());
    cdsConsFilial.FieldByName(u"CDCLIENTE").setAsString(clientCode());
    cdsConsFilial.FieldByName(u"CDCONSUMIDOR").setAsString(consumerCode());
}

void TfrmConsumidor::cdsConsFilialBeforePost()
{
    Corvane::AtualizaLocalCache({QStringLiteral("CONSUMIFILIAL")});
    Vd_ConsFilial();
    Vd_InsDelConsFilial();
    rules.badge().Vd_CodBarra(false);
}

void TfrmConsumidor::cdsConsFilialAfterPost()
{
    RefusedRow refused(cdsConsFilial);
    try {
        sendDetail(cdsConsFilial, QStringLiteral("SetConsFilial"));
    } catch (...) {
        refused.reopen(true);
        throw;
    }
    Corvane::AtualizaLocalCache({QStringLiteral("CONSUMIFILIAL")});
    loadDetail(cdsConsFilial, QStringLiteral("getConsFilial"));
}

void TfrmConsumidor::cdsConsFilialAfterDelete()
{
    try {
        sendDetail(cdsConsFilial, QStringLiteral("SetConsFilial"));
    } catch (...) {
        cdsConsFilial.CancelUpdates(); // the link the server kept is shown again
        throw;
    }
    Corvane::AtualizaLocalCache({QStringLiteral("CONSUMIFILIAL")});
}

void TfrmConsumidor::ExibirPopUpAtualizaFilial()
{
    if (!btnAtuFiliCons->isEnabled())
        return;
    QWidget *button = toolBar()->widgetForAction(btnAtuFiliCons);
    const QPoint at = button ? button->mapToGlobal(QPoint(0, 21)) : QCursor::pos();
    ppmAtualizaFilialCons->popup(at);
}

void TfrmConsumidor::AtualizarFilialLogada()
{
    if (msgPadrao.ShowMsg(u"ConfirAtuFiliCons", cns::MsgType::Confirmation, cns::mbYes | cns::mbNo) != cns::mrYes)
        return;
    Consiste::CheckResultServ(call(QStringLiteral("setAtuFiliCons"), {Value(Corvane::FiliProc())}, 6), true, 0);
}

void TfrmConsumidor::AtualizarListaFiliais()
{
    const QString client = cdsCliente.FieldByName(u"CDCLIENTE").AsString();
    const QString selection = TfrmAtualizaFilLista::ObterListaFilialSelecionado(client);
    if (selection.trimmed().isEmpty())
        Consiste::MensErroAbort(msgPadrao.Msg(u"MSG_NENHUM_FIL_SEL"));
    if (msgPadrao.ShowMsg(u"ConfirAtuFiliConsSel", cns::MsgType::Confirmation, cns::mbYes | cns::mbNo) != cns::mrYes)
        return;
    Consiste::CheckResultServ(call(QStringLiteral("setAtuFiliConsLista"), {Value(selection), Value(client)}, 6), true, 0);
}

// ---------------------------------------------------------------------------------------------------
// Further addresses

QChar TfrmConsumidor::dbgEndeConsKeyPress(QChar key)
{
    const QString column = dbgEndeCons->selectedField();
    const bool control = key == QChar(8) || key == QChar(13);
    if (column == u"CDPAIS" || column == u"CDMUNICIPIO" || column == u"CDBAIRRO")
        return control || (key >= u'0' && key <= u'9') ? key : QChar();
    if (column == u"SGESTADO") {
        const bool letter = (key >= u'A' && key <= u'Z') || (key >= u'a' && key <= u'z');
        return control || letter ? key : QChar();
    }
    return key;
}

void TfrmConsumidor::cdsEndeConsBeforeInsert()
{
    dbgEndeCons->selectField(QStringLiteral("DSENDECONS"));
    dbgEndeCons->setFocus();
}

void TfrmConsumidor::dbgEndeConsEditButtonClick()
{
    const QString column = dbgEndeCons->selectedField();
    const auto row = [this](QStringView name) { return cdsEndeCons.FieldByName(name).AsString(); };
    struct Lookup
    {
        TADOIBQuery *query;
        QString codeParam, title;
        QList<QPair<QString, QString>> fixed;
        QStringList copied; // the row's fields taken from the chosen one
    };
    Lookup l;
    if (column == u"CDPAIS")
        l = {&lookups.qryPais, QStringLiteral("P_CDPAIS"), QStringLiteral("PAIS"), {}, {QStringLiteral("CDPAIS"), QStringLiteral("NMPAIS")}};
    else if (column == u"SGESTADO")
        l = {&lookups.qryEstado, QStringLiteral("P_SGESTADO"), QStringLiteral("ESTADO"), {{QStringLiteral("P_CDPAIS"), row(u"CDPAIS")}},
             {QStringLiteral("SGESTADO")}};
    else if (column == u"CDMUNICIPIO")
        l = {&lookups.qryMunicipio, QStringLiteral("P_CDMUNICIPIO"), QStringLiteral("MUNICIPIO"),
             {{QStringLiteral("P_CDPAIS"), row(u"CDPAIS")}, {QStringLiteral("P_SGESTADO"), row(u"SGESTADO")}},
             {QStringLiteral("CDMUNICIPIO"), QStringLiteral("NMMUNICIPIO")}};
    else if (column == u"CDBAIRRO")
        l = {&lookups.qryBairro, QStringLiteral("P_CDBAIRRO"), QStringLiteral("BAIRRO"),
             {{QStringLiteral("P_CDPAIS"), row(u"CDPAIS")}, {QStringLiteral("P_SGESTADO"), row(u"SGESTADO")},
              {QStringLiteral("P_CDMUNICIPIO"), row(u"CDMUNICIPIO")}},
             {QStringLiteral("CDBAIRRO"), QStringLiteral("NMBAIRRO")}};
    else
        return;
    ConsumerLookups::openFor(*l.query, l.codeParam, QString(), l.fixed);
    if (!Pesquisa::Pesquisar(*l.query, msgPadrao.Msg(l.title)))
        return;
    dbgEndeCons->dropEditor();
    if (cdsEndeCons.State() == DataSetState::Browse)
        cdsEndeCons.Edit();
    for (const QString &name : l.copied)
        cdsEndeCons.FieldByName(name).setAsString(l.query->FieldByName(name).AsString());
}

void TfrmConsumidor::cdsEndeConsAfterPost()
{
    RefusedRow refused(cdsEndeCons);
    const bool inserted = cdsEndeCons.FieldByName(u"CDENDECONS").AsString().isEmpty();
    try {
        sendDetail(cdsEndeCons, QStringLiteral("SetEndeCons"));
    } catch (...) {
        refused.reopen(inserted);
        throw;
    }
    // The number the server gave a new address is needed to change or remove it later.
    if (inserted)
        loadDetail(cdsEndeCons, QStringLiteral("getEndeCons"));
}

void TfrmConsumidor::cdsEndeConsAfterDelete()
{
    try {
        sendDetail(cdsEndeCons, QStringLiteral("SetEndeCons"));
    } catch (...) {
        cdsEndeCons.CancelUpdates(); // the address the server kept is shown again
        throw;
    }
}

// The code columns show the names of their codes; the selected cell of a browsing grid, when the
// grid does not have the focus, shows the code itself, so that the operator can read what is stored.
void TfrmConsumidor::dbgEndeConsDrawColumnCell(const DBGrid::Cell &cell)
{
    static const QHash<QString, QString> nameOf = {{QStringLiteral("CDPAIS"), QStringLiteral("NMPAIS")},
                                                   {QStringLiteral("CDMUNICIPIO"), QStringLiteral("NMMUNICIPIO")},
                                                   {QStringLiteral("CDBAIRRO"), QStringLiteral("NMBAIRRO")}};
    const QPalette &pal = dbgEndeCons->palette();
    const QColor background = pal.color(cell.selected ? QPalette::Highlight : QPalette::Base);
    const QColor text = pal.color(cell.selected ? QPalette::HighlightedText : QPalette::Text);
    DBGrid::Cell shown = cell;
    const auto name = nameOf.constFind(cell.field);
    if (name != nameOf.cend()) {
        const bool showCode = cell.selected && !cell.focused && !dbgEndeCons->hasFocus() && cdsEndeCons.State() == DataSetState::Browse;
        shown.text = ConsumerGridCell::addressCodeText(cdsEndeCons, cell.index.row(), cell.field, *name, showCode);
    }
    DBGrid::drawCell(shown, background, text);
}
