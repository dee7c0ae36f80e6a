#include "Corvane.h"
#include "CountingBusy.h"
#include "DbSession.h"
#include "EAbort.h"
#include "EErro.h"
#include "ImportEngine.h"
#include "ImportMessages.h"
#include "ImportRecord.h"
#include "ScriptedDialogs.h"
#include "ServerFixture.h"
#include "TNetConnection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sys/stat.h>

using namespace cns;
using namespace cns::import;
using ServerFixture::client;

namespace {

const QString kData = QStringLiteral(CNS_TEST_DATA_DIR "/import/");

QString code(int n)
{
    return QStringLiteral("%1").arg(n, 21, 10, QLatin1Char('0'));
}

// The in-process server, counting the calls of each method.
class CountingTarget : public CallTarget
{
public:
    explicit CountingTarget(CallTarget &inner) : m_inner(inner) {}
    QHash<QString, int> calls;
    using CallTarget::call;
    Value call(const QString &module, const QString &method, const QList<Value> &args, const CallOrigin &origin) override
    {
        ++calls[method];
        return m_inner.call(module, method, args, origin);
    }

private:
    CallTarget &m_inner;
};

struct TestLayout
{
    const char *code;
    const char *branch; // "" none
    const char *inactivate;
    const char *stop;
    QStringList columns; // NAME:position:type
    QString file;
};

} // namespace

class tst_ImportEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void clientResolutionTypesFlagsAndSign();
    void duplicatesBadgesAndTheLogInItsOrder();
    void blockingStopsUnlessTheLayoutSaysN();
    void warningsAskButDoNotStop();
    void yesToTheLogQuestionOpensTheViewerAndImportsNothing();
    void serverRefusalStoresNothingAndEmptiesTheRows();
    void loadRefusals_data();
    void loadRefusals();
    void confirmationPreconditions();
    void badValueEndsTheLoadKeepingTheRowsRead();
    void secondLoadStartsFromAnEmptyValueArray();
    void runAfterANewLoadSeesTheNewRows();
    void loadKeysAreWhatTheRunReadsFromTheRows();
    void blankLinesCostTheirFindingsNotTheirText();

private:
    std::unique_ptr<ImportEngine> engine(const char *layout, bool clientFromFile, const QString &file = {});
    QStringList column(const QString &field) const;
    QStringList logKeys(const ImportEngine &e) const;
    int count(const QString &sql);
    void addLayout(const TestLayout &s);

    QString m_url;
    std::unique_ptr<Dispatcher> m_dispatcher;
    std::unique_ptr<CountingTarget> m_target;
    Corvane::SimpleContext m_ctx;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CountingBusy> m_busy;
    TNetConnection m_net{QStringLiteral("Cns72200.rdmImportConsu")};
    ImportEngine *m_last = nullptr;
};

void tst_ImportEngine::addLayout(const TestLayout &s)
{
    DbSession &db = DbSession::forThread(DatabaseUrl::parse(m_url));
    db.exec("INSERT INTO LAYOUTIMP (CDLAYOUTIMP, NMLAYOUTIMP, IDSEPARCAMPO, IDCARACDELIM, IDINACONSARQIMP, CDFILIAL, IDPARALISAIMPARQ, "
            "IDREMOVEZEROESQ) VALUES (:C, 'Teste', 'D', ';', :I, :F, :P, 'S')",
            {{"C", Value(s.code)}, {"I", Value(s.inactivate)}, {"F", *s.branch ? Value(s.branch) : Value()}, {"P", Value(s.stop)}});
    db.exec("INSERT INTO TABLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NMARQLAYIMP) VALUES (:C, 1, :A)",
            {{"C", Value(s.code)}, {"A", Value(kData + s.file)}});
    int seq = 0;
    for (const QString &c : s.columns) {
        const QStringList p = c.split(':');
        db.exec("INSERT INTO COLLAYOUTIMP (CDLAYOUTIMP, NRSEQTABELAY, NRSEQCOLULAY, NRPOSICOLLAY, NRTAMCOLLAY, NRCASASDECIM, "
                "IDTDADCOLLAY, NMCOLUNAIMP) VALUES (:C, 1, :S, :P, 0, 0, :T, :N)",
                {{"C", Value(s.code)}, {"S", Value(++seq)}, {"P", Value(p[1].toInt())}, {"T", Value(p[2])}, {"N", Value(p[0])}});
    }
}

