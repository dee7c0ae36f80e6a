#include "ChangeSet.h"
#include "DataSet.h"
#include "EErro.h"
#include "JsonCodec.h"
#include "Packet.h"
#include "Row.h"
#include "WireEnvelope.h"

#include <QTest>

using namespace cns;

Q_DECLARE_METATYPE(cns::Value)

namespace {

Packet everyType()
{
    Packet p({{"TXT", FieldType::String, 300},
              {"FIX", FieldType::FixedChar, 1},
              {"FLT", FieldType::Float, 0},
              {"INT", FieldType::Integer, 0},
              {"BOOL", FieldType::Boolean, 0},
              {"DT", FieldType::DateTime, 0},
              {"BLOB", FieldType::Blob, 0}});
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    p.addRow({Value(QStringLiteral("Conceição \"aspas\" \\ \n\t fim")), Value(QStringLiteral("M")), Value(1234.5),
              Value(qint64(-9007199254740993LL)), Value(true), Value::date(QDate(1899, 12, 31), QTime(23, 59, 59, 7)),
              Value::bytes(allBytes)});
    p.addRow({Value(QString()), Value(QString()), Value(0.0), Value(0), Value(false), Value::date(QDate(1, 1, 1)),
              Value::bytes(QByteArray())});
    p.addRow({Value(), Value(), Value(), Value(), Value(), Value(), Value()});
    p.addRow({Value(QString(200, u'x')), Value(QStringLiteral("F")), Value(0.1 + 0.2), Value(qint64(1) << 62), Value(false),
              Value::date(QDate(2024, 2, 29), QTime(12, 0)), Value::bytes(QByteArray("\0\0", 2))});
    return p;
}

Value roundTrip(const Value &v)
{
    return JsonCodec::decode(JsonCodec::encode(v));
}

} // namespace

class tst_Wire : public QObject
{
    Q_OBJECT

private slots:
    void scalarsRoundTrip_data();
    void scalarsRoundTrip();
    void packetOfEveryTypeRoundTrips();
    void nullEmptyAndZeroStayDistinct();
    void changeSetRoundTripsAndKeepsOriginals();
    void fieldsMayFollowRows();
    void badInputIsNamed_data();
    void badInputIsNamed();
    void envelopes();
    void errorValuesRaiseTheirText();
    void rowTextsAreTheirUtf8_data();
    void rowTextsAreTheirUtf8();
};

void tst_Wire::scalarsRoundTrip_data()
{
    QTest::addColumn<Value>("value");
    QTest::newRow("null") << Value();
    QTest::newRow("true") << Value(true);
    QTest::newRow("false") << Value(false);
    QTest::newRow("zero") << Value(0);
    QTest::newRow("max int") << Value(std::numeric_limits<qint64>::max());
    QTest::newRow("min int") << Value(std::numeric_limits<qint64>::min());
    QTest::newRow("float") << Value(-0.1);
    QTest::newRow("float integral") << Value(3.0);
    QTest::newRow("float tiny") << Value(5e-324);
    QTest::newRow("float huge") << Value(1.7976931348623157e308);
    QTest::newRow("empty text") << Value(QString());
    QTest::newRow("text with escapes") << Value(QStringLiteral("a\"b\\c/\u0001\u001f\r\n"));
    QTest::newRow("accents and emoji") << Value(QStringLiteral("São João 😀 ç"));
    QTest::newRow("date") << Value::date(QDate(2026, 12, 8), QTime(8, 30, 15));
    QTest::newRow("date with ms") << Value::date(QDate(1900, 1, 1), QTime(0, 0, 0, 1));
    QTest::newRow("bytes") << Value::bytes(QByteArray("\xff\x00\x80 ", 4));
    QTest::newRow("array") << Value(QList<Value>{Value(1), Value(QStringLiteral("T")), Value(), Value(QList<Value>{})});
}

void tst_Wire::scalarsRoundTrip()
{
    QFETCH(Value, value);
    const Value back = roundTrip(value);
    QCOMPARE(back.kind(), value.kind());
    QVERIFY2(back == value, qPrintable(QString::fromUtf8(JsonCodec::encode(value))));
}

void tst_Wire::packetOfEveryTypeRoundTrips()
{
    const Packet p = everyType();
    const Value back = roundTrip(Value(p));
    QCOMPARE(back.kind(), Value::Kind::Packet);
    QCOMPARE(back.toPacket(), p);
    // And through a DataSet, whose rows are the same packed rows.
    DataSet ds(QStringLiteral("cdsTipos"));
    ds.setData(back.toPacket());
    QCOMPARE(ds.Data(), p);
    QCOMPARE(ds.FieldByName(u"INT").AsInteger(), -9007199254740993LL);
    QCOMPARE(ds.FieldByName(u"BLOB").AsValue().toBytes().size(), 256);
}

