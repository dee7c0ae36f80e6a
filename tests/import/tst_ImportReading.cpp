#include "ColumnReader.h"
#include "ConsistencyRun.h"
#include "EErro.h"
#include "FileRowBuilder.h"
#include "ImportColumns.h"
#include "ImportLayout.h"
#include "ImportText.h"
#include "LineReader.h"
#include "NumberFormat.h"
#include "RowBuilder.h"
#include "RowLookups.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>
#include <set>
#include <thread>

using namespace cns;
using namespace cns::import;
using Column = ImportLayout::Column;

namespace {

Column col(const char *name, int position, int size = 0, QChar type = u'T', int decimals = 0, const char *constant = "")
{
    Column c;
    c.name = QString::fromLatin1(name);
    c.index = ImportColumns::ProcDados(c.name);
    c.position = position;
    c.size = size;
    c.type = type;
    c.decimals = decimals;
    c.constant = QString::fromLatin1(constant);
    c.valueColumn = ImportColumns::isValueColumn(c.name);
    return c;
}

ImportLayout layout(bool delimited, QList<Column> columns)
{
    ImportLayout l;
    l.delimited = delimited;
    l.delimiter = u';';
    l.setColumns(std::move(columns));
    return l;
}

ColumnReader::Values read(const ImportLayout &l, const QString &line)
{
    ColumnReader::Values v;
    ColumnReader(l).read(line, v, "consumidores.txt", 7);
    return v;
}

// Clients "X<n>" are "C<n>"; "ERRO" fails as a lost connection would. Records the threads it ran on.
class ThreadLookups final : public RowLookups
{
public:
    Client resolveClient(const QString &v) override
    {
        threads.insert(std::this_thread::get_id());
        if (v == u"ERRO")
            throw EErro("conexão perdida");
        return {u'C' + v.mid(1), QString()};
    }
    QString translateType(const QString &t) override
    {
        threads.insert(std::this_thread::get_id());
        return t;
    }
    std::set<std::thread::id> threads;
};

// A delimited file of clients, consumer codes, names and birth dates, one client per line.
QByteArray clientLines(int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += "X" + QByteArray::number(i) + ";" + QByteArray::number(i) + ";Nome " + QByteArray::number(i) + ";01/02/1990\r\n";
    return bytes;
}

struct FileRows
{
    QStringList clients, codes, names;
    QString error;
};

// Every row of the file through FileRowBuilder, stopping at what it raises; by default the layout
// reads client, code, name and birth date from four delimited fields.
FileRows fileRows(const QByteArray &bytes, ThreadLookups &lookups, std::optional<ImportLayout> given = std::nullopt)
{
    const ImportLayout l = given ? *given : layout(true, {col("CDCLIENTE", 1), col("CDCONSUMIDOR", 2), col("NMCONSUMIDOR", 3), col("DTNASCCONS", 4)});
    const ColumnReader reader(l);
    QByteArray copy = bytes;
    QBuffer file(&copy);
    file.open(QIODevice::ReadOnly);
    RowBuilder::Settings settings;
    settings.clientFromFile = true;
    FileRowBuilder rows(file, "/tmp/lote.txt", l, reader, {}, settings, lookups);
    FileRows out;
    FileRowBuilder::Batch batch;
    try {
        while (rows.next(&batch)) {
            for (size_t i = 0; i < batch.rows.size(); ++i) {
                out.clients.append(batch.keys[i].client);
                out.codes.append(batch.keys[i].consumer);
                out.names.append(batch.keys[i].name);
            }
        }
    } catch (const EErro &e) {
        out.error = e.message();
    }
    return out;
}

QString entry(const ColumnReader::Values &v, int index)
{
    return RowBuilder::textOf(v[size_t(index)]);
}

} // namespace