// The suite runs once per database: CTest starts it again with CNS_TEST_BACKEND=postgresql.
void tst_ImportEngine::initTestCase()
{
    const QString backend = qEnvironmentVariable("CNS_TEST_BACKEND", "sqlite");
    m_url = ServerFixture::create(backend, "tst_importengine");
    if (m_url.isEmpty())
        QSKIP("PostgreSQL not running (CNS_TEST_PG_URL unset)");
    m_dispatcher = ServerFixture::dispatcher(m_url);
    m_target = std::make_unique<CountingTarget>(*m_dispatcher);
    TNetConnection::setInProcessTarget(m_target.get());
    DatabaseUrl::parse(m_url).open(TADOIBQuery::defaultConnectionName());
    m_ctx.filiProc = "0002";
    Corvane::install(&m_ctx);
    DbSession &db = DbSession::forThread(DatabaseUrl::parse(m_url));
    db.exec("INSERT INTO PARAFILIAL (CDFILIAL, CDLAYOUTIMP, IDIMPBLOLANCNEG) VALUES ('0002', '0000000011', 'S'), ('0001', '0000000012', 'N')");
    db.exec("INSERT INTO TIPOCONSFILI (CDFILIAL, CDTIPOCONS, CDTIPOCONSEX) VALUES ('0002', '02', 'DEP')");
    db.exec("UPDATE CLIENFILIAL SET CDEXCLIENFIL = 'ALFA-CPS' WHERE CDCLIENTE = :C AND CDFILIAL = '0002'", {{"C", Value(client(1))}});
    db.exec("INSERT INTO CODEXTERNOIMP (CDCLIENTE, CDFILIAL, CDEXCLIENTEIMP) VALUES (:C, '0002', 'CODIMP2')", {{"C", Value(client(2))}});
    db.exec("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR) VALUES ('R5', :C, :K)",
            {{"C", Value(client(1))}, {"K", Value(code(9))}});
    const QStringList fileClient = {"CDCLIENTE:1:T",   "CDCONSUMIDOR:2:T", "NMCONSUMIDOR:3:T", "CDIDCONSUMID:4:T",
                                    "CDTIPOCONS:5:T",  "CDCCUSCLIE:6:T",   "VRLIMDEBCONS:7:N", "CDEXCONSUMID:8:T",
                                    "IDTPSELMANHA:9:T", "NRCPFRESPCON:10:T", "DTNASCCONS:11:D"};
    const QStringList screenClient = {"CDCONSUMIDOR:1:T", "NMCONSUMIDOR:2:T", "CDIDCONSUMID:3:T", "CDTIPOCONS:4:T", "CDCCUSCLIE:5:T"};
    addLayout({"0000000011", "0002", "S", "S", fileClient, "resolucao.txt"});
    addLayout({"0000000012", "0001", "N", "S", screenClient, "duplicados.txt"});
    addLayout({"0000000013", "0001", "S", "S", screenClient, "recusa.txt"});
    addLayout({"0000000014", "0001", "S", "S", {"NMCONSUMIDOR:1:T"}, "avisos.txt"});
    addLayout({"0000000015", "", "S", "S", screenClient, "avisos.txt"});
}

void tst_ImportEngine::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_busy = std::make_unique<CountingBusy>();
    m_target->calls.clear();
    m_ctx.loadedModules.clear();
    m_ctx.cacheRefreshes.clear();
}

void tst_ImportEngine::cleanup()
{
    QVERIFY(!m_busy->visible());
    m_busy.reset();
    m_dialogs.reset();
}

std::unique_ptr<ImportEngine> tst_ImportEngine::engine(const char *layout, bool clientFromFile, const QString &file)
{
    auto e = std::make_unique<ImportEngine>(m_net, ImportMessages::table());
    e->setReference(quintptr(0x1234));
    e->clientFromFile = clientFromFile;
    if (!clientFromFile)
        e->Vd_CdCliente("11222333000181", true);
    e->Vd_Layout(QString::fromLatin1(layout).right(2), true);
    e->getTabLayoutImp();
    if (!file.isEmpty())
        e->replaceFiles({kData + file});
    m_last = e.get();
    return e;
}

