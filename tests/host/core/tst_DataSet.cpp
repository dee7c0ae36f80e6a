#include "DataSet.h"
#include "DataSetListener.h"
#include "DataSource.h"
#include "EAbort.h"
#include "EErro.h"

#include <QTest>

using namespace cns;

namespace {

// A packet of consumers: code, name, branch, balance.
Packet consumers(const QList<QStringList> &rows)
{
    Packet p({{"CDCONSUMIDOR", FieldType::String, 21},
              {"NMCONSUMIDOR", FieldType::String, 50},
              {"CDFILIAL", FieldType::String, 4},
              {"VRSALDO", FieldType::Float, 0}});
    for (const QStringList &r : rows)
        p.addRow({Value(r.at(0)), Value(r.at(1)), Value(r.value(2)), r.size() > 3 ? Value(r.at(3).toDouble()) : Value()});
    return p;
}

Packet fiveConsumers()
{
    return consumers({{"1", "Ana"}, {"2", "Bruno"}, {"3", "Carla"}, {"4", "Davi"}, {"5", "Elisa"}});
}

QStringList codes(DataSet &ds)
{
    QStringList out;
    for (int i = 0; i < ds.rowCount(); ++i)
        out.append(ds.rowValue(i, 0).toString());
    return out;
}

// The change set as readable lines: "insert 9 Zeca", "update 2 Bruno>Beto", "delete 3 Carla".
QStringList deltaLines(const DataSet &ds)
{
    QStringList out;
    const ChangeSet cs = ds.Delta();
    for (const auto &c : cs.changes()) {
        switch (c.op) {
        case ChangeSet::Op::Insert:
            out.append(QStringLiteral("insert %1 %2").arg(c.newRow.value(0).toString(), c.newRow.value(1).toString()));
            break;
        case ChangeSet::Op::Update:
            out.append(QStringLiteral("update %1 %2>%3")
                           .arg(c.oldRow.value(0).toString(), c.oldRow.value(1).toString(), c.newRow.value(1).toString()));
            break;
        case ChangeSet::Op::Delete:
            out.append(QStringLiteral("delete %1 %2").arg(c.oldRow.value(0).toString(), c.oldRow.value(1).toString()));
            break;
        }
    }
    return out;
}

void locateCode(DataSet &ds, const QString &code)
{
    QVERIFY2(ds.Locate(QStringLiteral("CDCONSUMIDOR"), {Value(code)}), qPrintable(code));
}

// Runs "ins K N", "edit K N", "del K" separated by ';'.
void runScript(DataSet &ds, const QString &script)
{
    for (const QString &step : script.split(u';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(u' ');
        if (w.at(0) == u"ins") {
            ds.Append();
            ds.FieldByName(u"CDCONSUMIDOR").setAsString(w.at(1));
            ds.FieldByName(u"NMCONSUMIDOR").setAsString(w.at(2));
            ds.Post();
        } else if (w.at(0) == u"edit") {
            locateCode(ds, w.at(1));
            ds.Edit();
            ds.FieldByName(u"NMCONSUMIDOR").setAsString(w.at(2));
            ds.Post();
        } else if (w.at(0) == u"del") {
            locateCode(ds, w.at(1));
            ds.Delete();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
}

class Recorder : public DataSetListener
{
public:
    QStringList events;
    void activeChanged(DataSet &) override { events << QStringLiteral("active"); }
    void stateChanged(DataSet &) override { events << QStringLiteral("state"); }
    void dataSetChanged(DataSet &) override { events << QStringLiteral("data"); }
    void scrolled(DataSet &) override { events << QStringLiteral("scroll"); }
    void recordChanged(DataSet &, Field *f) override { events << (QStringLiteral("field ") + (f ? f->FieldName() : QString())); }
};

} // namespace

class tst_DataSet : public QObject
{
    Q_OBJECT

private slots:
    void cursorWalksEveryRowOnce();
    void emptyPacketIsEofAndBof();
    void changeSet_data();
    void changeSet();
    void cancelUpdatesRestoresRowsAsTheyWere();
    void mergeMakesCurrentValuesTheOriginals();
    void appendedRowsAreNeverChanges();
    void filterIndexAndLocateTogether();
    void caseInsensitiveIndexIgnoresAccents();
    void abortedBeforeEventsLeaveStateAsItWas();
    void insertedRowKeepsItsPlaceOrFollowsTheIndex();
    void movingPostsTheEditedRecord();
    void textsAreCutToTheFieldSize();
    void valuesAsTextFollowBrazilianForms();
    void textHandlersServeControlsAndGrid();
    void persistentFieldsTakePacketColumnsByName();
    void dataSourceFollowsRepointingAndState();
    void disabledControlsHearOnceWhenEnabled();
    void editOnEmptyInsertsAndDeleteOnEmptyFails();
};

void tst_DataSet::cursorWalksEveryRowOnce()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(fiveConsumers());
    QVERIFY(ds.Bof());
    QVERIFY(!ds.Eof());
    QCOMPARE(ds.RecNo(), 1);
    QStringList seen;
    for (ds.First(); !ds.Eof(); ds.Next())
        seen << ds.FieldByName(u"NMCONSUMIDOR").AsString();
    QCOMPARE(seen, QStringList({"Ana", "Bruno", "Carla", "Davi", "Elisa"}));
    QCOMPARE(ds.RecNo(), 5); // Eof leaves the cursor on the last row
    ds.Prior();
    QCOMPARE(ds.FieldByName(u"CDCONSUMIDOR").AsString(), QStringLiteral("4"));
    QVERIFY(!ds.Eof());
    QCOMPARE(ds.MoveBy(-10), -3);
    QVERIFY(ds.Bof());
    QCOMPARE(ds.RecNo(), 1);
    ds.Last();
    QVERIFY(ds.Eof());
    QCOMPARE(ds.RecNo(), 5);
    ds.setRecNo(3);
    QCOMPARE(ds.FieldByName(u"NMCONSUMIDOR").AsString(), QStringLiteral("Carla"));
    QCOMPARE(ds.RecordCount(), 5);
    QVERIFY_THROWS_EXCEPTION(EErro, ds.setRecNo(6));
}

void tst_DataSet::emptyPacketIsEofAndBof()
{
    DataSet ds(QStringLiteral("cdsVazio"));
    ds.setData(consumers({}));
    QVERIFY(ds.Eof());
    QVERIFY(ds.Bof());
    QVERIFY(ds.IsEmpty());
    QCOMPARE(ds.RecNo(), 0);
    QVERIFY(ds.FieldByName(u"NMCONSUMIDOR").IsNull());
    int loops = 0;
    for (ds.First(); !ds.Eof(); ds.Next())
        ++loops;
    QCOMPARE(loops, 0);
}

void tst_DataSet::changeSet_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("delta");
    QTest::newRow("edit") << "edit 2 Beto" << QStringList{"update 2 Bruno>Beto"};
    QTest::newRow("edit twice keeps the first original") << "edit 2 Beto; edit 2 Betinho"
                                                        << QStringList{"update 2 Bruno>Betinho"};
    QTest::newRow("edit back to the original is no change") << "edit 2 Beto; edit 2 Bruno" << QStringList{};
    QTest::newRow("insert then edit is one insert") << "ins 9 Zeca; edit 9 Zeca2" << QStringList{"insert 9 Zeca2"};
    QTest::newRow("insert then delete is nothing") << "ins 9 Zeca; del 9" << QStringList{};
    QTest::newRow("edit then delete deletes the original") << "edit 3 Carol; del 3" << QStringList{"delete 3 Carla"};
    QTest::newRow("order of first change") << "edit 4 D; del 1; ins 1 Ana2; edit 4 DD"
                                           << QStringList{"update 4 Davi>DD", "delete 1 Ana", "insert 1 Ana2"};
}

void tst_DataSet::changeSet()
{
    QFETCH(QString, script);
    QFETCH(QStringList, delta);
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(fiveConsumers());
    runScript(ds, script);
    QCOMPARE(deltaLines(ds), delta);
    QCOMPARE(ds.ChangeCount(), delta.size());
}

void tst_DataSet::cancelUpdatesRestoresRowsAsTheyWere()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    const Packet original = fiveConsumers();
    ds.setData(original);
    runScript(ds, QStringLiteral("edit 2 Beto; del 4; ins 7 Gil; del 1; edit 5 Eli"));
    QCOMPARE(codes(ds), QStringList({"2", "3", "5", "7"}));
    ds.CancelUpdates();
    QCOMPARE(ds.ChangeCount(), 0);
    QCOMPARE(ds.Data(), original);
    // The cursor stays on the row it was on (the last one edited), now back in its place.
    QCOMPARE(ds.FieldByName(u"CDCONSUMIDOR").AsString(), QString("5"));
    QCOMPARE(ds.RecNo(), 5);
    // A row that goes (an insert undone) leaves the cursor near where it was.
    runScript(ds, QStringLiteral("ins 8 Hugo"));
    ds.CancelUpdates();
    QCOMPARE(ds.RecordCount(), 5);
    QVERIFY(ds.RecNo() >= 1);
}

