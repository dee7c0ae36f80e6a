// The JSON reader against texts as other writers write them (blanks, line breaks, escapes, any member
// order), against invalid texts (each refused at its byte position) and at the limits of numbers,
// nesting and size.
#include "ChangeSet.h"
#include "EErro.h"
#include "JsonCodec.h"
#include "Packet.h"
#include "WireEnvelope.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <cmath>

using namespace cns;

Q_DECLARE_METATYPE(cns::Value)

namespace {

const QString kWire = QStringLiteral(CNS_TEST_DATA_DIR "/wire/");

QByteArray wireFile(const QString &name)
{
    QFile f(kWire + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing %s", qPrintable(f.fileName()));
    return f.readAll();
}

QString refusalOf(const QByteArray &json, bool members)
{
    try {
        if (members)
            JsonCodec::decodeObject(json);
        else
            JsonCodec::decode(json);
    } catch (const EErro &e) {
        return e.message();
    }
    return QStringLiteral("(aceito)");
}

QByteArray nested(int levels, const QByteArray &inner)
{
    return QByteArray(levels, '[') + inner + QByteArray(levels, ']');
}

} // namespace

class tst_JsonReader : public QObject
{
    Q_OBJECT

private slots:
    void styledRequestsReadAsCompact_data();
    void styledRequestsReadAsCompact();
    void textsAndEscapes_data();
    void textsAndEscapes();
    void membersInAnyOrder();
    void rowsGivenFirstAreCheckedLikeTheOthers();
    void refusedAtTheirPosition_data();
    void refusedAtTheirPosition();
    void shapesRefusedWhereTheyDoNotFit_data();
    void shapesRefusedWhereTheyDoNotFit();
    void numbersStayExact_data();
    void numbersStayExact();
    void signAndEmptinessSurviveInRows();
    void nestingLimit();
    void largePacketOfStyledRows();
};

// Python's json.dumps(x) and json.dumps(x, indent=2) of three requests (a plain call, a change set,
// a packet of every column type) read to the values of the compact form, which the writer writes
// back byte for byte.
void tst_JsonReader::styledRequestsReadAsCompact_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("style");
    for (const QString &base : {QStringLiteral("getCliente"), QStringLiteral("setCodExterno"), QStringLiteral("setConsumidor")}) {
        for (const QString &style : {QStringLiteral("dumps"), QStringLiteral("indent")})
            QTest::addRow("%s.%s", qPrintable(base), qPrintable(style)) << base << style;
    }
}

void tst_JsonReader::styledRequestsReadAsCompact()
{
    QFETCH(QString, base);
    QFETCH(QString, style);
    const QByteArray compact = wireFile(base + QStringLiteral(".json"));
    const auto expected = WireEnvelope::decodeRequest(compact);
    QCOMPARE(WireEnvelope::encodeRequest(expected.module, expected.method, expected.args), compact);

    const auto styled = WireEnvelope::decodeRequest(wireFile(base + QLatin1Char('.') + style + QStringLiteral(".json")));
    QCOMPARE(styled.module, expected.module);
    QCOMPARE(styled.method, expected.method);
    QCOMPARE(styled.args.size(), expected.args.size());
    for (qsizetype i = 0; i < expected.args.size(); ++i)
        QVERIFY2(styled.args.at(i) == expected.args.at(i), qPrintable(QStringLiteral("argumento %1").arg(i)));
}

void tst_JsonReader::textsAndEscapes_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("text");
    QTest::newRow("every short escape") << QByteArray(R"("\"\\\/\b\f\n\r\t")") << QStringLiteral("\"\\/\b\f\n\r\t");
    QTest::newRow("escaped accents") << QByteArray(R"("Jos\u00e9 Concei\u00E7\u00e3o")") << QStringLiteral("José Conceição");
    QTest::newRow("escaped pair") << QByteArray(R"("\ud83d\ude00")") << QStringLiteral("😀");
    QTest::newRow("raw UTF-8") << QByteArray("\"S\xc3\xa3o \xf0\x9f\x98\x80\"") << QStringLiteral("São 😀");
    QTest::newRow("escaped NUL") << QByteArray(R"("a\u0000b")") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    QTest::newRow("blanks around") << QByteArray(" \t\r\n\"x\" \n") << QStringLiteral("x");
}