QStringList tst_ImportEngine::column(const QString &field) const
{
    QStringList out;
    const Packet p = m_last->rowsPacket();
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        out.append(p.value(i, field).toString());
    return out;
}

QStringList tst_ImportEngine::logKeys(const ImportEngine &e) const
{
    // The log's texts back to their keys, with the consumer's name: "name:key".
    const TMessages &m = ImportMessages::table();
    QHash<QString, QString> keyOf;
    for (const QString &line : ImportMessages::lines().split('\n', Qt::SkipEmptyParts)) {
        const QString k = line.section('|', 0, 0);
        keyOf.insert(m.Msg(k), k);
    }
    QStringList out;
    const Packet p = e.cdsLogImp.Data();
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        out.append(p.value(i, u"NMCONSUMIDOR").toString() + ':' + keyOf.value(p.value(i, u"DSLOGIMP").toString()));
    return out;
}

int tst_ImportEngine::count(const QString &sql)
{
    return int(DbSession::forThread(DatabaseUrl::parse(m_url)).count(sql, {}));
}

void tst_ImportEngine::clientResolutionTypesFlagsAndSign()
{
    auto e = engine("0000000011", true);
    ImportProgress none;
    e->Carregar(none);
    QCOMPARE(e->rowsLoaded(), 7);
    QCOMPARE(column("CDCLIENTE"), QStringList({client(1), client(1), client(2), "52998224725", "99999999999999", "VAZIO", client(1)}));
    QCOMPARE(column("IDVALIDO"), QStringList({"", "", "", "N", "N", "N", ""}));
    QCOMPARE(column("IDMOTIVO"), QStringList({"", "", "", "CLI_FIL", "NAO_ENC", "", ""}));
    QCOMPARE(column("CDCONSUMIDOR").at(0), code(1));
    QCOMPARE(column("CDCONSUMIDOR").at(6), QString("EXT7")); // no code: the external code
    QCOMPARE(column("CDIDCONSUMID").mid(0, 3), QStringList({"123", "", "B77"}));
    QCOMPARE(column("CDTIPOCONS").mid(0, 3), QStringList({"02", "01", "99"}));
    QCOMPARE(column("CDCCUSCLIE").at(0), QString("0000000ADM"));
    QCOMPARE(column("VRLIMDEBCONS").mid(0, 3), QStringList({"-150", "-20,00", ""}));
    QCOMPARE(column("IDTPSELMANHA").mid(0, 3), QStringList({"S", "N", "N"}));
    QCOMPARE(column("IDVERSALDCON").at(0), QString("N"));
    QCOMPARE(column("IDTPVENDACONS").at(0), QString("7"));
    QCOMPARE(column("NMARQLAYIMP").at(0), QString("resolucao.txt"));
    const Packet p = e->rowsPacket();
    QCOMPARE(p.value(0, u"DTNASCCONS"), Value::date(QDate(1990, 3, 5)));
    QCOMPARE(p.value(1, u"DTNASCCONS"), Value::date(QDate(1900, 1, 1))); // blank in the line
    QCOMPARE(m_target->calls.value("getBuscaParamValorNeg"), 1);

    e->ChamaGeraLog(none, false);
    QCOMPARE(logKeys(*e), QStringList({"Ana Souza:CdCCusClie1", "Bruno Lima:CdCCusClie1", "Bruno Lima:CpfInvalido",
                                       "Gil:CdCCusClie1", "Carla:CdTipoCons1", "Carla:CdCCusClie1", "Davi:CliNaoAssociado",
                                       "Davi:CdCCusClie1", "Edu:CdCliNaoEncontrado", "Edu:CdCCusClie1", "Fabio:CdCliNull",
                                       "Fabio:CdCCusClie1"}));
    QVERIFY(e->boParaImp);
    QCOMPARE(e->rowsToImport(), 4);
    // Every distinct whole client code once, in client order.
    QCOMPARE(e->stP_CDCLIENTE, client(1) + '_' + client(2) + '_' + "52998224725_99999999999999_VAZIO_");
}