void tst_DataSet::mergeMakesCurrentValuesTheOriginals()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(fiveConsumers());
    runScript(ds, QStringLiteral("edit 2 Beto; del 3; ins 8 Hugo"));
    locateCode(ds, QStringLiteral("8"));
    ds.MergeChangeLog();
    QCOMPARE(ds.ChangeCount(), 0);
    QVERIFY(ds.Delta().isEmpty());
    QCOMPARE(ds.FieldByName(u"CDCONSUMIDOR").AsString(), QStringLiteral("8")); // cursor kept
    runScript(ds, QStringLiteral("edit 2 Bento"));
    QCOMPARE(deltaLines(ds), QStringList{"update 2 Beto>Bento"});
    ds.CancelUpdates();
    QCOMPARE(codes(ds), QStringList({"1", "2", "4", "5", "8"}));
}

void tst_DataSet::appendedRowsAreNeverChanges()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    DataSet chunk(QStringLiteral("cdsConsTemp"));
    ds.setData(consumers({{"1", "Ana"}, {"2", "Bruno"}}));
    chunk.setData(consumers({{"3", "Carla"}, {"4", "Davi"}}));
    ds.AppendData(chunk.Data());
    ds.MergeChangeLog();
    chunk.EmptyDataSet();
    QCOMPARE(chunk.RecordCount(), 0);
    QCOMPARE(ds.RecordCount(), 4);
    QCOMPARE(ds.ChangeCount(), 0);
    runScript(ds, QStringLiteral("edit 4 Davi2"));
    QCOMPARE(deltaLines(ds), QStringList{"update 4 Davi>Davi2"});
}