void tst_JsonReader::textsAndEscapes()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, text);
    const Value v = JsonCodec::decode(json);
    QCOMPARE(v.kind(), Value::Kind::Text);
    QCOMPARE(v.toString(), text);
    // The same text as a packet cell and as a member name of a call.
    const Packet p = JsonCodec::decode(R"({"fields":[{"name":"T","type":"text","size":0}],"rows":[[)" + json + "]]}").toPacket();
    QCOMPARE(p.value(0, 0).toString(), text);
    const auto members = JsonCodec::decodeObject("{" + json + ":1}");
    QCOMPARE(members.value(0).first, text);
}

void tst_JsonReader::membersInAnyOrder()
{
    const Packet expected = JsonCodec::decode(R"({"fields":[{"name":"A","type":"text","size":2},{"name":"B","type":"integer","size":0},{"name":"D","type":"datetime","size":0}],"rows":[["x",1,{"date":"2001-02-03"}],[null,null,null]]})").toPacket();
    const QByteArray rowsFirst = R"({ "rows" : [ [ "x" , 1 , { "date" : "2001-02-03" } ] ,
                                    [ null, null, null ] ],
        "fields": [ { "size": 2, "type": "text", "name": "A", "label": {"pt": ["Nome", {"x": null}]} },
                    { "type": "integer", "name": "B", "hint": [[[]]] },
                    { "name": "D", "extra": 1.5e3, "type": "datetime" } ] })";
    QCOMPARE(JsonCodec::decode(rowsFirst).toPacket(), expected);

    const QByteArray changesFirst = R"({"changes": [{"new": ["b"], "op": "update", "old": ["a"]},
                                                    {"old": ["c"], "op": "delete"}],
                                        "fields": [{"name": "A", "type": "text", "size": 1}]})";
    const ChangeSet cs = JsonCodec::decode(changesFirst).toChangeSet();
    QCOMPARE(cs.size(), 2);
    QCOMPARE(cs.changes()[0].op, ChangeSet::Op::Update);
    QCOMPARE(cs.changes()[0].oldRow.value(0), Value(QStringLiteral("a")));
    QCOMPARE(cs.changes()[0].newRow.value(0), Value(QStringLiteral("b")));
    QCOMPARE(cs.changes()[1].op, ChangeSet::Op::Delete);

    // Packets given rows first, inside the arguments of a call, one after another.
    const auto members = JsonCodec::decodeObject(
        R"({"args": [[)" + rowsFirst + ", " + rowsFirst + R"(]], "method": "m", "module": "x"})");
    QCOMPARE(members.size(), 3);
    const Value &pair = members.at(0).second.at(0);
    QCOMPARE(pair.at(0).toPacket(), expected);
    QCOMPARE(pair.at(1).toPacket(), expected);
}

// Rows read again once their fields are known keep the reading's checks and positions.
void tst_JsonReader::rowsGivenFirstAreCheckedLikeTheOthers()
{
    const QString tooWide = refusalOf(R"({"rows": [["a"], ["b", "c"]], "fields": [{"name": "A", "type": "text"}]})", false);
    QVERIFY2(tooWide.contains(u"linha 2 tem mais valores"), qPrintable(tooWide));
    const QString wrongKind = refusalOf(R"({"rows": [[1]], "fields": [{"name": "A", "type": "text"}]})", false);
    QVERIFY2(wrongKind.contains(u"linha 1, campo A (text): esperado um texto"), qPrintable(wrongKind));
    const QString badChange = refusalOf(R"({"changes": [{"op": "insert", "old": ["a"]}], "fields": [{"name": "A", "type": "text"}]})", false);
    QVERIFY2(badChange.contains(u"Alteração 1 inválida"), qPrintable(badChange));
    const QString noFields = refusalOf(R"({"rows": []})", false);
    QVERIFY2(noFields.contains(u"sem \"fields\""), qPrintable(noFields));
}

