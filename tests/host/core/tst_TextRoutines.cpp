#include "Consiste.h"
#include "Corvane.h"
#include "Criptografa.h"
#include "EAbort.h"
#include "EErro.h"
#include "FieldText.h"
#include "NumberFormat.h"
#include "ScriptedDialogs.h"
#include "TMessages.h"

#include <QTest>

class tst_TextRoutines : public QObject
{
    Q_OBJECT

private slots:
    void messagesMatchKeysWithoutCase();
    void messagesUnescapeAndFill_data();
    void messagesUnescapeAndFill();
    void showMsgReturnsTheButton();
    void cpf_data();
    void cpf();
    void cnpj_data();
    void cnpj();
    void ajusta_data();
    void ajusta();
    void registrationNumbers_data();
    void registrationNumbers();
    void maxNumber_data();
    void maxNumber();
    void modulo11_data();
    void modulo11();
    void blanks();
    void numberFormats_data();
    void numberFormats();
    void plainNumbers_data();
    void plainNumbers();
    void numberParsing_data();
    void numberParsing();
    void storedPasswordForm();
    void mensErroShowsThenAborts();
    void checkResultServ();
    void textsAreCutBetweenCharacters_data();
    void textsAreCutBetweenCharacters();
};

void tst_TextRoutines::messagesMatchKeysWithoutCase()
{
    TMessages m(u"CRACHA_CAD|Crachá já cadastrado para o consumidor %s.\r\nNome_Inf|Nome deve ser informado.\n"
                u"sem barra\n|sem chave\nC|Consumidor Individual");
    QCOMPARE(m.Msg(u"Cracha_Cad", {"000123"}), QStringLiteral("Crachá já cadastrado para o consumidor 000123."));
    QCOMPARE(m.Msg(u"nome_inf"), QStringLiteral("Nome deve ser informado."));
    QCOMPARE(m.Msg(u"c"), QStringLiteral("Consumidor Individual"));
    QCOMPARE(m.keys().size(), 3);
    QCOMPARE(m.Msg(u"NAO_EXISTE"), QStringLiteral("[NAO_EXISTE]"));
}

void tst_TextRoutines::messagesUnescapeAndFill_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("text");
    QTest::newRow("line break") << R"(K|Cliente: %s / Consumidor: %s. \r\nFim)" << QStringList{"1", "2"}
                                << "Cliente: 1 / Consumidor: 2. \r\nFim";
    QTest::newRow("quotes") << R"(K|Use \"T\" para todos)" << QStringList{} << "Use \"T\" para todos";
    QTest::newRow("backslash kept") << R"(K|C:\dados\x)" << QStringList{} << "C:\\dados\\x";
    QTest::newRow("missing args empty") << "K|%s e %s" << QStringList{"a"} << "a e ";
    QTest::newRow("extra args ignored") << "K|só %s" << QStringList{"a", "b"} << "só a";
    QTest::newRow("bar in text") << "K|a|b" << QStringList{} << "a|b";
}

void tst_TextRoutines::messagesUnescapeAndFill()
{
    QFETCH(QString, line);
    QFETCH(QStringList, args);
    QFETCH(QString, text);
    QCOMPARE(TMessages(line).Msg(u"k", args), text);
}

void tst_TextRoutines::showMsgReturnsTheButton()
{
    ScriptedDialogs dialogs;
    TMessages m(u"Excl|Confirma exclusão?\nINF_NAO|Informações não digitadas.");
    dialogs.answers.enqueue(cns::mrYes);
    QCOMPARE(m.ShowMsg(u"excl", cns::MsgType::Confirmation, cns::mbYes | cns::mbNo), 6);
    QCOMPARE(m.ShowMsg(u"INF_NAO", cns::MsgType::Information, cns::mbOK), int(cns::mrOk));
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("Confirma exclusão?"));
    QCOMPARE(dialogs.shown.at(0).type, cns::MsgType::Confirmation);
    QCOMPARE(dialogs.shown.at(1).type, cns::MsgType::Information);
}