void tst_ImportEngine::duplicatesBadgesAndTheLogInItsOrder()
{
    auto e = engine("0000000012", false);
    ImportProgress none;
    e->Carregar(none);
    QCOMPARE(e->rowsLoaded(), 10);
    const int single = m_target->calls.value("getVrIdentificador"), batch = m_target->calls.value("getVrIdentificadorLista");
    e->ChamaGeraLog(none, true);
    QCOMPARE(logKeys(*e), QStringList({"Eva:Cod_Duplicado", "Eva 2:Cod_Duplicado", "Eva 3:Cod_Duplicado", "Hugo:CdIdJaCad_log",
                                       "Ana:Cracha_Duplicado", "Bia:Cracha_Duplicado", "Fred:CrachaFilial"}));
    // The register is asked once for every badge of the file, not once per line.
    QCOMPARE(m_target->calls.value("getVrIdentificador"), single);
    QCOMPARE(m_target->calls.value("getVrIdentificadorLista"), batch + 1);
    QCOMPARE(column("IDVALIDO"), QStringList({"N", "N", "", "", "N", "N", "N", "N", "", ""}));
    // The grid shows the run's marks.
    const Packet grid = e->cdsConsumidor.Data();
    QStringList marks;
    for (qsizetype i = 0; i < grid.rowCount(); ++i)
        marks << grid.value(i, u"IDVALIDO").toString();
    QCOMPARE(marks, QStringList({"N", "N", "", "", "N", "N", "N", "N", "", ""}));
    QCOMPARE(e->rowsToImport(), 4);
    QVERIFY(e->boInclui_Log);
    QVERIFY(e->boParaImp);
    QCOMPARE(e->stP_CDCLIENTE, client(1));
    // The viewer is opened with the screen's reference, which finds this log.
    QCOMPARE(m_ctx.loadedModules.size(), 1);
    QCOMPARE(m_ctx.loadedModules.first().first, QString("Cns72500"));
    QCOMPARE(m_ctx.loadedModules.first().second, QList<Value>{Value(qint64(0x1234))});
    const Packet log = e->cdsLogImp.Data();
    QCOMPARE(log.value(0, u"CDCONSUMIDOR").toString(), code(14));
    QCOMPARE(log.value(0, u"CDIDCONSUMID").toString(), QString("X9"));
    QCOMPARE(e->cdsLogImp.FieldByName(u"CDCLIENTE").DisplayLabel, QString("Código do Cliente"));
    // A second run writes the log again, not twice.
    e->ChamaGeraLog(none, false);
    QCOMPARE(logKeys(*e).size(), 7);
}

void tst_ImportEngine::blockingStopsUnlessTheLayoutSaysN()
{
    auto e = engine("0000000012", false);
    ImportProgress none;
    e->Carregar(none);
    m_dialogs->answers << mrYes << mrNo; // Conf_Inativa, Conf_Imp_Log
    QCOMPARE(e->Confirmar(none), ImportEngine::Outcome::Stopped);
    QCOMPARE(m_dialogs->texts(), QStringList({ImportMessages::table().Msg(u"Conf_Inativa"), ImportMessages::table().Msg(u"Conf_Imp_Log"),
                                             ImportMessages::table().Msg(u"ImpCanc")}));
    QCOMPARE(m_target->calls.value("setConsumidor"), 0);
    QCOMPARE(e->rowsLoaded(), 10); // the rows stay, with their marks

    DbSession &db = DbSession::forThread(DatabaseUrl::parse(m_url));
    db.exec("UPDATE LAYOUTIMP SET IDPARALISAIMPARQ = 'N' WHERE CDLAYOUTIMP = '0000000012'");
    auto again = engine("0000000012", false);
    again->Carregar(none);
    m_dialogs->answers << mrYes << mrNo;
    QCOMPARE(again->Confirmar(none), ImportEngine::Outcome::Imported);
    db.exec("UPDATE LAYOUTIMP SET IDPARALISAIMPARQ = 'S' WHERE CDLAYOUTIMP = '0000000012'");
    QCOMPARE(m_dialogs->lastText(), QString("Importação realizada com sucesso."));
    QCOMPARE(again->rowsLoaded(), 0);
    QVERIFY(again->boCarregou);
    // The valid rows only; consumer 1 renamed, no one inactivated ("N").
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIDOR WHERE NMCONSUMIDOR IN ('Caio', 'Duda', 'Hugo', 'Gabi')"), 4);
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIDOR WHERE NMCONSUMIDOR IN ('Ana', 'Bia', 'Eva', 'Eva 2', 'Eva 3', 'Fred')"), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIDOR WHERE IDSITCONSUMI = '2' AND CDCLIENTE = '000000000000000000001'"), 7);
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDFILIAL = '0001' AND CDCONSUMIDOR = '000000000000000000016'"), 1);
    QCOMPARE(m_ctx.cacheRefreshes, QList<QStringList>({{"CONSUMIDOR"}, {"CCUSCLIE"}, {"TIPOCONS"}}));
}