void tst_DataSet::filterIndexAndLocateTogether()
{
    DataSet ds(QStringLiteral("cdsCliente"));
    ds.setData(consumers({{"1", "Zé", "0001"}, {"2", "ana", "0002"}, {"3", "Bia", "0001"}, {"4", "Ana", "0001"},
                          {"5", "caio", "0001"}}));
    ds.setIndexFieldNames(QStringLiteral("NMCONSUMIDOR"), DataSet::IxCaseInsensitive);
    QCOMPARE(codes(ds), QStringList({"4", "2", "3", "5", "1"}));
    const QString branch = QStringLiteral("0001");
    ds.setOnFilterRecord([&branch](const DataSet &d) { return d.FieldByName(u"CDFILIAL").AsString() == branch; });
    ds.setFiltered(true);
    QCOMPARE(codes(ds), QStringList({"4", "3", "5", "1"}));
    QCOMPARE(ds.RecordCount(), 4);
    QVERIFY(!ds.Locate(QStringLiteral("CDCONSUMIDOR"), {Value(QStringLiteral("2"))})); // filtered out
    QVERIFY(ds.Locate(QStringLiteral("NMCONSUMIDOR"), {Value(QStringLiteral("CA"))},
                      DataSet::CaseInsensitive | DataSet::PartialKey));
    QCOMPARE(ds.FieldByName(u"CDCONSUMIDOR").AsString(), QStringLiteral("5"));
    QCOMPARE(ds.RecNo(), 3);
    QVERIFY(!ds.Locate(QStringLiteral("NMCONSUMIDOR"), {Value(QStringLiteral("CA"))}, DataSet::CaseInsensitive));
    QVERIFY(ds.Locate(QStringLiteral("CDFILIAL;NMCONSUMIDOR"), {Value(branch), Value(QStringLiteral("Bia"))}));
    QCOMPARE(ds.FieldByName(u"CDCONSUMIDOR").AsString(), QStringLiteral("3"));

    // An edit that takes the row out of the filter makes it leave the view.
    ds.Edit();
    ds.FieldByName(u"CDFILIAL").setAsString(QStringLiteral("0009"));
    ds.Post();
    QCOMPARE(codes(ds), QStringList({"4", "5", "1"}));
    ds.setFiltered(false);
    QCOMPARE(codes(ds), QStringList({"4", "2", "3", "5", "1"}));
}