class tst_ImportReading : public QObject
{
    Q_OBJECT

private slots:
    void linesAtByteLevel_data();
    void linesAtByteLevel();
    void binaryAndRunawayLinesAreRefusedWithTheirPlace();
    void carriageReturnsEndTheLinesOfAFileWithoutLineFeeds_data();
    void carriageReturnsEndTheLinesOfAFileWithoutLineFeeds();
    void nulPadsFixedPositionLines();
    void removeCaracteres_data();
    void removeCaracteres();
    void windows1252AndUtf8BothReadIntact();
    void columnIndexBisectsIgnoringCase();
    void valueRulesPickTheRecordLines_data();
    void valueRulesPickTheRecordLines();
    void fixedPositionsTrimBlanksAndControls();
    void delimitedFieldsSharedPositionsAndConstants();
    void delimitedLineWithTooFewFieldsGivesEmptyTexts();
    void numbersDatesAndAmounts_data();
    void numbersDatesAndAmounts();
    void amountsAsTheirFormatWritesThem();
    void twoDigitYearsAreTheLatestNotInTheFuture_data();
    void twoDigitYearsAreTheLatestNotInTheFuture();
    void badValuesNameFileLineAndColumn_data();
    void badValuesNameFileLineAndColumn();
    void unknownTargetIsReadAndIgnored();
    void passOrderIsTheCaseFoldedIndexOrder();
    void fileRowsComeInFileOrderWithLookupsOnTheCallerThread();
    void fileRowsStopAtTheFirstFailureInItsPlace_data();
    void fileRowsStopAtTheFirstFailureInItsPlace();
    void fileRowsStoppedHalfWayLeaveNothingRunning();
};

void tst_ImportReading::linesAtByteLevel_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("no final line feed") << QByteArray("a\nb") << QList<QByteArray>{"a", "b"};
    QTest::newRow("final line feed makes no empty line") << QByteArray("a\nb\n") << QList<QByteArray>{"a", "b"};
    QTest::newRow("CR dropped wherever it stands") << QByteArray("a\r\nb\rc\r\n\r") << QList<QByteArray>{"a", "bc", ""};
    QTest::newRow("empty line in the middle") << QByteArray("a\n\nb\n") << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("only a line feed") << QByteArray("\n") << QList<QByteArray>{""};
}

void tst_ImportReading::linesAtByteLevel()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(LineReader::split(bytes), lines);
    // The same when the bytes start one byte before the reader's chunk boundary (256 KiB).
    QByteArray pad = QByteArray(63, 'x').append('\n').repeated(4095) + QByteArray(62, 'y') + '\n';
    QCOMPARE(pad.size(), 256 * 1024 - 1);
    QList<QByteArray> padded = LineReader::split(pad + bytes);
    QCOMPARE(padded.size(), lines.size() + 4096);
    QCOMPARE(padded.mid(4096), lines);
}

void tst_ImportReading::carriageReturnsEndTheLinesOfAFileWithoutLineFeeds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("CR alone") << QByteArray("a\rb\rc") << QList<QByteArray>{"a", "b", "c"};
    QTest::newRow("final CR makes no empty line") << QByteArray("a\rb\r") << QList<QByteArray>{"a", "b"};
    QTest::newRow("empty line between") << QByteArray("a\r\rb\r") << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("a line feed anywhere: CRs dropped") << QByteArray("a\rb\nc\r") << QList<QByteArray>{"ab", "c"};
}

// Such a file used to be one line: every consumer but one vanished, silently.
void tst_ImportReading::carriageReturnsEndTheLinesOfAFileWithoutLineFeeds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(LineReader::split(bytes), lines);
    // Across the reader's chunks (256 KiB), and a CR LF pair split between two of them.
    QByteArray many = QByteArray(63, 'x').append('\r').repeated(4095) + QByteArray(63, 'y') + "\r\nz";
    QCOMPARE(many.indexOf('\n'), 256 * 1024);
    const QList<QByteArray> split = LineReader::split(many);
    QCOMPARE(split.size(), 4097);
    QCOMPARE(split.at(4095), QByteArray(63, 'y'));
    QCOMPARE(split.last(), QByteArray("z"));
}