void tst_TextRoutines::cpf_data()
{
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<bool>("ok");
    QTest::newRow("valid digits") << "52998224725" << true;
    QTest::newRow("valid masked") << "529.982.247-25" << true;
    QTest::newRow("valid, check digit 0") << "11144477735" << true;
    QTest::newRow("first check digit wrong") << "52998224735" << false;
    QTest::newRow("second check digit wrong") << "52998224726" << false;
    QTest::newRow("all equal digits") << "111.111.111-11" << false;
    QTest::newRow("zeros") << "00000000000" << false;
    QTest::newRow("short") << "5299822472" << false;
    QTest::newRow("long") << "529982247250" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "abc" << false;
}

void tst_TextRoutines::cpf()
{
    QFETCH(QString, cpf);
    QFETCH(bool, ok);
    QCOMPARE(Consiste::CPFOk(cpf), ok);
}

void tst_TextRoutines::cnpj_data()
{
    QTest::addColumn<QString>("cnpj");
    QTest::addColumn<bool>("ok");
    QTest::newRow("valid") << "11.222.333/0001-81" << true;
    QTest::newRow("valid digits") << "11222333000181" << true;
    QTest::newRow("wrong digit") << "11222333000182" << false;
    QTest::newRow("all equal") << "00000000000000" << false;
    QTest::newRow("a CPF") << "52998224725" << false;
}

void tst_TextRoutines::cnpj()
{
    QFETCH(QString, cnpj);
    QFETCH(bool, ok);
    QCOMPARE(Consiste::CNPJOk(cnpj), ok);
}

void tst_TextRoutines::ajusta_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("result");
    QTest::newRow("filled") << "12" << 4 << "0012";
    QTest::newRow("blanks trimmed") << "  7 " << 4 << "0007";
    QTest::newRow("blank stays empty") << "   " << 4 << "";
    QTest::newRow("exact") << "1234" << 4 << "1234";
    QTest::newRow("longer left as is") << "12345" << 4 << "12345";
    QTest::newRow("letters") << "AB" << 4 << "00AB";
    QTest::newRow("client width") << "1" << 21 << "000000000000000000001";
}

void tst_TextRoutines::ajusta()
{
    QFETCH(QString, code);
    QFETCH(int, width);
    QFETCH(QString, result);
    QCOMPARE(Consiste::Ajusta(code, width), result);
}

void tst_TextRoutines::registrationNumbers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("mask");
    QTest::newRow("CNPJ") << "11.222.333/0001-81" << "11222333000181" << "J" << "99.999.999/9999-99";
    QTest::newRow("CPF") << "529.982.247-25" << "52998224725" << "F" << "999.999.999-99";
    QTest::newRow("other") << "12.345" << "12345" << "I" << "";
    QTest::newRow("empty") << "" << "" << "I" << "";
}

void tst_TextRoutines::registrationNumbers()
{
    QFETCH(QString, typed);
    QFETCH(QString, digits);
    QFETCH(QString, kind);
    QFETCH(QString, mask);
    QString tipo;
    QCOMPARE(Consiste::Ajusta_Inscricao(typed, &tipo), digits);
    QCOMPARE(tipo, kind);
    QCOMPARE(Consiste::PictPess(tipo), mask);
}

void tst_TextRoutines::maxNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("selection");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("room left") << "12" << 2 << 0 << "3" << true;
    QTest::newRow("at the limit") << "1234" << 4 << 0 << "5" << false;
    QTest::newRow("replacing the selection") << "1234" << 0 << 1 << "9" << true;
    QTest::newRow("backspace always") << "1234" << 4 << 0 << "\b" << true;
    QTest::newRow("no decimals allowed") << "12" << 2 << 0 << "," << false;
}

void tst_TextRoutines::maxNumber()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, selection);
    QFETCH(QString, key);
    QFETCH(bool, accepted);
    const QChar k = key.at(0);
    QCOMPARE(Consiste::MaxNumber(k, text, caret, selection, 4, 0) == k, accepted);
    QCOMPARE(Consiste::MaxNumber(QChar(u'5'), u"12,3", 4, 0, 4, 2), QChar(u'5'));
    QCOMPARE(Consiste::MaxNumber(QChar(u'5'), u"12,34", 5, 0, 4, 2), QChar());
}