void tst_DataSet::caseInsensitiveIndexIgnoresAccents()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(consumers({{"1", "Érica"}, {"2", "eduardo"}, {"3", "Álvaro"}, {"4", "Zuleica"}, {"5", "alice"}}));
    ds.AddIndex(QStringLiteral("ixNome"), QStringLiteral("NMCONSUMIDOR"), DataSet::IxCaseInsensitive);
    ds.setIndexName(QStringLiteral("ixNome"));
    QCOMPARE(codes(ds), QStringList({"5", "3", "2", "1", "4"}));
    ds.AddIndex(QStringLiteral("ixDesc"), QStringLiteral("NMCONSUMIDOR"), DataSet::IxCaseInsensitive | DataSet::IxDescending);
    ds.setIndexName(QStringLiteral("ixDesc"));
    QCOMPARE(codes(ds), QStringList({"4", "1", "2", "3", "5"}));
    ds.setIndexName(QString());
    QCOMPARE(codes(ds), QStringList({"1", "2", "3", "4", "5"}));
    QVERIFY_THROWS_EXCEPTION(EErro, ds.setIndexName(QStringLiteral("ixNada")));
}

void tst_DataSet::abortedBeforeEventsLeaveStateAsItWas()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(fiveConsumers());
    bool refuse = true;
    ds.BeforePost = [&](DataSet &) {
        if (refuse)
            throw EAbort();
    };
    locateCode(ds, QStringLiteral("2"));
    ds.Edit();
    ds.FieldByName(u"NMCONSUMIDOR").setAsString(QStringLiteral("Beto"));
    QVERIFY_THROWS_EXCEPTION(EAbort, ds.Post());
    QCOMPARE(ds.State(), DataSetState::Edit);
    QCOMPARE(ds.FieldByName(u"NMCONSUMIDOR").AsString(), QStringLiteral("Beto"));
    QCOMPARE(ds.ChangeCount(), 0);
    refuse = false;
    ds.Post();
    QCOMPARE(deltaLines(ds), QStringList{"update 2 Bruno>Beto"});

    ds.BeforeInsert = [](DataSet &) { throw EErro(QStringLiteral("não")); };
    QVERIFY_THROWS_EXCEPTION(EErro, ds.Append());
    QCOMPARE(ds.State(), DataSetState::Browse);
    QCOMPARE(ds.rowCount(), 5);

    ds.BeforeDelete = [](DataSet &) { throw EAbort(); };
    QVERIFY_THROWS_EXCEPTION(EAbort, ds.Delete());
    QCOMPARE(ds.RecordCount(), 5);

    ds.BeforeEdit = [](DataSet &) { throw EAbort(); };
    QVERIFY_THROWS_EXCEPTION(EAbort, ds.Edit());
    QCOMPARE(ds.State(), DataSetState::Browse);
    QVERIFY_THROWS_EXCEPTION(EErro, ds.FieldByName(u"NMCONSUMIDOR").setAsString(QStringLiteral("x")));
}