// A NUL pads a fixed-position line and reads as a blank; binary lines are still refused there.
void tst_ImportReading::nulPadsFixedPositionLines()
{
    QCOMPARE(LineReader::split(QByteArray("AB\0\0CD\0\n\0\0\n", 11), "f.txt", true), (QList<QByteArray>{"AB  CD ", "  "}));
    QCOMPARE(LineReader::split(QByteArray("form\ffeed, tab\t and old end\x1a\n"), "f.txt", true).size(), 1);
    QCOMPARE(LineReader::split(QByteArray("one stray\x01 control in a long enough line\n"), "f.txt", true).size(), 1);
    try {
        LineReader::split(QByteArray("ok\nPK\x03\x04\x14\0\x08\0\x08\0\n"), "planilha.txt", true);
        QFAIL("a binary line must be refused");
    } catch (const EErro &e) {
        QCOMPARE(e.message(), QString("Arquivo \"planilha.txt\", linha 2, coluna 3: o arquivo contém caracteres binários (não é um arquivo texto)."));
    }
    // Through the load of a fixed layout: the padding is trimmed from the values.
    ThreadLookups lookups;
    const ImportLayout fixed = layout(false, {col("CDCLIENTE", 1, 4), col("CDCONSUMIDOR", 5, 4), col("NMCONSUMIDOR", 9, 8)});
    const QByteArray nul(1, '\0');
    const QByteArray file = "X1" + nul + nul + "0012Ana" + nul.repeated(5) + "\r\nX2" + nul + nul + "0013Bia Luz" + nul + "\r\n";
    const FileRows rows = fileRows(file, lookups, fixed);
    QCOMPARE(rows.error, QString());
    QCOMPARE(rows.clients, (QStringList{"C1", "C2"}));
    QCOMPARE(rows.names, (QStringList{"Ana", "Bia Luz"}));
}

void tst_ImportReading::binaryAndRunawayLinesAreRefusedWithTheirPlace()
{
    try {
        LineReader::split(QByteArray("ok\nab\0cd\n", 9), "/tmp/x/arquivo.txt");
        QFAIL("a NUL byte must be refused");
    } catch (const EErro &e) {
        QCOMPARE(e.message(), QString("Arquivo \"arquivo.txt\", linha 2, coluna 3: o arquivo contém caracteres binários (não é um arquivo texto)."));
    }
    try {
        LineReader::split(QByteArray(LineReader::kMaxLineBytes + 10, 'a'), "grande.txt");
        QFAIL("a runaway line must be refused");
    } catch (const EErro &e) {
        QVERIFY(e.message().startsWith("Arquivo \"grande.txt\", linha 1, coluna 65537: linha com mais de"));
    }
}

void tst_ImportReading::removeCaracteres_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("CNPJ") << "12.345.678/0001-90" << "12345678000190";
    QTest::newRow("two in a row: second stays") << "A..B" << "A.B";
    QTest::newRow("three in a row") << "A./-B" << "A/B";
    QTest::newRow("at the end") << "123-" << "123";
    QTest::newRow("nothing") << "ABC" << "ABC";
}

void tst_ImportReading::removeCaracteres()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(ImportText::RemoveCaracteres(in), out);
}

void tst_ImportReading::windows1252AndUtf8BothReadIntact()
{
    QCOMPARE(ImportText::decodeLine("Jo\xe3o \x80 \x93x\x94"), QString::fromUtf8("João € “x”"));
    QCOMPARE(ImportText::decodeLine("Jo\xc3\xa3o"), QString::fromUtf8("João"));
    // Bytes that only look like UTF-8 at first are Windows-1252.
    QCOMPARE(ImportText::decodeLine("\xc3\xa3\xe3"), QString::fromUtf8("Ã£ã"));
}

void tst_ImportReading::columnIndexBisectsIgnoringCase()
{
    const auto &names = ImportColumns::arFields();
    for (int i = 1; i < ImportColumns::kCount; ++i) {
        QCOMPARE(ImportColumns::ProcDados(names[size_t(i)]), i);
        QCOMPARE(ImportColumns::ProcDados(names[size_t(i)].toLower()), i);
        QVERIFY(names[size_t(i - 1)] < names[size_t(i)] || i == 1);
    }
    QCOMPARE(ImportColumns::ProcDados(u"ERRO"), 0);
    QCOMPARE(ImportColumns::ProcDados(u"NMMAE"), 0);
    QCOMPARE(ImportColumns::ProcDados(u""), 0);
}