void tst_JsonReader::refusedAtTheirPosition_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("members");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("what");
    QTest::newRow("trailing comma in an array") << QByteArray("[1,2,]") << false << 5 << "esperado um valor antes de ']'";
    QTest::newRow("member without a value") << QByteArray(R"({"module":})") << true << 10 << "esperado um valor antes de '}'";
    QTest::newRow("trailing comma in an object") << QByteArray(R"({"module":"x",})") << true << 14 << "nome de um membro";
    QTest::newRow("leading zero") << QByteArray("[01]") << false << 2 << "zero à esquerda";
    QTest::newRow("leading zero, negative, alone") << QByteArray("-01") << false << 2 << "zero à esquerda";
    QTest::newRow("lone high surrogate") << QByteArray(R"("\ud800")") << false << 1 << "par substituto inválido";
    QTest::newRow("high surrogate before a letter") << QByteArray(R"(["\ud800\u0041"])") << false << 2 << "par substituto inválido";
    QTest::newRow("lone low surrogate") << QByteArray(R"("\udc00")") << false << 1 << "par substituto inválido";
    QTest::newRow("lone low surrogate after escaped quotes") << QByteArray(R"(["\\\"x\udc00"])") << false << 7 << "par substituto inválido";
    QTest::newRow("lone low surrogate after a pair") << QByteArray(R"(["\ud83d\ude00\udc00"])") << false << 14 << "par substituto inválido";
    QTest::newRow("lone low surrogate in a name") << QByteArray(R"({"a\udc00":1})") << true << 3 << "par substituto inválido";
    QTest::newRow("control character in a text") << QByteArray("\"a\tb\"") << false << 2 << "caractere de controle";
    QTest::newRow("NUL in a text") << QByteArray("\"a\0b\"", 5) << false << 2 << "caractere de controle";
    QTest::newRow("invalid UTF-8") << QByteArray("\"\xc3\x28\"") << false << 1 << "UTF-8";
    QTest::newRow("overlong UTF-8") << QByteArray("[\"\xc0\xaf\"]") << false << 2 << "UTF-8";
    QTest::newRow("UTF-8 of a surrogate") << QByteArray("\"\xed\xa0\x80\"") << false << 1 << "UTF-8";
    QTest::newRow("UTF-8 cut at the end") << QByteArray("\"ab\xe2\x82") << false << 3 << "UTF-8";
    QTest::newRow("trailing garbage after a call") << QByteArray(R"({"module":"x","method":"y"} x)") << true << 28 << "após o fim do objeto";
    QTest::newRow("NUL after the value") << QByteArray("[1]\0", 4) << false << 3 << "após o fim do valor";
    QTest::newRow("closing bracket too many") << QByteArray("[1]]") << false << 3 << "após o fim do valor";
    QTest::newRow("unterminated text") << QByteArray(R"("abc)") << false << 4 << "sem aspas de fechamento";
    QTest::newRow("unterminated array") << QByteArray("[1, 2") << false << 5 << "fim inesperado";
    QTest::newRow("unterminated call") << QByteArray(R"({"module":)") << true << 10 << "fim inesperado";
    QTest::newRow("nesting of 65") << nested(65, "1") << false << 65 << "aninhamento maior que 64";
    QTest::newRow("empty text") << QByteArray() << false << 0 << "texto vazio";
    QTest::newRow("blanks only") << QByteArray(" \n\t") << false << 3 << "texto vazio";
    QTest::newRow("unknown escape") << QByteArray(R"("\x")") << false << 1 << "escape desconhecido";
    QTest::newRow("bad hex digit") << QByteArray(R"("\u12G4")") << false << 1 << "dígito inválido";
    QTest::newRow("fraction without digits") << QByteArray("[1.]") << false << 3 << "número mal formado";
    QTest::newRow("exponent without digits") << QByteArray("[1e]") << false << 3 << "número mal formado";
    QTest::newRow("number beyond a double") << QByteArray("[1e400]") << false << 1 << "fora do intervalo";
    QTest::newRow("number beyond a double by its digits") << QByteArray("[ 10e308]") << false << 2 << "fora do intervalo";
    QTest::newRow("single quotes") << QByteArray("{'a':1}") << true << 1 << "nome de um membro";
    QTest::newRow("missing colon") << QByteArray(R"({"a" 1})") << true << 5 << "esperado ':'";
    QTest::newRow("missing comma") << QByteArray("[1 2]") << false << 3 << "esperado ',' ou ']'";
    QTest::newRow("call that is no object") << QByteArray("[1]") << true << 0 << "esperado '{'";
    QTest::newRow("object of no member") << QByteArray("[{}]") << false << 2 << "objeto vazio";
    QTest::newRow("field size after a blank") << QByteArray(R"({"fields": [{"name": "A", "type": "text", "size": -1}], "rows": []})")
                                              << false << 50 << "tamanho de campo inválido";
    QTest::newRow("rows given first, not an array") << QByteArray(R"({"rows": 5, "fields": []})") << false << 9 << "esperado '['";
    QTest::newRow("date given first, not a text")
        << QByteArray(R"({"rows": [[{"date": 5}]], "fields": [{"name": "D", "type": "datetime", "size": 0}]})") << false << 20
        << "\"date\" deve ser um texto";
}

