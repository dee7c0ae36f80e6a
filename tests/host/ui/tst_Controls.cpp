#include "DBCheckBox.h"
#include "DBComboBox.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNumericEdit.h"
#include "DataSet.h"
#include "DataSource.h"
#include "EErro.h"
#include "EditMask.h"
#include "KeyFilter.h"
#include "MaskEdit.h"
#include "Pesqlista.h"
#include "Pesquisa.h"
#include "ScriptedDialogs.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace cns;
using namespace cns::ui;

namespace {

Packet consumers()
{
    Packet p({{"CDCONSUMIDOR", FieldType::String, 21},
              {"NMCONSUMIDOR", FieldType::String, 50},
              {"IDSITCONSUMI", FieldType::String, 1},
              {"IDTPSELMANHA", FieldType::String, 1},
              {"VRLIMDEBCONS", FieldType::Float, 0},
              {"DSINFOCONS", FieldType::String, 200}});
    p.addRow({Value("1"), Value("Ana"), Value("1"), Value("S"), Value(1234.5), Value("nota")});
    p.addRow({Value("2"), Value("Bruno"), Value("2"), Value("N"), Value(), Value()});
    return p;
}

void situationTexts(DataSet &ds)
{
    Field &sit = ds.FieldByName(u"IDSITCONSUMI");
    sit.OnGetText = [](const Field &f, bool) { return f.AsString() == u"1" ? QString("Ativo") : QString("Inativo"); };
    sit.OnSetText = [](Field &f, const QString &t) { f.setAsString(t == u"Ativo" ? "1" : "2"); };
}

} // namespace

class tst_Controls : public QObject
{
    Q_OBJECT

private slots:
    void masksTranslate_data();
    void masksTranslate();
    void editWritesAtOnceAndFollowsTheCursor();
    void checkBoxComboAndMemo();
    void numericEditShowsFormatAndRefusesText();
    void gridModelPassesTheTesterAndFollowsTheCursor();
    void keyFilterDropsAndReplaces();
    void lookupsThroughTheHostDialogs();
};

void tst_Controls::masksTranslate_data()
{
    QTest::addColumn<QString>("delphi");
    QTest::addColumn<QString>("qt");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("formatted");
    QTest::newRow("cpf") << "999.999.999-99;1; " << "000.000.000-00; " << "52998224725" << "529.982.247-25";
    QTest::newRow("cnpj") << "99.999.999/9999-99" << "00.000.000/0000-00;_" << "11222333000181" << "11.222.333/0001-81";
    QTest::newRow("branch") << ">aaaa;0; " << ">nnnn; " << "00a1" << "00a1";
    QTest::newRow("required digits") << "00/00;1;_" << "99/99;_" << "1231" << "12/31";
    QTest::newRow("literal letters escaped") << "\\H99" << "\\H00;_" << "12" << "H12";
    QTest::newRow("no mask") << "" << "" << "livre" << "livre";
}

void tst_Controls::masksTranslate()
{
    QFETCH(QString, delphi);
    QFETCH(QString, qt);
    QFETCH(QString, raw);
    QFETCH(QString, formatted);
    const EditMask m(delphi);
    QCOMPARE(m.qtInputMask(), qt);
    QCOMPARE(m.format(raw), formatted);
    QCOMPARE(m.stripped(formatted), raw.isEmpty() ? raw : m.isEmpty() ? formatted : raw);
}