void tst_ImportReading::valueRulesPickTheRecordLines_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("01 of 01;03") << 1 << 2 << "01;03" << "01JOAO" << true;
    QTest::newRow("03 of 01;03") << 1 << 2 << "01;03" << "03JOAO" << true;
    QTest::newRow("header 00") << 1 << 2 << "01;03" << "00CADASTRO" << false;
    QTest::newRow("trailer 99") << 1 << 2 << "01;03" << "99000003" << false;
    QTest::newRow("A of A;B") << 3 << 1 << "A;B" << "xxA" << true;
    QTest::newRow("lower-case a refused") << 3 << 1 << "A;B" << "xxa" << false;
    QTest::newRow("before trimming") << 1 << 2 << "01" << " 01" << false;
    QTest::newRow("short line") << 5 << 2 << "01" << "abc" << false;
    QTest::newRow("any separator") << 1 << 2 << "01|02x03" << "03" << true;
    // A rule of length 0 compares the empty field with the empty first value: every line passes
    // while the list holds something (once every line failed).
    QTest::newRow("length 0 accepts") << 1 << 0 << "01" << "99000003" << true;
    QTest::newRow("length 0, empty line") << 4 << 0 << "X" << "" << true;
    QTest::newRow("length 0, blank list") << 1 << 0 << "   " << "01JOAO" << false;
}

void tst_ImportReading::valueRulesPickTheRecordLines()
{
    QFETCH(int, position);
    QFETCH(int, size);
    QFETCH(QString, values);
    QFETCH(QString, line);
    QFETCH(bool, accepted);
    ImportLayout l;
    l.rules.append({position, size, values});
    QCOMPARE(l.ValidaLayout(line), accepted);
    // Every rule must accept.
    l.rules.append({1, 1, QStringLiteral("Z")});
    QVERIFY(!l.ValidaLayout(line));
}

void tst_ImportReading::fixedPositionsTrimBlanksAndControls()
{
    const ImportLayout l = layout(false, {col("NMCONSUMIDOR", 5, 3), col("CDCONSUMIDOR", 1, 4), col("NRTELECONS", 20, 5)});
    const ColumnReader::Values v = read(l, QString("0012 X \t  "));
    QCOMPARE(entry(v, ImportColumns::NMCONSUMIDOR), QString("X"));
    QCOMPARE(entry(v, ImportColumns::CDCONSUMIDOR), QString("0012"));
    QCOMPARE(v[ImportColumns::NRTELECONS], Value(QString())); // beyond the line: empty text
    QVERIFY(v[ImportColumns::DSEMAILCONS].isNull());           // never written
}

void tst_ImportReading::delimitedFieldsSharedPositionsAndConstants()
{
    const ImportLayout four = layout(true, {col("CDCONSUMIDOR", 1), col("NMCONSUMIDOR", 2), col("DSEMAILCONS", 3), col("NRTELECONS", 4)});
    ColumnReader::Values v = read(four, "A;B;;D");
    QCOMPARE(entry(v, ImportColumns::CDCONSUMIDOR), QString("A"));
    QCOMPARE(entry(v, ImportColumns::NMCONSUMIDOR), QString("B"));
    QCOMPARE(v[ImportColumns::DSEMAILCONS], Value(QString()));
    QCOMPARE(entry(v, ImportColumns::NRTELECONS), QString("D"));

    // Two columns of position 2 both read the second field; a constant uses no field.
    const ImportLayout shared = layout(true, {col("CDCONSUMIDOR", 1), col("CDIDCONSUMID", 2), col("IDVERSALDCON", 0, 1, u'T', 0, "S"),
                                               col("NMLOGINCONS", 2), col("NMCONSUMIDOR", 3)});
    v = read(shared, " 7 ;B12;Maria");
    QCOMPARE(entry(v, ImportColumns::CDCONSUMIDOR), QString(" 7 ")); // delimited values are not trimmed
    QCOMPARE(entry(v, ImportColumns::CDIDCONSUMID), QString("B12"));
    QCOMPARE(entry(v, ImportColumns::NMLOGINCONS), QString("B12"));
    QCOMPARE(entry(v, ImportColumns::IDVERSALDCON), QString("S"));
    QCOMPARE(entry(v, ImportColumns::NMCONSUMIDOR), QString("Maria"));
}