void tst_Wire::nullEmptyAndZeroStayDistinct()
{
    const Packet back = roundTrip(Value(everyType())).toPacket();
    QCOMPARE(back.value(1, u"TXT").kind(), Value::Kind::Text);
    QCOMPARE(back.value(2, u"TXT").kind(), Value::Kind::Null);
    QCOMPARE(back.value(1, u"FLT").kind(), Value::Kind::Float);
    QCOMPARE(back.value(1, u"INT").kind(), Value::Kind::Int);
    QCOMPARE(back.value(2, u"INT").kind(), Value::Kind::Null);
    QCOMPARE(back.value(1, u"BLOB").kind(), Value::Kind::Bytes);
    QCOMPARE(back.value(2, u"BLOB").kind(), Value::Kind::Null);
    QVERIFY(back.value(1, u"TXT") != back.value(2, u"TXT"));
}

void tst_Wire::changeSetRoundTripsAndKeepsOriginals()
{
    DataSet ds(QStringLiteral("cdsTipos"));
    ds.setData(everyType());
    ds.Edit();
    ds.FieldByName(u"TXT").setAsString(QStringLiteral("novo"));
    ds.Post();
    ds.Last();
    ds.Delete();
    ds.Append();
    ds.FieldByName(u"INT").setAsInteger(7);
    ds.Post();
    const ChangeSet cs = ds.Delta();
    const Value back = roundTrip(Value(cs));
    QCOMPARE(back.toChangeSet(), cs);
    const auto &changes = back.toChangeSet().changes();
    QCOMPARE(changes.size(), size_t(3));
    QCOMPARE(changes[0].op, ChangeSet::Op::Update);
    QCOMPARE(back.toChangeSet().changedFields(changes[0]), QList<int>{0});
    QCOMPARE(changes[0].oldRow.value(0).toString(), QStringLiteral("Conceição \"aspas\" \\ \n\t fim"));
    QCOMPARE(changes[1].op, ChangeSet::Op::Delete);
    QCOMPARE(changes[2].op, ChangeSet::Op::Insert);
    QCOMPARE(changes[2].newRow.value(3), Value(7));
}

void tst_Wire::fieldsMayFollowRows()
{
    const QByteArray json = R"({"rows":[["a",1],[null,2]],"fields":[{"name":"A","type":"text","size":1},{"name":"B","type":"integer","size":0}]})";
    const Packet p = JsonCodec::decode(json).toPacket();
    QCOMPARE(p.rowCount(), 2);
    QCOMPARE(p.value(1, 1), Value(2));
    QVERIFY(p.value(1, 0).isNull());
}

void tst_Wire::badInputIsNamed_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("malformed") << QByteArray(R"({"fields": [)") << "JSON inválido";
    QTest::newRow("trailing") << QByteArray("1 2") << "após o fim";
    QTest::newRow("bad escape") << QByteArray(R"("\q")") << "escape";
    QTest::newRow("lone surrogate") << QByteArray(R"("\ud800")") << "substituto";
    QTest::newRow("not utf-8") << QByteArray("\"\xc3\x28\"") << "UTF-8";
    QTest::newRow("unknown type") << QByteArray(R"({"fields":[{"name":"A","type":"money","size":0}],"rows":[]})") << "money";
    QTest::newRow("row too short") << QByteArray(R"({"fields":[{"name":"A","type":"text","size":1},{"name":"B","type":"text","size":1}],"rows":[["a"]]})")
                                   << "linha 1 tem 1 valores para 2 campos";
    QTest::newRow("row too long") << QByteArray(R"({"fields":[{"name":"A","type":"text","size":1}],"rows":[["a"],["b","c"]]})")
                                  << "linha 2 tem mais valores";
    QTest::newRow("wrong kind") << QByteArray(R"({"fields":[{"name":"QT","type":"integer","size":0}],"rows":[[1.5]]})")
                                << "campo QT";
    QTest::newRow("text in date") << QByteArray(R"({"fields":[{"name":"DT","type":"datetime","size":0}],"rows":[["2020-01-01"]]})")
                                  << "campo DT";
    QTest::newRow("bad date") << QByteArray(R"({"date":"2020-02-30T00:00:00"})") << "data inválida";
    QTest::newRow("bad base64") << QByteArray(R"({"bytes":"@@@"})") << "base64";
    QTest::newRow("change width") << QByteArray(R"({"fields":[{"name":"A","type":"text","size":1}],"changes":[{"op":"update","old":["a"],"new":["a","b"]}]})")
                                  << "mais valores";
    QTest::newRow("change without old") << QByteArray(R"({"fields":[{"name":"A","type":"text","size":1}],"changes":[{"op":"delete","new":["a"]}]})")
                                        << "Alteração 1 inválida";
    QTest::newRow("duplicate field") << QByteArray(R"({"fields":[{"name":"A","type":"text"},{"name":"a","type":"text"}],"rows":[]})")
                                     << "repetido";
    QTest::newRow("deep") << QByteArray(200, '[') << "aninhamento";
    QTest::newRow("unknown object") << QByteArray(R"({"x":1})") << "chave desconhecida";
}