void tst_DataSet::insertedRowKeepsItsPlaceOrFollowsTheIndex()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(fiveConsumers());
    ds.setRecNo(3);
    ds.Insert();
    QCOMPARE(ds.RecNo(), 3);
    QCOMPARE(ds.RecordCount(), 5);
    QCOMPARE(ds.rowCount(), 6);
    QVERIFY(ds.isInsertRow(2));
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(QStringLiteral("9"));
    ds.FieldByName(u"NMCONSUMIDOR").setAsString(QStringLiteral("Aaron"));
    ds.Post();
    QCOMPARE(codes(ds), QStringList({"1", "2", "9", "3", "4", "5"}));
    QCOMPARE(ds.RecNo(), 3);

    ds.setIndexFieldNames(QStringLiteral("NMCONSUMIDOR"));
    QCOMPARE(ds.FieldByName(u"CDCONSUMIDOR").AsString(), QStringLiteral("9")); // the index keeps the record
    ds.Last();
    ds.Append();
    ds.FieldByName(u"CDCONSUMIDOR").setAsString(QStringLiteral("10"));
    ds.FieldByName(u"NMCONSUMIDOR").setAsString(QStringLiteral("Caio"));
    ds.Post();
    QCOMPARE(codes(ds), QStringList({"9", "1", "2", "10", "3", "4", "5"}));
    QCOMPARE(ds.FieldByName(u"NMCONSUMIDOR").AsString(), QStringLiteral("Caio"));

    ds.Insert();
    ds.Cancel();
    QCOMPARE(ds.rowCount(), 7);
    QCOMPARE(ds.FieldByName(u"NMCONSUMIDOR").AsString(), QStringLiteral("Caio"));
}

void tst_DataSet::movingPostsTheEditedRecord()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(fiveConsumers());
    ds.Edit();
    ds.FieldByName(u"NMCONSUMIDOR").setAsString(QStringLiteral("Aninha"));
    ds.Next();
    QCOMPARE(ds.State(), DataSetState::Browse);
    QCOMPARE(deltaLines(ds), QStringList{"update 1 Ana>Aninha"});
    ds.Edit(); // untouched: moving cancels it
    ds.Next();
    QCOMPARE(ds.ChangeCount(), 1);
}

void tst_DataSet::textsAreCutToTheFieldSize()
{
    DataSet ds(QStringLiteral("cdsFilial"));
    ds.AddField(QStringLiteral("CDFILIAL"), FieldType::String, 4);
    ds.AddField(QStringLiteral("IDSEXOCONS"), FieldType::FixedChar, 1);
    ds.Open();
    ds.Append();
    ds.FieldByName(u"CDFILIAL").setAsString(QStringLiteral("000123"));
    ds.FieldByName(u"IDSEXOCONS").setValue(Value(QStringLiteral("Masculino")));
    ds.Post();
    QCOMPARE(ds.FieldByName(u"CDFILIAL").AsString(), QStringLiteral("0001"));
    QCOMPARE(ds.FieldByName(u"IDSEXOCONS").AsString(), QStringLiteral("M"));
    // Never between the halves of a character outside the BMP: half of it is no character.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    ds.Edit();
    ds.FieldByName(u"CDFILIAL").setAsString("AB" + emoji); // two characters and one of two units: it fits
    QCOMPARE(ds.FieldByName(u"CDFILIAL").AsString(), "AB" + emoji);
    ds.FieldByName(u"CDFILIAL").setAsString("ABCD" + emoji);
    QCOMPARE(ds.FieldByName(u"CDFILIAL").AsString(), QStringLiteral("ABCD"));
    ds.FieldByName(u"CDFILIAL").setAsString("ABC" + emoji);
    QCOMPARE(ds.FieldByName(u"CDFILIAL").AsString(), QStringLiteral("ABC"));
    ds.Post();
}