void tst_ImportEngine::warningsAskButDoNotStop()
{
    auto e = engine("0000000012", false, "avisos.txt");
    ImportProgress none;
    e->Carregar(none);
    m_dialogs->answers << mrYes << mrNo;
    QCOMPARE(e->Confirmar(none), ImportEngine::Outcome::Imported);
    QCOMPARE(logKeys(*e), QStringList{"Ivo:CdTipoCons1"});
    QVERIFY(!e->boParaImp);
    // The type the warning promised.
    QCOMPARE(count("SELECT COUNT(*) FROM TIPOCONS WHERE CDTIPOCONS = '77'"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIDOR WHERE NMCONSUMIDOR = 'Ivo' AND CDTIPOCONS = '77'"), 1);
}

void tst_ImportEngine::yesToTheLogQuestionOpensTheViewerAndImportsNothing()
{
    auto e = engine("0000000012", false);
    ImportProgress none;
    e->Carregar(none);
    m_dialogs->answers << mrYes << mrYes;
    QCOMPARE(e->Confirmar(none), ImportEngine::Outcome::LogShown);
    QCOMPARE(m_ctx.loadedModules.size(), 1);
    QCOMPARE(m_target->calls.value("setConsumidor"), 0);
    QCOMPARE(e->rowsLoaded(), 10);
    // No to the first question: nothing at all happens.
    m_dialogs->answers << mrNo;
    QCOMPARE(e->Confirmar(none), ImportEngine::Outcome::NotAsked);
    QCOMPARE(m_target->calls.value("getCrachaFilial"), 1);
}

void tst_ImportEngine::serverRefusalStoresNothingAndEmptiesTheRows()
{
    const int active = count("SELECT COUNT(*) FROM CONSUMIDOR WHERE IDSITCONSUMI = '1'");
    auto e = engine("0000000013", false);
    ImportProgress none;
    e->Carregar(none);
    m_dialogs->answers << mrYes;
    try {
        e->Confirmar(none);
        QFAIL("the server must refuse a badge of another consumer");
    } catch (const EErroServidor &err) {
        QCOMPARE(err.message(), QString("Número do crachá (B10003) já existe no cadastro, para outro consumidor. (cliente %1, consumidor %2)")
                                    .arg(client(1), code(31)));
    }
    QCOMPARE(m_dialogs->lastText(), QString("Importação não realizada."));
    QCOMPARE(e->rowsLoaded(), 0);
    // Neither the new consumer nor the inactivation of the others that the import would have done.
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIDOR WHERE NMCONSUMIDOR = 'Jo'"), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM CONSUMIDOR WHERE IDSITCONSUMI = '1'"), active);
}