void tst_TextRoutines::modulo11_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("digit");
    QTest::newRow("0") << "0" << "0";
    QTest::newRow("1: sum 2, remainder 2") << "1" << "9";
    QTest::newRow("19: remainder 10") << "19" << "1";
    QTest::newRow("123456: remainder 0") << "123456" << "0";
    QTest::newRow("123456789: weight 2 again") << "123456789" << "7";
    QTest::newRow("not digits") << "12A" << QString();
}

void tst_TextRoutines::modulo11()
{
    QFETCH(QString, digits);
    QFETCH(QString, digit);
    const QChar d = Consiste::DigitoModulo11(digits);
    QCOMPARE(d.isNull() ? QString() : QString(d), digit);
}

void tst_TextRoutines::blanks()
{
    QVERIFY(Consiste::EmptyString(u""));
    QVERIFY(Consiste::EmptyString(u"   \t"));
    QVERIFY(!Consiste::EmptyString(u" a "));
    QCOMPARE(Consiste::AllTrim(u"  a b  "), QStringLiteral("a b"));
    QCOMPARE(Consiste::iif(true, QStringLiteral("S"), QStringLiteral("N")), QStringLiteral("S"));
    QCOMPARE(Consiste::iif(false, 1, 2), 2);
}

void tst_TextRoutines::numberFormats_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("grouped") << "#,##0.00" << 1234567.891 << "1.234.567,89";
    QTest::newRow("small") << "#,##0.00" << 0.5 << "0,50";
    QTest::newRow("negative") << "#,##0.00" << -1234.5 << "-1.234,50";
    QTest::newRow("rounds half up") << "#,##0.00" << 2.675000001 << "2,68";
    QTest::newRow("no grouping") << "###0.00" << 12345.6 << "12345,60";
    QTest::newRow("integer") << "0" << 41.6 << "42";
    QTest::newRow("optional decimals") << "0.##" << 1.5 << "1,5";
    QTest::newRow("sections") << "0.00;(0.00);zero" << -3.0 << "(3,00)";
    QTest::newRow("zero section") << "0.00;(0.00);\"zero\"" << 0.0 << "zero";
    QTest::newRow("literal") << "R$ #,##0.00" << 10.0 << "R$ 10,00";
}

void tst_TextRoutines::numberFormats()
{
    QFETCH(QString, pattern);
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(cns::NumberFormat::format(pattern, value), text);
}

void tst_TextRoutines::plainNumbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("whole") << 42.0 << "42";
    QTest::newRow("negative whole") << -250.0 << "-250";
    QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
    QTest::newRow("sixteen digits") << 1e15 << "1e+15";
    QTest::newRow("fraction") << 1234.5 << "1234,5";
    QTest::newRow("small fraction") << -0.25 << "-0,25";
}

void tst_TextRoutines::plainNumbers()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(cns::NumberFormat::plain(value), text);
}

void tst_TextRoutines::numberParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("grouped") << "1.234,56" << true << 1234.56;
    QTest::newRow("comma") << "1234,56" << true << 1234.56;
    QTest::newRow("negative") << "-12" << true << -12.0;
    QTest::newRow("dot as decimal") << "12.5" << true << 12.5;
    QTest::newRow("thousands without comma") << "1.234" << true << 1234.0;
    QTest::newRow("blanks") << " 7 " << true << 7.0;
    QTest::newRow("word") << "doze" << false << 0.0;
    QTest::newRow("two commas") << "1,2,3" << false << 0.0;
    QTest::newRow("lone sign") << "-" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
}

void tst_TextRoutines::numberParsing()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const auto d = cns::NumberFormat::parse(text);
    QCOMPARE(d.has_value(), ok);
    if (ok)
        QCOMPARE(*d, value);
}

void tst_TextRoutines::storedPasswordForm()
{
    Corvane::SimpleContext ctx;
    Corvane::install(&ctx);
    QVERIFY_THROWS_EXCEPTION(cns::EErro, Criptografa::CriptoPlus(QStringLiteral("1234")));
    ctx.chaveInstalacao = "segredo-da-instalacao";
    const QString a = Criptografa::CriptoPlus(QStringLiteral("123456789012345678901"));
    QCOMPARE(a.size(), 40);
    QCOMPARE(Criptografa::CriptoPlus(QStringLiteral("123456789012345678901")), a);
    QVERIFY(a != Criptografa::CriptoPlus(QStringLiteral("123456789012345678902")));
    QVERIFY(!a.contains(QStringLiteral("1234567")));
    QVERIFY(a != Criptografa::CriptoPlus(QStringLiteral("123456789012345678901"), "outra"));
    QVERIFY(Criptografa::CriptoPlus(QString()).size() == 40);
    Corvane::install(nullptr);
}