void tst_JsonReader::refusedAtTheirPosition()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, members);
    QFETCH(int, position);
    QFETCH(QString, what);
    const QString message = refusalOf(json, members);
    QVERIFY2(message.startsWith(QStringLiteral("JSON inválido na posição %1: ").arg(position)), qPrintable(message));
    QVERIFY2(message.contains(what), qPrintable(message));
    QVERIFY2(message.endsWith(u'.'), qPrintable(message));
}

// Each place of a packet or change set takes its own shapes only, whatever comes instead.
void tst_JsonReader::shapesRefusedWhereTheyDoNotFit_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("what");
    const QByteArray fields = R"("fields": [{"name": "T", "type": "text"}, {"name": "D", "type": "datetime"}])";
    auto packet = [&](const char *row) { return "{" + fields + R"(, "rows": [)" + row + "]}"; };
    QTest::newRow("array in a text cell") << packet(R"([["a"], null])") << "linha 1, campo T (text): esperado um texto";
    QTest::newRow("object in a text cell") << packet(R"([{"date": "2001-01-01"}, null])") << "campo T (text): esperado um texto";
    QTest::newRow("bytes in a date cell") << packet(R"([null, {"bytes": "AA=="}])") << "campo D (datetime): esperado {\"date\": ...}";
    QTest::newRow("empty object in a date cell") << packet(R"([null, {}])") << "campo D (datetime): objeto vazio";
    QTest::newRow("text in a date cell") << packet(R"([null, "2001-01-01"])") << "campo D (datetime): esperado {\"date\"";
    QTest::newRow("date cell of two members") << packet(R"([null, {"date": "2001-01-01", "x": 1}])") << "esperado '}'";
    QTest::newRow("date cell holding a number") << packet(R"([null, {"date": 20010101}])") << "\"date\" deve ser um texto";
    QTest::newRow("date cell holding an array") << packet(R"([null, {"date": ["2001-01-01"]}])") << "\"date\" deve ser um texto";
    QTest::newRow("bad date in a cell") << packet(R"([null, {"date": "2001-13-01"}])") << "data inválida \"2001-13-01\"";
    QTest::newRow("tagged cell one too many") << packet(R"([null, null, {"date": "2001-01-01"}])") << "linha 1 tem mais valores";
    QTest::newRow("row that is no array") << packet(R"({"T": 1})") << "esperado '['";
    QTest::newRow("float in an integer cell")
        << QByteArray(R"({"fields": [{"name": "I", "type": "integer"}], "rows": [[1.0]]})") << "campo I (integer): esperado um número inteiro";
    QTest::newRow("text in a flag cell")
        << QByteArray(R"({"fields": [{"name": "B", "type": "boolean"}], "rows": [["true"]]})") << "campo B (boolean): esperado true ou false";
    QTest::newRow("field name not a text") << QByteArray(R"({"fields": [{"name": 1, "type": "text"}], "rows": []})") << "nome de campo deve ser texto";
    QTest::newRow("field type not a text") << QByteArray(R"({"fields": [{"name": "A", "type": ["text"]}], "rows": []})") << "tipo de campo deve ser texto";
    QTest::newRow("field without a type") << QByteArray(R"({"fields": [{"name": "A", "size": 1}], "rows": []})") << "campo sem nome ou sem tipo";
    QTest::newRow("unknown type, named field") << QByteArray(R"({"fields": [{"name": "A", "type": "money"}], "rows": []})")
                                               << "tipo de campo desconhecido \"money\" no campo A";
    QTest::newRow("fraction as a size") << QByteArray(R"({"fields": [{"name": "A", "type": "text", "size": 1.5}], "rows": []})")
                                        << "tamanho de campo inválido";
    QTest::newRow("field that is no object") << QByteArray(R"({"fields": ["A"], "rows": []})") << "esperado '{'";
    QTest::newRow("fields twice") << QByteArray(R"({"fields": [], "fields": [], "rows": []})") << "\"fields\" repetido";
    QTest::newRow("rows and changes") << QByteArray(R"({"fields": [], "rows": [], "changes": []})") << "repetido";
    QTest::newRow("unknown member of a packet") << QByteArray(R"({"fields": [], "rows": [], "count": 0})") << "chave desconhecida \"count\"";
    QTest::newRow("unknown member of a change")
        << QByteArray(R"({"fields": [{"name": "A", "type": "text"}], "changes": [{"op": "insert", "new": ["a"], "by": "x"}]})")
        << "chave desconhecida \"by\" numa alteração";
    QTest::newRow("op not a text")
        << QByteArray(R"({"fields": [{"name": "A", "type": "text"}], "changes": [{"op": 1, "new": ["a"]}]})") << "\"op\" deve ser um texto";
    QTest::newRow("new row that is no array")
        << QByteArray(R"({"fields": [{"name": "A", "type": "text"}], "changes": [{"op": "insert", "new": "a"}]})") << "esperado '['";
    QTest::newRow("change that is no object") << QByteArray(R"({"fields": [], "changes": [[]]})") << "esperado '{'";
    QTest::newRow("date of two members") << QByteArray(R"({"date": "2001-01-01", "bytes": ""})") << "esperado '}'";
    QTest::newRow("bytes not a text") << QByteArray(R"({"bytes": null})") << "\"bytes\" deve ser um texto";
}