void tst_ImportReading::delimitedLineWithTooFewFieldsGivesEmptyTexts()
{
    const ImportLayout l = layout(true, {col("CDCONSUMIDOR", 1), col("NMCONSUMIDOR", 2), col("DSEMAILCONS", 3), col("NRTELECONS", 4)});
    const ColumnReader::Values v = read(l, "12;Ana");
    QCOMPARE(entry(v, ImportColumns::NMCONSUMIDOR), QString("Ana"));
    QCOMPARE(v[ImportColumns::DSEMAILCONS], Value(QString()));
    QCOMPARE(v[ImportColumns::NRTELECONS], Value(QString()));
}

void tst_ImportReading::numbersDatesAndAmounts_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QChar>("type");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("field");
    QTest::addColumn<Value>("stored");
    QTest::newRow("implied decimals") << "VRMESUBCONS" << QChar('N') << 2 << "125" << Value(1.25);
    QTest::newRow("comma kept") << "VRMESUBCONS" << QChar('N') << 2 << "12,5" << Value(12.5);
    QTest::newRow("shorter than the decimals") << "VRMESUBCONS" << QChar('N') << 2 << "5" << Value(0.05);
    QTest::newRow("negative, short") << "VRMESUBCONS" << QChar('N') << 2 << "-5" << Value(-0.05);
    QTest::newRow("empty number is 0") << "VRMESUBCONS" << QChar('N') << 2 << "" << Value(0);
    QTest::newRow("eight digits") << "DTNASCCONS" << QChar('D') << 0 << "05031990" << Value::date(QDate(1990, 3, 5));
    QTest::newRow("with slashes") << "DTNASCCONS" << QChar('D') << 0 << "05/03/1990" << Value::date(QDate(1990, 3, 5));
    // Two-digit years used to end the load.
    QTest::newRow("six digits") << "DTNASCCONS" << QChar('D') << 0 << "050390" << Value::date(QDate(1990, 3, 5));
    QTest::newRow("two-digit year with slashes") << "DTNASCCONS" << QChar('D') << 0 << "5/3/90" << Value::date(QDate(1990, 3, 5));
    QTest::newRow("two-digit year of this century") << "DTNASCCONS" << QChar('D') << 0 << "05/03/05" << Value::date(QDate(2005, 3, 5));
    QTest::newRow("empty date is 0") << "DTNASCCONS" << QChar('D') << 0 << "" << Value(0);
    QTest::newRow("amount, any type") << "VRLIMDEBCONS" << QChar('T') << 0 << "150" << Value("150,00");
    QTest::newRow("amount with decimals") << "VRLIMDEBCONS" << QChar('N') << 2 << "000015050" << Value("150,50");
    QTest::newRow("empty amount") << "VRMAXCREDCONS" << QChar('N') << 2 << "" << Value(QString());
    QTest::newRow("text") << "NMCONSUMIDOR" << QChar('T') << 0 << "Ana" << Value("Ana");
}

void tst_ImportReading::numbersDatesAndAmounts()
{
    QFETCH(QString, column);
    QFETCH(QChar, type);
    QFETCH(int, decimals);
    QFETCH(QString, field);
    QFETCH(Value, stored);
    const QByteArray name = column.toLatin1();
    const ImportLayout l = layout(true, {col(name.constData(), 1, 0, type, decimals)});
    QCOMPARE(read(l, field)[size_t(ImportColumns::ProcDados(column))], stored);
}