void tst_Controls::editWritesAtOnceAndFollowsTheCursor()
{
    DataSet ds("cdsConsumidor");
    ds.setData(consumers());
    DataSource src(&ds);
    DBEdit edit;
    edit.setDataSource(&src, "NMCONSUMIDOR");
    QCOMPARE(edit.text(), QString("Ana"));
    QCOMPARE(edit.maxLength(), 50);
    ds.Next();
    QCOMPARE(edit.text(), QString("Bruno"));
    edit.show();
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, "Beto");
    QCOMPARE(ds.State(), DataSetState::Edit); // typing put the record into editing
    QCOMPARE(ds.FieldByName(u"NMCONSUMIDOR").AsString(), QString("Beto"));
    ds.Cancel();
    QCOMPARE(edit.text(), QString("Bruno"));
    // A read-only field is not written.
    ds.FieldByName(u"NMCONSUMIDOR").ReadOnly = true;
    QTest::keyClicks(&edit, "x");
    QCOMPARE(ds.State(), DataSetState::Browse);
    QCOMPARE(edit.text(), QString("Bruno"));
    // A data source re-pointed at another packet is followed.
    DataSet other("cdsOutro");
    Packet p({{"NMCONSUMIDOR", FieldType::String, 50}});
    p.addRow({Value("Outro")});
    other.setData(p);
    src.setDataSet(&other);
    QCOMPARE(edit.text(), QString("Outro"));
}

void tst_Controls::checkBoxComboAndMemo()
{
    DataSet ds("cdsConsumidor");
    ds.setData(consumers());
    situationTexts(ds);
    DataSource src(&ds);
    DBCheckBox check;
    check.setDataSource(&src, "IDTPSELMANHA");
    DBComboBox combo;
    combo.addItems({"Ativo", "Inativo"});
    combo.setDataSource(&src, "IDSITCONSUMI");
    DBMemo memo;
    memo.setDataSource(&src, "DSINFOCONS");
    QVERIFY(check.isChecked());
    QCOMPARE(combo.currentText(), QString("Ativo"));
    QCOMPARE(memo.toPlainText(), QString("nota"));
    check.click();
    QCOMPARE(ds.FieldByName(u"IDTPSELMANHA").AsString(), QString("N"));
    QCOMPARE(ds.State(), DataSetState::Edit);
    emit combo.activated(1);
    QCOMPARE(ds.FieldByName(u"IDSITCONSUMI").AsString(), QString("2"));
    memo.setPlainText("outra nota");
    QCOMPARE(ds.FieldByName(u"DSINFOCONS").AsString(), QString("outra nota"));
    ds.Post();
    ds.Next();
    QVERIFY(!check.isChecked());
    QCOMPARE(combo.currentText(), QString("Inativo"));
    QVERIFY(memo.toPlainText().isEmpty());
}

void tst_Controls::numericEditShowsFormatAndRefusesText()
{
    ScriptedDialogs dialogs;
    DataSet ds("cdsConsumidor");
    ds.setData(consumers());
    ds.FieldByName(u"VRLIMDEBCONS").DisplayFormat = "#,##0.00";
    DataSource src(&ds);
    DBNumericEdit ned;
    ned.setDataSource(&src, "VRLIMDEBCONS");
    QCOMPARE(ned.text(), QString("1.234,50"));
    ned.setText("12,5");
    emit ned.textEdited("12,5");
    QCOMPARE(ds.State(), DataSetState::Edit);
    ds.Post(); // the pending text is written before the post
    QCOMPARE(ds.FieldByName(u"VRLIMDEBCONS").AsFloat(), 12.5);
    QCOMPARE(ned.text(), QString("12,50"));
    ds.Edit();
    ned.setText("doze");
    emit ned.textEdited("doze");
    QVERIFY_THROWS_EXCEPTION(EErro, ds.Post());
    QCOMPARE(ds.State(), DataSetState::Edit);
    ned.setText("");
    emit ned.textEdited("");
    ds.Post();
    QVERIFY(ds.FieldByName(u"VRLIMDEBCONS").IsNull()); // blank is null, not zero
}