void tst_ImportEngine::loadRefusals_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    const TMessages &m = ImportMessages::table();
    QTest::newRow("file mode, no client column") << "0000000012" << true << QString() << m.Msg(u"Lay_Cli");
    QTest::newRow("screen mode, client column") << "0000000011" << false << QString() << m.Msg(u"Lay_Cli_Esta");
    QTest::newRow("layout without branch") << "0000000015" << false << QString() << m.Msg(u"FALTA_FILIAL");
    // Files (%1: the file's path): named, with why in Portuguese; a pipe is refused before it is
    // opened, which would wait for a writer forever.
    QTest::newRow("first file missing") << "0000000012" << false << "nao_existe.txt" << m.Msg(u"LayoutInvalido") + "\"%1\"";
    QTest::newRow("first file is a folder") << "0000000012" << false << "pasta" << "\"%1\" é uma pasta, não um arquivo.";
    QTest::newRow("first file is a pipe") << "0000000012" << false << "fila"
                                          << "\"%1\" não é um arquivo comum (é um dispositivo, uma fila ou um soquete).";
}

void tst_ImportEngine::loadRefusals()
{
    QFETCH(QString, layout);
    QFETCH(bool, fromFile);
    QFETCH(QString, file);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    if (file == "pasta")
        QVERIFY(QDir().mkdir(path));
    if (file == "fila")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    auto e = engine(layout.toLatin1().constData(), fromFile);
    if (!file.isEmpty())
        e->replaceFiles({path});
    message = message.arg(path);
    ImportProgress none;
    QVERIFY_THROWS_EXCEPTION(EAbort, e->Carregar(none));
    QCOMPARE(m_dialogs->texts(), QStringList{message});
    QVERIFY(!e->boCarregou);
    QCOMPARE(m_target->calls.value("getColLayoutImp"), 0);
}

void tst_ImportEngine::confirmationPreconditions()
{
    ImportProgress none;
    auto e = engine("0000000012", false);
    QVERIFY_THROWS_EXCEPTION(EAbort, e->Confirmar(none));
    QCOMPARE(m_dialogs->lastText(), QString("O arquivo de consumidores ainda não foi carregado."));
    auto noCode = engine("0000000014", false);
    noCode->Carregar(none);
    QVERIFY_THROWS_EXCEPTION(EAbort, noCode->Confirmar(none));
    QCOMPARE(m_dialogs->lastText(), QString("O campo Código do Consumidor (CDCONSUMIDOR) deve estar no layout."));
    QVERIFY_THROWS_EXCEPTION(EAbort, e->Vd_Layout("99", true));
    QCOMPARE(m_dialogs->lastText(), QString("Layout não cadastrado."));
    QVERIFY_THROWS_EXCEPTION(EAbort, e->Vd_Layout(" ", true));
    QCOMPARE(e->Vd_Layout(" ", false), QString());
    QCOMPARE(e->Vd_CdCliente("45723174000110", true), QString("Sem Filial")); // not per branch: any client
    QVERIFY_THROWS_EXCEPTION(EAbort, e->Vd_CdCliente("00000000000191", true));
    QCOMPARE(m_dialogs->lastText(), QString("Cliente por Filial não cadastrado."));
    QCOMPARE(e->getDefLayout(), QString("0000000011"));
}

void tst_ImportEngine::badValueEndsTheLoadKeepingTheRowsRead()
{
    auto e = engine("0000000011", true, "erro_data.txt");
    ImportProgress none;
    try {
        e->Carregar(none);
        QFAIL("the date must be refused");
    } catch (const EErro &err) {
        QVERIFY2(err.message().startsWith("Arquivo \"erro_data.txt\", linha 2, coluna DTNASCCONS (campo 11): o valor \"32131990\""),
                 qPrintable(err.message()));
    }
    QVERIFY(e->boCarregou);
    QCOMPARE(e->rowsLoaded(), 1);
    QCOMPARE(e->cdsConsumidor.RecordCount(), 1);
    QCOMPARE(m_target->calls.value("setConsumidor"), 0);
}

void tst_ImportEngine::secondLoadStartsFromAnEmptyValueArray()
{
    // The file-client layout fills CDEXCONSUMID and the birth date; the next load of a layout that
    // maps neither must not see them.
    auto e = engine("0000000011", true);
    ImportProgress none;
    e->Carregar(none);
    e->clientFromFile = false;
    e->Vd_CdCliente("11222333000181", true);
    e->Vd_Layout("12", true);
    e->getTabLayoutImp();
    e->Carregar(none);
    QCOMPARE(column("CDEXCONSUMID"), QStringList(10, QString()));
    QCOMPARE(e->rowsPacket().value(0, u"DTNASCCONS"), Value::date(QDate(1900, 1, 1)));
    QCOMPARE(column("VRLIMDEBCONS"), QStringList(10, QString()));
}