void tst_ImportReading::badValuesNameFileLineAndColumn_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("message");
    QTest::newRow("number") << "VRMESUBCONS" << QChar('N') << "12x"
                            << "Arquivo \"consumidores.txt\", linha 7, coluna VRMESUBCONS (campo 2): o valor \"12x\" não é um número.";
    QTest::newRow("date") << "DTNASCCONS" << QChar('D') << "31021990"
                          << "Arquivo \"consumidores.txt\", linha 7, coluna DTNASCCONS (campo 2): o valor \"31021990\" não é uma "
                             "data (dia, mês e ano: ddmmaaaa, ddmmaa, dd/mm/aaaa ou dd/mm/aa).";
    QTest::newRow("amount") << "VRLIMDEBCONS" << QChar('T') << "cem"
                            << "Arquivo \"consumidores.txt\", linha 7, coluna VRLIMDEBCONS (campo 2): o valor \"cem\" não é um número.";
    // A point is no decimal separator in Brazil: refused, never read as 125 or 12,5, and named as
    // the file writes it (not as the decimals rule made it, "12,.5").
    QTest::newRow("point, two decimals") << "VRLIMDEBCONS" << QChar('N') << "12.5"
                                         << "Arquivo \"consumidores.txt\", linha 7, coluna VRLIMDEBCONS (campo 2): o valor \"12.5\" não é um número.";
}

void tst_ImportReading::badValuesNameFileLineAndColumn()
{
    QFETCH(QString, column);
    QFETCH(QChar, type);
    QFETCH(QString, field);
    QFETCH(QString, message);
    const QByteArray name = column.toLatin1();
    const ImportLayout l = layout(true, {col("CDCONSUMIDOR", 1), col(name.constData(), 2, 0, type, type == u'N' ? 2 : 0)});
    try {
        read(l, "1;" + field);
        QFAIL("the value must be refused");
    } catch (const EErro &e) {
        QCOMPARE(e.message(), message);
    }
}

void tst_ImportReading::unknownTargetIsReadAndIgnored()
{
    const ImportLayout l = layout(true, {col("NMMAE", 1), col("NMCONSUMIDOR", 2)});
    const ColumnReader::Values v = read(l, "Maria;Ana");
    QCOMPARE(entry(v, 0), QString("Maria")); // entry 0 takes it and is never read
    QCOMPARE(entry(v, ImportColumns::NMCONSUMIDOR), QString("Ana"));
}

void tst_ImportReading::twoDigitYearsAreTheLatestNotInTheFuture_data()
{
    QTest::addColumn<int>("twoDigits");
    QTest::addColumn<int>("currentYear");
    QTest::addColumn<int>("year");
    QTest::newRow("90 in 2026") << 90 << 2026 << 1990;
    QTest::newRow("05 in 2026") << 5 << 2026 << 2005;
    QTest::newRow("this year") << 26 << 2026 << 2026;
    QTest::newRow("next year's digits") << 27 << 2026 << 1927;
    QTest::newRow("00 in 2000") << 0 << 2000 << 2000;
    QTest::newRow("99 in 2000") << 99 << 2000 << 1999;
}

void tst_ImportReading::twoDigitYearsAreTheLatestNotInTheFuture()
{
    QFETCH(int, twoDigits);
    QFETCH(int, currentYear);
    QFETCH(int, year);
    QCOMPARE(ColumnReader::fourDigitYear(twoDigits, currentYear), year);
}

void tst_ImportReading::amountsAsTheirFormatWritesThem()
{
    for (double d : {0.0, -0.0, 0.004, -0.004, 0.005, -0.005, 2.675, 1.0, -1.0, 100.0, 150.5, -99.999, 1234567.891, 1e15, -1e20})
        QCOMPARE(ColumnReader::amountText(d), cns::NumberFormat::format(QStringLiteral("###0.00"), d));
}

// The duplicate passes' order against its plain statement (client, NUL, second field, all
// case-folded, in one text per row, stably sorted) over rows made of case pairs, accents, a
// character outside the BMP, clients that are prefixes of others and repeated keys.
void tst_ImportReading::passOrderIsTheCaseFoldedIndexOrder()
{
    const QStringList clients = {"11", "011", "1", "A1", "a1", "Ab", "AB", "ab", "É", "é", ""};
    const QStringList pieces = {"a", "A", "b", "B", "é", "É", "ß", "SS", "1", "0", " ", QString(QChar(0x01C5)), "😀", "Ω", "ω"};
    QRandomGenerator random(2026);
    std::vector<ConsistencyRun::Keys> keys(3000);
    for (ConsistencyRun::Keys &k : keys) {
        k.client = clients.at(random.bounded(int(clients.size())));
        for (int n = random.bounded(4); n > 0; --n)
            k.consumer += pieces.at(random.bounded(int(pieces.size())));
    }
    std::vector<QString> folded(keys.size());
    std::vector<int> expected(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        expected[i] = int(i);
        folded[i] = keys[i].client.toCaseFolded() + QChar(u'\0') + keys[i].consumer.toCaseFolded();
    }
    std::stable_sort(expected.begin(), expected.end(), [&folded](int a, int b) { return folded[size_t(a)] < folded[size_t(b)]; });
    QCOMPARE(ConsistencyRun::order(keys, &ConsistencyRun::Keys::consumer), expected);
}