void tst_Controls::gridModelPassesTheTesterAndFollowsTheCursor()
{
    DataSet ds("cdsConsumidor");
    ds.setData(consumers());
    situationTexts(ds);
    DataSource src(&ds);
    DBGrid grid;
    grid.setDataSource(&src);
    grid.setColumns({GridColumn("CDCONSUMIDOR"), GridColumn("NMCONSUMIDOR", 0, "Nome"), GridColumn("IDSITCONSUMI")});
    QAbstractItemModelTester tester(&grid.dataModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    DataSetModel &m = grid.dataModel();
    QCOMPARE(m.rowCount(), 2);
    QCOMPARE(m.data(m.index(1, 2), Qt::DisplayRole).toString(), QString("Inativo"));
    QCOMPARE(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Nome"));
    ds.Next();
    QCOMPARE(grid.currentIndex().row(), 1);
    grid.setCurrentIndex(m.index(0, 1));
    QCOMPARE(ds.RecNo(), 1);
    QCOMPARE(grid.selectedField(), QString("NMCONSUMIDOR"));
    // Inserting adds the row being inserted; cancelling takes it away.
    ds.Append();
    QCOMPARE(m.rowCount(), 3);
    ds.Cancel();
    QCOMPARE(m.rowCount(), 2);
    // Editing a cell edits the record of its row.
    QVERIFY(m.setData(m.index(1, 1), "Bento", Qt::EditRole));
    QCOMPARE(ds.RecNo(), 2);
    QCOMPARE(ds.FieldByName(u"NMCONSUMIDOR").AsString(), QString("Bento"));
    ds.Post();
    ds.setData(consumers()); // a reload resets the model
    QCOMPARE(m.data(m.index(1, 1), Qt::DisplayRole).toString(), QString("Bruno"));
    // Leaving a column runs its exit hook; a failing hook keeps the grid on the column.
    grid.setCurrentIndex(m.index(0, 0));
    grid.OnColExit = [](const QString &field) {
        if (field == u"CDCONSUMIDOR")
            throw EErro("recusado");
    };
    ScriptedDialogs dialogs;
    grid.setCurrentIndex(m.index(0, 1));
    QCOMPARE(grid.currentIndex().column(), 0);
    QCOMPARE(dialogs.lastText(), QString("recusado"));
}

void tst_Controls::keyFilterDropsAndReplaces()
{
    QLineEdit edit;
    KeyFilter::install(&edit, [](QChar c) { return c.isDigit() ? c : c.isLetter() ? c.toUpper() : QChar(); });
    edit.show();
    QTest::keyClicks(&edit, "a1-b2");
    QCOMPARE(edit.text(), QString("A1B2"));
    QLineEdit phone;
    KeyFilter::install(&phone, KeyFilter::only("0123456789()- "));
    QTest::keyClicks(&phone, "(11) 9a");
    QCOMPARE(phone.text(), QString("(11) 9"));
}

void tst_Controls::lookupsThroughTheHostDialogs()
{
    ScriptedDialogs dialogs;
    DataSet ds("qryFilial");
    ds.setData(consumers());
    dialogs.rowChoices.enqueue(1);
    QVERIFY(Pesquisa::Pesquisar(ds, "Filial"));
    QCOMPARE(ds.RecNo(), 2);
    dialogs.rowChoices.enqueue(-1);
    QVERIFY(!Pesquisa::Pesquisar(ds, "Filial"));
    QString list = "antes";
    dialogs.listChoices.enqueue({0, 1});
    QVERIFY(Pesqlista::PesquisaLista(ds, "CDCONSUMIDOR", "Consumidor|Nenhum", list));
    QCOMPARE(list, QString("_1_2_"));
    QCOMPARE(Pesqlista::keysOf(list), QStringList({"1", "2"}));
    dialogs.listChoices.enqueue({});
    QVERIFY(Pesqlista::PesquisaLista(ds, "CDCONSUMIDOR", "Consumidor", list));
    QCOMPARE(list, QString());
    QVERIFY(!Pesqlista::PesquisaLista(ds, "CDCONSUMIDOR", "Consumidor", list)); // gave up: list kept
    ds.EmptyDataSet();
    QVERIFY(!Pesquisa::Pesquisar(ds, "Filial", "Não há filial cadastrada."));
    QCOMPARE(dialogs.lastText(), QString("Não há filial cadastrada."));
    QVERIFY(!Pesqlista::PesquisaLista(ds, "CDCONSUMIDOR", "Consumidor|Não há consumidor.", list));
    QCOMPARE(dialogs.lastText(), QString("Não há consumidor."));
}

QTEST_MAIN(tst_Controls)
#include "tst_Controls.moc"