void tst_TextRoutines::mensErroShowsThenAborts()
{
    ScriptedDialogs dialogs;
    QVERIFY_THROWS_EXCEPTION(cns::EAbort, Consiste::MensErro(QStringLiteral("Cliente não cadastrado.")));
    Consiste::MensErro(QStringLiteral("só aviso"), false);
    QCOMPARE(dialogs.texts(), QStringList({"Cliente não cadastrado.", "só aviso"}));
    QCOMPARE(dialogs.shown.at(0).type, cns::MsgType::Error);
}

void tst_TextRoutines::checkResultServ()
{
    ScriptedDialogs dialogs;
    const cns::Value ok(QList<cns::Value>{cns::Value(1), cns::Value(2)});
    QCOMPARE(Consiste::CheckResultServ(ok, true, 0), ok);
    QCOMPARE(Consiste::CheckResultServ(ok, true, 2), ok);
    QVERIFY_THROWS_EXCEPTION(cns::EErro, Consiste::CheckResultServ(ok, true, 3));
    QVERIFY_THROWS_EXCEPTION(cns::EErro, Consiste::CheckResultServ(cns::Value(1), true, 1));
    const cns::Value err = cns::Value::error(QStringLiteral("Crachá já existente."));
    try {
        Consiste::CheckResultServ(err, true, 0);
        QFAIL("error reply passed");
    } catch (const cns::EErroServidor &e) {
        QCOMPARE(e.message(), QStringLiteral("Crachá já existente."));
    }
    QVERIFY(dialogs.shown.isEmpty());
    QVERIFY(Consiste::CheckResultServ(err, false, 0).isNull());
    QCOMPARE(dialogs.lastText(), QStringLiteral("Crachá já existente."));
}

void tst_TextRoutines::textsAreCutBetweenCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("kept");
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80"); // two units
    const QString thumbDark = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"); // emoji and its skin tone
    const QString flag = QString::fromUtf8("\xF0\x9F\x87\xA7\xF0\x9F\x87\xB7"); // two regional letters
    const QString acute = QString(QChar(0x0301));
    QTest::newRow("fits") << "Ana" << 4 << "Ana";
    QTest::newRow("no limit") << QString(300, u'x') << 0 << QString(300, u'x');
    QTest::newRow("plain letters") << "Joaquina" << 4 << "Joaq";
    QTest::newRow("emoji within") << "ab" + grin + "cd" << 4 << "ab" + grin;
    QTest::newRow("emoji across the end") << "abc" + grin << 4 << "abc";
    QTest::newRow("name of 50 ending in an emoji") << QString(49, u'y') + grin << 50 << QString(49, u'y');
    QTest::newRow("accented letter at the end") << "Josée" << 4 << "José";
    QTest::newRow("accent written after its letter") << "Jose" + acute + "fa" << 4 << "Jos";
    QTest::newRow("accent and letter both in") << "Jose" + acute + "fa" << 5 << "Jose" + acute;
    QTest::newRow("skin tone after the emoji") << "ab" + thumbDark << 4 << "ab";
    QTest::newRow("flag halved") << "a" + flag << 3 << "a";
    QTest::newRow("only a cut character") << grin << 1 << "";
}

void tst_TextRoutines::textsAreCutBetweenCharacters()
{
    QFETCH(QString, text);
    QFETCH(int, size);
    QFETCH(QString, kept);
    QString cut = text;
    cns::FieldText::cutToSize(cut, size);
    QCOMPARE(cut, kept);
    QCOMPARE(cns::FieldText::cutToSize(QStringView(text), size).toString(), kept);
    // What is kept is whole: it goes to UTF-8 and back unchanged.
    QCOMPARE(QString::fromUtf8(cut.toUtf8()), cut);
}

QTEST_GUILESS_MAIN(tst_TextRoutines)
#include "tst_TextRoutines.moc"