void tst_JsonReader::shapesRefusedWhereTheyDoNotFit()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, what);
    const QString message = refusalOf(json, false);
    QVERIFY2(message.contains(what), qPrintable(message));
}

void tst_JsonReader::numbersStayExact_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<Value>("value");
    QTest::newRow("int64 max") << QByteArray("9223372036854775807") << Value(std::numeric_limits<qint64>::max());
    QTest::newRow("int64 min") << QByteArray("-9223372036854775808") << Value(std::numeric_limits<qint64>::min());
    QTest::newRow("past int64 max") << QByteArray("9223372036854775808") << Value(9223372036854775808.0);
    QTest::newRow("2^53 + 1") << QByteArray("9007199254740993") << Value(qint64(9007199254740993LL));
    QTest::newRow("minus zero integer") << QByteArray("-0") << Value(0);
    QTest::newRow("zero float") << QByteArray("0.0") << Value(0.0);
    QTest::newRow("exponent makes a float") << QByteArray("1E2") << Value(100.0);
    QTest::newRow("shortest double") << QByteArray("0.1") << Value(0.1);
    QTest::newRow("smallest subnormal") << QByteArray("5e-324") << Value(5e-324);
    QTest::newRow("largest double") << QByteArray("1.7976931348623157e308") << Value(1.7976931348623157e308);
}

void tst_JsonReader::numbersStayExact()
{
    QFETCH(QByteArray, json);
    QFETCH(Value, value);
    const Value v = JsonCodec::decode(json);
    QCOMPARE(v.kind(), value.kind());
    QVERIFY2(v == value, json.constData());
}