QTEST_GUILESS_MAIN(tst_ImportReading)
#include "tst_ImportReading.moc"

// Many batches of lines, each line a client not seen before: the pool's threads leave every one of
// them to the caller, and the rows still come in file order with their own clients.
void tst_ImportReading::fileRowsComeInFileOrderWithLookupsOnTheCallerThread()
{
    ThreadLookups lookups;
    const FileRows rows = fileRows(clientLines(6000), lookups);
    QCOMPARE(rows.error, QString());
    QCOMPARE(rows.codes.size(), 6000);
    for (int i = 0; i < 6000; ++i) {
        QCOMPARE(rows.codes.at(i).toInt(), i + 1); // at the code's width
        QCOMPARE(rows.clients.at(i), 'C' + QString::number(i + 1));
    }
    QCOMPARE(lookups.threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

void tst_ImportReading::fileRowsStopAtTheFirstFailureInItsPlace_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("error");
    QTest::newRow("date, first line") << 1 << QByteArray("X1;1;Ana;31/02/1990")
                                      << "Arquivo \"lote.txt\", linha 1, coluna DTNASCCONS: o valor \"31/02/1990\" não é uma data.";
    QTest::newRow("date, batch after many") << 3001 << QByteArray("X1;1;Ana;31/02/1990")
                                            << "Arquivo \"lote.txt\", linha 3001, coluna DTNASCCONS: o valor \"31/02/1990\" não é uma data.";
    QTest::newRow("lookup, deep in the file") << 4444 << QByteArray("ERRO;1;Ana;01/01/1990") << "conexão perdida";
    QTest::newRow("binary line") << 2600 << QByteArray("X1;1;\0;01/01/1990", 18)
                                 << "Arquivo \"lote.txt\", linha 2600, coluna 6: o arquivo contém caracteres binários (não é um arquivo texto).";
}

// What fails is raised after every row before it and none after, whichever thread met it, also when
// it is a lookup the caller answered between two rounds.
void tst_ImportReading::fileRowsStopAtTheFirstFailureInItsPlace()
{
    QFETCH(int, line);
    QFETCH(QByteArray, bad);
    QFETCH(QString, error);
    QList<QByteArray> lines = clientLines(6000).split('\n');
    lines[line - 1] = bad + '\r';
    // A second failure further on must never be the one raised.
    lines[5000] = "X1;1;Ana;99/99/1990\r";
    ThreadLookups lookups;
    const FileRows rows = fileRows(lines.join('\n'), lookups);
    QCOMPARE(rows.error, error);
    QCOMPARE(rows.codes.size(), line - 1);
    if (line > 1)
        QCOMPARE(rows.codes.last().toInt(), line - 1);
}

// Giving up the file half way (the load was stopped) waits for the batches still being built on the
// pool, which read the file's lines and the lookups' answers: nothing runs on after they are freed.
void tst_ImportReading::fileRowsStoppedHalfWayLeaveNothingRunning()
{
    const ImportLayout l = layout(true, {col("CDCLIENTE", 1), col("CDCONSUMIDOR", 2), col("NMCONSUMIDOR", 3), col("DTNASCCONS", 4)});
    const ColumnReader reader(l);
    QByteArray bytes = clientLines(20000);
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    RowBuilder::Settings settings;
    settings.clientFromFile = true;
    ThreadLookups lookups;
    for (int taken : {0, 1, 3}) {
        file.seek(0);
        FileRowBuilder rows(file, "lote.txt", l, reader, {}, settings, lookups);
        FileRowBuilder::Batch batch;
        for (int i = 0; i < taken; ++i)
            QVERIFY(rows.next(&batch));
    }
}
