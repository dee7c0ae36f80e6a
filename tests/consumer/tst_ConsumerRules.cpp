#include "BadgeRule.h"
#include "ConsumerLookups.h"
#include "ConsumerMessages.h"
#include "ConsumerPacket.h"
#include "ConsumerRuleContext.h"
#include "ConsumerRules.h"
#include "DataSet.h"
#include "EAbort.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"

#include <QSqlDatabase>
#include "TMessages.h"

#include <QTest>

using namespace cns;

// The rules that need neither a window nor a server: check digits, e-mail and CPF forms, birth
// dates, coded texts.
class tst_ConsumerRules : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void checkDigit_data();
    void checkDigit();
    void checkDigitOfNonDigitsIsAClearMessage();
    void comparisonKey();
    void email_data();
    void email();
    void cpf_data();
    void cpf();
    void birthDate_data();
    void birthDate();
    void codedTexts();
    void badgeHidesItsCheckDigitOnlyWhileBrowsing();
    void newConsumerStartsActiveIndividual();
    void lookupQueriesRunOnBothBackends_data();
    void lookupQueriesRunOnBothBackends();

private:
    TMessages m_msg{ConsumerMessages::table()};
    DataSet m_consumers{"cdsConsumidor"}, m_clients{"cdsCliente"}, m_branches{"cdsConsFilial"};
    ConsumerLookups m_lookups;
    std::unique_ptr<ConsumerRuleContext> m_ctx;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QStringList m_focused;
    bool m_checkDigit = false;
};

void tst_ConsumerRules::init()
{
    m_dialogs.reset(); // before the next one installs itself
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_focused.clear();
    if (m_consumers.FieldCount() == 0)
        ConsumerPacket::define(m_consumers, {&m_msg, [this] { return m_checkDigit; }, [] { return QString("000000000000000000007"); },
                                            [] { return QString("0001"); }});
    m_consumers.Close();
    m_consumers.Open();
    m_ctx = std::make_unique<ConsumerRuleContext>(m_consumers, m_clients, m_branches, m_lookups, m_msg);
    m_ctx->focus = [this](const QString &tab, const QString &field) { m_focused << tab + "/" + field; };
}

void tst_ConsumerRules::checkDigit_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("dv");
    QTest::newRow("0") << "0" << "0";
    QTest::newRow("1: sum 2, remainder 2") << "1" << "9";
    QTest::newRow("19: remainder 10") << "19" << "1";
    QTest::newRow("123456: remainder 0") << "123456" << "0";
    QTest::newRow("123456789: weight 2 again after 9") << "123456789" << "7";
    QTest::newRow("6: remainder 1 gives 0") << "6" << "0";
}

void tst_ConsumerRules::checkDigit()
{
    QFETCH(QString, digits);
    QFETCH(QString, dv);
    QCOMPARE(BadgeRule(*m_ctx).RetornaDV(digits), dv);
}

void tst_ConsumerRules::checkDigitOfNonDigitsIsAClearMessage()
{
    QVERIFY_THROWS_EXCEPTION(EAbort, BadgeRule(*m_ctx).RetornaDV("12A4"));
    QCOMPARE(m_dialogs->lastText(), m_msg.Msg(u"CRACHA_DV_INV"));
    QCOMPARE(m_focused, QStringList{"tshFormulario/CDIDCONSUMID"});
}

void tst_ConsumerRules::comparisonKey()
{
    BadgeRule rule(*m_ctx);
    QCOMPARE(rule.comparisonKey("ab12", false), QString("AB12"));
    QCOMPARE(rule.comparisonKey("123456", true), QString("1234560"));
}

void tst_ConsumerRules::email_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("ok");
    QTest::newRow("plain") << "ana.silva@abcd.com" << true;
    QTest::newRow("part after the at sign of 4 characters") << "ana@a.bc" << false;
    QTest::newRow("eight characters after the at sign") << "ana@abcd.com" << true;
    QTest::newRow("accented letter in the name") << "joão@abcd.com" << false;
    QTest::newRow("no dot") << "ana@abcdcom" << false;
    QTest::newRow("no at sign") << "ana.abcd.com" << false;
    QTest::newRow("empty name") << "@abcd.com" << false;
    QTest::newRow("one character after the first dot") << "ana@abcde.c" << false;
    QTest::newRow("two characters after the first dot") << "ana@abcd.co" << true;
    QTest::newRow("second at sign") << "ana@ab@cd.com" << false;
    QTest::newRow("blank inside") << "ana silva@abcd.com" << false;
    QTest::newRow("hyphen and underscore") << "ana_s-1@abc-d.com.br" << true;
}

void tst_ConsumerRules::email()
{
    QFETCH(QString, address);
    QFETCH(bool, ok);
    QCOMPARE(ConsumerRules::emailOk(address), ok);
    m_consumers.Append();
    m_consumers.FieldByName(u"DSEMAILCONS").setAsString(address);
    ConsumerRules rules(*m_ctx);
    if (ok) {
        rules.Vd_Email();
    } else {
        QVERIFY_THROWS_EXCEPTION(EAbort, rules.Vd_Email());
        QCOMPARE(m_dialogs->lastText(), QString("Email inválido"));
        QCOMPARE(m_focused, QStringList{"tshEndereco/DSEMAILCONS"});
    }
    m_consumers.Cancel();
}