void tst_JsonReader::signAndEmptinessSurviveInRows()
{
    const Value minusZero = JsonCodec::decode("-0.0");
    QCOMPARE(minusZero.kind(), Value::Kind::Float);
    QVERIFY(std::signbit(minusZero.toDouble()));
    const Packet p = JsonCodec::decode(R"({"fields": [{"name": "F", "type": "float", "size": 0},
                                                      {"name": "I", "type": "integer", "size": 0},
                                                      {"name": "T", "type": "text", "size": 0}],
                                          "rows": [[-0.0, 9007199254740993, ""], [0, -9223372036854775808, null]]})")
                         .toPacket();
    QVERIFY(std::signbit(p.value(0, 0).toDouble()));
    QCOMPARE(p.value(0, 1), Value(qint64(9007199254740993LL)));
    QCOMPARE(p.value(0, 2).kind(), Value::Kind::Text);
    QVERIFY(p.value(0, 2).toString().isEmpty());
    QCOMPARE(p.value(1, 0).kind(), Value::Kind::Float);
    QVERIFY(!std::signbit(p.value(1, 0).toDouble()));
    QCOMPARE(p.value(1, 1), Value(std::numeric_limits<qint64>::min()));
    QVERIFY(p.value(1, 2).isNull());
    const Value generic = JsonCodec::decode(R"(["", null, 0])");
    QCOMPARE(generic.at(0).kind(), Value::Kind::Text);
    QCOMPARE(generic.at(1).kind(), Value::Kind::Null);
    QCOMPARE(generic.at(2).kind(), Value::Kind::Int);
}

void tst_JsonReader::nestingLimit()
{
    QCOMPARE(JsonCodec::decode(nested(64, "1")).kind(), Value::Kind::Array);
    // The call itself is one level: its members may hold 63 more.
    QCOMPARE(JsonCodec::decodeObject("{\"args\":" + nested(63, "1") + "}").size(), 1);
    QVERIFY(refusalOf("{\"args\":" + nested(64, "1") + "}", true).contains(u"aninhamento"));
    // Far deeper than any stack would take if the reading recursed.
    QVERIFY(refusalOf(QByteArray(2'000'000, '['), false).contains(u"aninhamento"));
    QVERIFY(refusalOf("{\"args\":" + QByteArray(2'000'000, '['), true).contains(u"aninhamento"));
}

void tst_JsonReader::largePacketOfStyledRows()
{
    constexpr int kRows = 200000;
    QByteArray json = R"({"fields": [{"name": "CDCONSUMIDOR", "type": "text", "size": 21},
                                      {"name": "NMCONSUMIDOR", "type": "text", "size": 50},
                                      {"name": "VLLIMITE", "type": "float", "size": 0},
                                      {"name": "NRSEQ", "type": "integer", "size": 0},
                                      {"name": "DTNASC", "type": "datetime", "size": 0}],
                         "rows": [)";
    json.reserve(kRows * 90);
    for (int i = 0; i < kRows; ++i) {
        if (i)
            json.append(", ");
        json.append("[\"").append(QByteArray::number(i)).append(R"(", "Consumidor Jos\u00e9 )").append(QByteArray::number(i));
        json.append(R"(", 12.5, )").append(QByteArray::number(i)).append(R"(, {"date": "1990-01-02T03:04:05"}])");
    }
    json.append("]}");
    const Packet p = JsonCodec::decode(json).toPacket();
    QCOMPARE(p.rowCount(), kRows);
    QCOMPARE(p.value(0, 1), Value(QStringLiteral("Consumidor José 0")));
    QCOMPARE(p.value(kRows - 1, 0), Value(QString::number(kRows - 1)));
    QCOMPARE(p.value(kRows - 1, 3), Value(qint64(kRows - 1)));
    QCOMPARE(p.value(kRows - 1, 4), Value::date(QDate(1990, 1, 2), QTime(3, 4, 5)));
}

QTEST_GUILESS_MAIN(tst_JsonReader)
#include "tst_JsonReader.moc"