void tst_DataSet::valuesAsTextFollowBrazilianForms()
{
    DataSet ds(QStringLiteral("cdsSaldo"));
    Field &saldo = ds.AddField(QStringLiteral("VRLIMDEBCONS"), FieldType::Float);
    Field &nasc = ds.AddField(QStringLiteral("DTNASCCONS"), FieldType::DateTime);
    Field &qt = ds.AddField(QStringLiteral("QTDIGCDIDCON"), FieldType::Integer);
    saldo.DisplayFormat = QStringLiteral("#,##0.00");
    ds.Open();
    ds.Append();
    saldo.setAsString(QStringLiteral("1.234,5"));
    QCOMPARE(saldo.AsFloat(), 1234.5);
    QCOMPARE(saldo.AsString(), QStringLiteral("1234,5"));
    QCOMPARE(saldo.DisplayText(), QStringLiteral("1.234,50"));
    saldo.setAsString(QStringLiteral("-0,004"));
    QCOMPARE(saldo.DisplayText(), QStringLiteral("0,00"));
    QVERIFY_THROWS_EXCEPTION(EErro, saldo.setAsString(QStringLiteral("doze")));
    saldo.setAsString(QString());
    QVERIFY(saldo.IsNull());

    nasc.setAsString(QStringLiteral("31/12/1899"));
    QCOMPARE(nasc.AsFloat(), 1.0);
    QCOMPARE(nasc.AsString(), QStringLiteral("31/12/1899"));
    nasc.setAsFloat(-1.25);
    QCOMPARE(nasc.AsString(), QStringLiteral("29/12/1899 06:00:00"));
    nasc.setAsFloat(0);
    QCOMPARE(nasc.AsDateTime().date(), QDate(1899, 12, 30));
    QVERIFY_THROWS_EXCEPTION(EErro, nasc.setAsString(QStringLiteral("31/02/2020")));

    qt.setAsString(QStringLiteral("8"));
    QCOMPARE(qt.AsInteger(), 8);
    QVERIFY_THROWS_EXCEPTION(EErro, qt.setAsString(QStringLiteral("8,5")));
}

void tst_DataSet::textHandlersServeControlsAndGrid()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    Field &sit = ds.AddField(QStringLiteral("IDSITCONSUMI"), FieldType::String, 1);
    sit.OnGetText = [](const Field &f, bool) { return f.AsString() == u"2" ? QStringLiteral("Inativo") : QStringLiteral("Ativo"); };
    sit.OnSetText = [](Field &f, const QString &t) { f.setAsString(t == u"Ativo" ? QStringLiteral("1") : QStringLiteral("2")); };
    Packet p(ds.fieldDefs());
    p.addRow({Value(QStringLiteral("1"))});
    p.addRow({Value(QStringLiteral("2"))});
    p.addRow({Value(QStringLiteral("x"))});
    ds.setData(p);
    QCOMPARE(ds.rowText(0, 0, true), QStringLiteral("Ativo"));
    QCOMPARE(ds.rowText(1, 0, true), QStringLiteral("Inativo"));
    QCOMPARE(ds.rowText(2, 0, true), QStringLiteral("Ativo"));
    QCOMPARE(ds.RecNo(), 1); // the grid reads rows without moving the cursor
    ds.Edit();
    sit.setText(QStringLiteral("Inativo"));
    QCOMPARE(sit.AsString(), QStringLiteral("2"));
    QCOMPARE(ds.rowText(0, 0, true), QStringLiteral("Inativo")); // the row being edited shows the buffer
}