void tst_ConsumerRules::cpf_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<bool>("ok");
    QTest::newRow("valid") << "52998224725" << true;
    QTest::newRow("empty passes") << "" << true;
    QTest::newRow("one repeated digit, check digits valid") << "11111111111" << false;
    QTest::newRow("zeros") << "00000000000" << false;
    QTest::newRow("ten digits") << "5299822472" << false;
    QTest::newRow("wrong check digit") << "52998224726" << false;
}

void tst_ConsumerRules::cpf()
{
    QFETCH(QString, digits);
    QFETCH(bool, ok);
    m_consumers.Append();
    m_ctx->cpfDigits = [digits] { return digits; };
    ConsumerRules rules(*m_ctx);
    if (ok) {
        rules.Vd_CPF();
    } else {
        QVERIFY_THROWS_EXCEPTION(EAbort, rules.Vd_CPF());
        QCOMPARE(m_dialogs->lastText(), QString("CPF informado está inválido, digite novamente."));
        QCOMPARE(m_focused, QStringList{"tshDados/medCPF"});
    }
    // The digits are in the record either way: the operator keeps what was typed.
    QCOMPARE(m_consumers.FieldByName(u"NRCPFRESPCON").AsString(), digits);
    m_consumers.Cancel();
}

void tst_ConsumerRules::birthDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QDate>("stored");
    QTest::newRow("31/12/1899 refused") << "31/12/1899" << "Data incluída inferior a 31/12/1899 não é permitida." << QDate();
    QTest::newRow("the day before refused") << "30/12/1899" << "Data incluída inferior a 31/12/1899 não é permitida." << QDate();
    QTest::newRow("01/01/1900 accepted") << "01/01/1900" << "" << QDate(1900, 1, 1);
    QTest::newRow("not a date") << "31/02/2001" << "'31/02/2001' não é uma data válida." << QDate();
    QTest::newRow("blank clears") << "  /  /    " << "" << QDate();
    QTest::newRow("ordinary") << "15/03/1985" << "" << QDate(1985, 3, 15);
}

void tst_ConsumerRules::birthDate()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QDate, stored);
    m_consumers.Append();
    m_consumers.FieldByName(u"DTNASCCONS").setAsDateTime(QDateTime(QDate(2000, 1, 1), QTime(), Qt::UTC));
    ConsumerRules rules(*m_ctx);
    if (message.isEmpty()) {
        rules.Vd_DtNasc(typed);
        const Field &f = m_consumers.FieldByName(u"DTNASCCONS");
        QCOMPARE(f.IsNull() ? QDate() : f.AsDateTime().date(), stored);
    } else {
        QVERIFY_THROWS_EXCEPTION(EAbort, rules.Vd_DtNasc(typed));
        QCOMPARE(m_dialogs->lastText(), message);
        QCOMPARE(m_focused, QStringList{"tshDados/dbeDataNasc"});
    }
    m_consumers.Cancel();
}

void tst_ConsumerRules::codedTexts()
{
    m_consumers.Append();
    Field &situation = m_consumers.FieldByName(u"IDSITCONSUMI");
    Field &sex = m_consumers.FieldByName(u"IDSEXOCONS");
    Field &sale = m_consumers.FieldByName(u"IDTPVENDACONS");
    for (const char *v : {"", "0", "3"}) {
        situation.setAsString(v);
        QCOMPARE(situation.Text(), QString("Inativo"));
    }
    situation.setText("Ativo");
    QCOMPARE(situation.AsString(), QString("1"));
    situation.setText("qualquer");
    QCOMPARE(situation.AsString(), QString("2"));
    sex.Clear();
    QCOMPARE(sex.Text(), QString("Feminino"));
    sex.setText("Masculino");
    QCOMPARE(sex.AsString(), QString("M"));
    for (const char *v : {"", "0", "8"}) {
        sale.setAsString(v);
        QCOMPARE(sale.Text(), QString());
    }
    sale.setText("7 - Todos");
    QCOMPARE(sale.AsString(), QString("7"));
    sale.setText("texto qualquer");
    QCOMPARE(sale.AsString(), QString("7")); // unchanged
    m_consumers.Cancel();
}

void tst_ConsumerRules::badgeHidesItsCheckDigitOnlyWhileBrowsing()
{
    m_checkDigit = true;
    m_consumers.Append();
    m_consumers.FieldByName(u"CDCONSUMIDOR").setAsString("1");
    m_consumers.FieldByName(u"CDIDCONSUMID").setAsString("123450");
    QCOMPARE(m_consumers.FieldByName(u"CDIDCONSUMID").Text(), QString("123450"));
    m_consumers.BeforePost = nullptr;
    m_consumers.Post();
    QCOMPARE(m_consumers.FieldByName(u"CDIDCONSUMID").Text(), QString("12345"));
    m_consumers.Edit();
    QCOMPARE(m_consumers.FieldByName(u"CDIDCONSUMID").Text(), QString("123450"));
    m_consumers.Cancel();
    m_checkDigit = false;
    QCOMPARE(m_consumers.FieldByName(u"CDIDCONSUMID").Text(), QString("123450"));
}