void tst_Wire::badInputIsNamed()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, mentions);
    try {
        JsonCodec::decode(json);
        QFAIL("accepted bad input");
    } catch (const EErro &e) {
        QVERIFY2(e.message().contains(mentions), qPrintable(e.message()));
    }
}

void tst_Wire::envelopes()
{
    const QList<Value> args{Value(QStringLiteral("0001")), Value(QStringLiteral("")), Value(), Value(QStringLiteral("T"))};
    const auto req = WireEnvelope::decodeRequest(WireEnvelope::encodeRequest(
        QStringLiteral("Cns72200.rdmConsumidor"), QStringLiteral("getCliente"), args));
    QCOMPARE(req.module, QStringLiteral("Cns72200.rdmConsumidor"));
    QCOMPARE(req.method, QStringLiteral("getCliente"));
    QCOMPARE(req.args, args);
    QCOMPARE(WireEnvelope::decodeReply(WireEnvelope::encodeReply(Value(42))), Value(42));
    const Value err = WireEnvelope::decodeReply(WireEnvelope::encodeReply(Value::error(QStringLiteral("Crachá já existente."))));
    QVERIFY(err.isError());
    QCOMPARE(err.errorText(), QStringLiteral("Crachá já existente."));
    QVERIFY_THROWS_EXCEPTION(EErro, WireEnvelope::decodeRequest(R"({"module":"x"})"));
    QVERIFY_THROWS_EXCEPTION(EErro, WireEnvelope::decodeRequest(R"({"module":"x","method":"y","args":3})"));
    // A member given twice is refused, not read as its last occurrence.
    QVERIFY_THROWS_EXCEPTION(EErro, WireEnvelope::decodeRequest(R"({"module":"x","method":"y","method":"z"})"));
    QVERIFY_THROWS_EXCEPTION(EErro, WireEnvelope::decodeReply(R"({"result":1})"));
}

void tst_Wire::errorValuesRaiseTheirText()
{
    const Value err = Value::error(QStringLiteral("Cliente não cadastrado."));
    try {
        err.toInt();
        QFAIL("an error reply was read as a count");
    } catch (const EErroServidor &e) {
        QCOMPARE(e.message(), QStringLiteral("Cliente não cadastrado."));
    }
    QVERIFY_THROWS_EXCEPTION(EErroServidor, err.at(0));
    QVERIFY_THROWS_EXCEPTION(EErro, Value(1).toPacket());
    QVERIFY_THROWS_EXCEPTION(EErro, Value(QList<Value>{}).at(0));
    QVERIFY_THROWS_EXCEPTION(EErro, JsonCodec::encode(err));
}

void tst_Wire::rowTextsAreTheirUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("ascii") << QStringLiteral("Ana Silva 42");
    QTest::newRow("longest short") << QString(127, u'a');
    QTest::newRow("long") << QString(128, u'a');
    QTest::newRow("accent last") << (QString(20, u'a') + QChar(0xE9));
    QTest::newRow("accents") << QStringLiteral("Conceição");
    QTest::newRow("outside the BMP") << (QStringLiteral("a") + QChar(0xD83D) + QChar(0xDE00));
}

// Whatever way a text takes into a row, the row holds its UTF-8 and gives the text back.
void tst_Wire::rowTextsAreTheirUtf8()
{
    QFETCH(QString, text);
    Row::Builder a, b;
    a.addText(text);
    a.addInt(7);
    const QByteArray utf8 = text.toUtf8();
    b.addTextUtf8(utf8.constData(), utf8.size());
    b.addInt(7);
    const Row row = a.take();
    QCOMPARE(row.encoded(), b.take().encoded());
    QCOMPARE(row.value(0).toString(), text);
    QCOMPARE(row.value(1), Value(7));
}

QTEST_GUILESS_MAIN(tst_Wire)
#include "tst_Wire.moc"