// The confirmation's run takes the keys and orders of the run before it; a new load of as many
// rows, in another order, must not find them.
void tst_ImportEngine::runAfterANewLoadSeesTheNewRows()
{
    auto e = engine("0000000012", false);
    ImportProgress none;
    e->Carregar(none);
    e->ChamaGeraLog(none, false);
    const QStringList keys = logKeys(*e), marks = column("IDVALIDO");
    e->ChamaGeraLog(none, false);
    QCOMPARE(logKeys(*e), keys);
    QCOMPARE(column("IDVALIDO"), marks);

    QFile in(kData + "duplicados.txt");
    QVERIFY(in.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = in.readAll().split('\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    std::reverse(lines.begin(), lines.end());
    QTemporaryDir dir;
    QFile out(dir.filePath("invertido.txt"));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(lines.join('\n') + '\n');
    out.close();
    e->replaceFiles({out.fileName()});
    e->Carregar(none);
    e->ChamaGeraLog(none, false);
    QStringList reversed = marks;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(column("IDVALIDO"), reversed);
    QCOMPARE(logKeys(*e).size(), keys.size());
    QVERIFY(logKeys(*e) != keys);
}

// The load keeps the rows' keys for the consistency run as it builds the rows: they are the texts
// the run would read back from the packed rows (cut to their widths, the empty client's text, the
// resolution's reasons), for both client modes.
void tst_ImportEngine::loadKeysAreWhatTheRunReadsFromTheRows()
{
    for (const auto &[layout, fromFile, file] : {std::tuple{"0000000011", true, "resolucao.txt"}, std::tuple{"0000000012", false, "duplicados.txt"},
                                                 std::tuple{"0000000012", false, "avisos.txt"}, std::tuple{"0000000012", false, "larguras.txt"}}) {
        auto e = engine(layout, fromFile, file);
        ImportProgress none;
        e->Carregar(none);
        QVERIFY(e->rowsLoaded() > 0);
        const std::vector<ConsistencyRun::Keys> expected = ConsistencyRun::extract(e->rowsPacket().rows());
        const std::vector<ConsistencyRun::Keys> &kept = e->prepared().keys;
        QCOMPARE(kept.size(), expected.size());
        for (size_t r = 0; r < kept.size(); ++r) {
            const auto fields = [](const ConsistencyRun::Keys &k) {
                return QStringList{k.client, k.consumer, k.name, k.badge, k.external, k.type, k.costCentre, k.cpf, k.motivo};
            };
            QCOMPARE(fields(kept[r]), fields(expected[r]));
        }
    }
}

QTEST_GUILESS_MAIN(tst_ImportEngine)
#include "tst_ImportEngine.moc"

// A file of blank lines makes a row and the same findings per line: the log keeps one copy of each
// finding's bytes, shared by its rows, so that a million blank lines do not hold a million copies
// of each message.
void tst_ImportEngine::blankLinesCostTheirFindingsNotTheirText()
{
    QTemporaryDir dir;
    QFile blank(dir.filePath("vazias.txt"));
    QVERIFY(blank.open(QIODevice::WriteOnly));
    constexpr int kLines = 2000;
    blank.write(QByteArray("\r\n").repeated(kLines));
    blank.close();
    auto e = engine("0000000012", false);
    e->replaceFiles({blank.fileName()});
    ImportProgress none;
    e->Carregar(none);
    e->ChamaGeraLog(none, false);
    QCOMPARE(e->loadedCount(), kLines);
    const QStringList keys = logKeys(*e);
    QCOMPARE(keys.size() % kLines, 0);
    QVERIFY(keys.size() >= 3 * kLines); // code, name and more are missing on every line
    QSet<const char *> buffers;
    const Packet log = e->cdsLogImp.Data();
    for (const Row &r : log.rows())
        buffers.insert(r.encoded().constData());
    QCOMPARE(buffers.size(), QSet<QString>(keys.cbegin(), keys.cend()).size());
}