void tst_DataSet::persistentFieldsTakePacketColumnsByName()
{
    DataSet ds(QStringLiteral("cdsFilial"));
    ds.AddField(QStringLiteral("CDFILIAL"), FieldType::String, 4);
    ds.AddField(QStringLiteral("NMFILIAL"), FieldType::String, 30);
    Packet p({{"NMFILIAL", FieldType::String, 30}, {"EXTRA", FieldType::Integer, 0}, {"CDFILIAL", FieldType::String, 4}});
    p.addRow({Value(QStringLiteral("Matriz")), Value(1), Value(QStringLiteral("0001"))});
    ds.setData(p);
    QCOMPARE(ds.FieldCount(), 2);
    QCOMPARE(ds.Fields(0).AsString(), QStringLiteral("0001"));
    QCOMPARE(ds.FieldByName(u"nmfilial").AsString(), QStringLiteral("Matriz"));
    QVERIFY(!ds.FindField(u"EXTRA"));
    Packet missing({{"CDFILIAL", FieldType::String, 4}});
    QVERIFY_THROWS_EXCEPTION(EErro, ds.setData(missing));
    QVERIFY_THROWS_EXCEPTION(EErro, ds.FieldByName(u"NADA"));
}

void tst_DataSet::dataSourceFollowsRepointingAndState()
{
    DataSet consumidor(QStringLiteral("cdsConsumidor"));
    DataSet filial(QStringLiteral("cdsConsFilial"));
    consumidor.setData(fiveConsumers());
    filial.setData(consumers({{"1", "Matriz"}}));
    DataSource dts(&consumidor);
    QList<DataSetState> states;
    dts.OnStateChange = [&](DataSource &s) { states << s.State(); };
    Recorder grid;
    dts.addListener(&grid);

    consumidor.Edit();
    consumidor.Post();
    QCOMPARE(states, QList<DataSetState>({DataSetState::Edit, DataSetState::Browse}));

    states.clear();
    grid.events.clear();
    dts.setDataSet(&filial);
    QCOMPARE(states, QList<DataSetState>({DataSetState::Browse}));
    QVERIFY(grid.events.contains(QStringLiteral("data")));
    grid.events.clear();
    consumidor.Next(); // no longer heard
    QVERIFY(grid.events.isEmpty());
    filial.Edit();
    filial.FieldByName(u"NMCONSUMIDOR").setAsString(QStringLiteral("Filial"));
    QVERIFY(grid.events.contains(QStringLiteral("field NMCONSUMIDOR")));

    {
        DataSet temporary(QStringLiteral("cdsTemp"));
        dts.setDataSet(&temporary);
    }
    QCOMPARE(dts.dataSet(), nullptr);
    QCOMPARE(dts.State(), DataSetState::Inactive);
}

void tst_DataSet::disabledControlsHearOnceWhenEnabled()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(fiveConsumers());
    Recorder grid;
    ds.addListener(&grid);
    int scrolls = 0;
    ds.AfterScroll = [&](DataSet &) { ++scrolls; };
    ds.DisableControls();
    for (ds.First(); !ds.Eof(); ds.Next()) {
        ds.Edit();
        ds.FieldByName(u"VRSALDO").setAsFloat(10);
        ds.Post();
    }
    QVERIFY(grid.events.isEmpty());
    QVERIFY(scrolls >= 5); // events of the DataSet itself still run
    ds.EnableControls();
    QCOMPARE(grid.events, QStringList({"state", "data"}));
    QCOMPARE(ds.ChangeCount(), 5);
    ds.removeListener(&grid);
}

void tst_DataSet::editOnEmptyInsertsAndDeleteOnEmptyFails()
{
    DataSet ds(QStringLiteral("cdsConsumidor"));
    ds.setData(consumers({}));
    QVERIFY_THROWS_EXCEPTION(EErro, ds.Delete());
    ds.Edit();
    QCOMPARE(ds.State(), DataSetState::Insert);
    QVERIFY(!ds.IsEmpty());
    ds.Cancel();
    QVERIFY(ds.IsEmpty());
    ds.Close();
    QVERIFY(!ds.Active());
    QCOMPARE(ds.FieldCount(), 4);
    QVERIFY_THROWS_EXCEPTION(EErro, ds.First());
}

QTEST_GUILESS_MAIN(tst_DataSet)
#include "tst_DataSet.moc"