void tst_ConsumerRules::newConsumerStartsActiveIndividual()
{
    m_consumers.Append();
    QCOMPARE(m_consumers.FieldByName(u"IDSITCONSUMI").AsString(), QString("1"));
    QCOMPARE(m_consumers.FieldByName(u"IDCONSUMIDOR").AsString(), QString("C"));
    QCOMPARE(m_consumers.FieldByName(u"CDCLIENTE").AsString(), QString("000000000000000000007"));
    QCOMPARE(m_consumers.FieldByName(u"CDFILIAL").AsString(), QString("0001"));
    m_consumers.Cancel();
}

void tst_ConsumerRules::lookupQueriesRunOnBothBackends_data()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("postgresql") << "postgresql";
}

// Every query of the rules, for one code and for all, on the fixture's database: the same text must
// run on both, with the "T" parameters null or set.
void tst_ConsumerRules::lookupQueriesRunOnBothBackends()
{
    QFETCH(QString, backend);
    const QString url = ServerFixture::create(backend, "tst_consumerrules");
    if (url.isEmpty())
        QSKIP("PostgreSQL not available (CNS_TEST_PG_URL)");
    const QString connection = "rules_" + backend;
    DatabaseUrl::parse(url).open(connection);
    ConsumerLookups l;
    const QString c1 = ServerFixture::client(1);
    struct Case
    {
        TADOIBQuery *q;
        QString codeParam, code;
        QList<QPair<QString, QString>> fixed;
        int all;
    };
    const QList<Case> cases = {
        {&l.qryTipoConsCliFili, "P_CDTIPOCONS", "01", {{"P_CDCLIENTE", c1}, {"P_CDFILIAL", "0001"}}, 0},
        {&l.qryTipoConsCli, "P_CDTIPOCONS", "01", {{"P_CDCLIENTE", c1}}, 1},
        {&l.qryTipoConsFili, "P_CDTIPOCONS", "01", {{"P_CDFILIAL", "0001"}}, 0},
        {&l.qryPesqCons, "P_CDTIPOCONS", "02", {}, 2},
        {&l.qryCentroCusto, "P_CDCCUSCLIE", "0000000001", {{"P_CDCLIENTE", c1}}, 1},
        {&l.qryPesqVendedor, "P_CDVENDEDOR", "0001", {}, 1},
        {&l.qryPais, "P_CDPAIS", "1058", {}, 1},
        {&l.qryEstado, "P_SGESTADO", "SP", {{"P_CDPAIS", "1058"}}, 1},
        {&l.qryMunicipio, "P_CDMUNICIPIO", "0001", {{"P_CDPAIS", "1058"}, {"P_SGESTADO", "SP"}}, 1},
        {&l.qryBairro, "P_CDBAIRRO", "0000000001", {{"P_CDPAIS", "1058"}, {"P_SGESTADO", "SP"}, {"P_CDMUNICIPIO", "0001"}}, 1},
    };
    for (const Case &c : cases) {
        c.q->setConnectionName(connection);
        ConsumerLookups::openFor(*c.q, c.codeParam, QString(), c.fixed);
        QCOMPARE(c.q->RecordCount(), c.all);
        ConsumerLookups::openFor(*c.q, c.codeParam, c.code, c.fixed);
        QCOMPARE(c.q->RecordCount(), c.all == 0 ? 0 : 1);
        ConsumerLookups::openFor(*c.q, c.codeParam, "ZZ", c.fixed);
        QVERIFY(c.q->IsEmpty());
    }
    l.qryVerConsumiFilial.setConnectionName(connection);
    ConsumerLookups::open(l.qryVerConsumiFilial, {{"P_CDCLIENTE", c1}, {"P_CDFILIAL", "0002"}, {"P_CDCONSUMIDOR", ServerFixture::consumer(1)}});
    QCOMPARE(l.qryVerConsumiFilial.RecordCount(), 1);
    l.adqVerFilialCliente.setConnectionName(connection);
    ConsumerLookups::open(l.adqVerFilialCliente, {{"P_CDCLIENTE", c1}, {"P_CDFILIAL", "0002"}});
    QCOMPARE(l.adqVerFilialCliente.RecordCount(), 1);
    for (TADOIBQuery *q : {&l.qryTipoConsCliFili, &l.qryTipoConsCli, &l.qryTipoConsFili, &l.qryPesqCons, &l.qryCentroCusto,
                           &l.qryPesqVendedor, &l.qryPais, &l.qryEstado, &l.qryMunicipio, &l.qryBairro, &l.qryVerConsumiFilial,
                           &l.adqVerFilialCliente})
        q->Close();
    QSqlDatabase::removeDatabase(connection);
}

QTEST_MAIN(tst_ConsumerRules)
#include "tst_ConsumerRules.moc"
