// The consumer import through load, consistency run and confirmation, on SQLite and on PostgreSQL,
// each case against the same database storing the same result with SQL alone, in the same run:
//   (a) first import of 100,000 lines in file-client mode through the demo's delimited layout;
//   (b) the same file again, on the result of (a) (the monthly case: every consumer exists);
//   (c) 100,000 lines through the demo's per-branch fixed layout (IDINACONSARQIMP "N": every
//       badge is asked of the register, nothing is inactivated);
//   (d) case (a) over HTTP to a cns-server, against (a) in-process;
//   and 200,000 lines of (a) and (c) against their 100,000.
// The reference reads a CSV of the consumers exactly as the import stored them (taken from a
// first, untimed import) with the system's own shell (sqlite3 .import; psql \copy into a staging
// table) and stores them with set-based SQL: new cost centres, consumers, branch ties, badges and
// the inactivation, in one transaction.
//
// bench/run-bench-import [rounds [sqlite|postgresql]] starts a private PostgreSQL cluster and runs this; without
// CNS_TEST_PG_URL only SQLite is measured.
#include "BenchStore.h"
#include "Corvane.h"
#include "Dispatcher.h"
#include "HostDialogs.h"
#include "ImportBenchFiles.h"
#include "ImportEngine.h"
#include "ImportMessages.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

using namespace cns;
using namespace cns::import;
using bench::BenchStore;
using bench::FileClient;

namespace {

constexpr int kLines = 100000;
constexpr int kFirstCode = 100000; // the generated consumers' codes start here, above the demo's

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

// Yes to the import, No to looking at the log first.
class Answers : public HostDialogs
{
public:
    int message(const QString &text, MsgType, MsgButtons buttons, const QString &) override
    {
        if (!buttons.testFlag(mbYes))
            return mrOk;
        return text == ImportMessages::table().Msg(u"Conf_Imp_Log") ? mrNo : mrYes;
    }
    bool inputBox(const QString &, const QString &, QString *) override { return false; }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool chooseRow(const QString &, DataSet &, const QStringList &) override { return false; }
    bool chooseRows(const QString &, DataSet &, const QString &, QStringList *) override { return false; }
};

// One import as cns-import makes it.
struct ImportJob
{
    QString layout, branch, client; // client: the registration typed in screen-client mode, else empty
    QString file;
    int lines = kLines;
    QStringList clients; // CDCLIENTE of the consumers it stores
    bool inactivates = false;
    QStringList updated; // the columns a re-import writes (IDSITCONSUMI and the mapped ones)
};

struct Phases
{
    double load = 0, check = 0, confirm = 0;
    double total() const { return load + check + confirm; }
};

QString quotedList(const QStringList &texts)
{
    QStringList out;
    for (const QString &t : texts)
        out.append(u'\'' + t + u'\'');
    return out.join(u',');
}

QString storedConsumers(const ImportJob &s)
{
    return QStringLiteral("CDCLIENTE IN (%1) AND CAST(CDCONSUMIDOR AS INTEGER) >= %2").arg(quotedList(s.clients)).arg(kFirstCode);
}

// Work on a thread of its own: the database connections it opens close when it ends.
template<typename Work>
void onThreadOfItsOwn(Work &&work)
{
    QString error;
    std::unique_ptr<QThread> t(QThread::create([&] {
        try {
            work();
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
        }
    }));
    t->start();
    t->wait();
    if (!error.isEmpty())
        fail(error);
}

// The import of job's file into url, through the in-process server or the one listening on httpPort.
Phases importRun(const DatabaseUrl &url, const ImportJob &job, Corvane::SimpleContext &ctx, int httpPort = 0)
{
    Phases out;
    ImportEngine::Outcome outcome = ImportEngine::Outcome::NotAsked;
    onThreadOfItsOwn([&] {
        std::unique_ptr<Dispatcher> dispatcher;
        if (httpPort == 0) {
            dispatcher = Dispatcher::standard(url);
            dispatcher->setLogSink(nullptr);
        }
        TNetConnection::setInProcessTarget(dispatcher.get());
        ctx.filiProc = job.branch;
        ctx.webURL = httpPort ? QStringLiteral("127.0.0.1") : QString(); // no address: the in-process server
        ctx.webPort = httpPort;
        url.open(TADOIBQuery::defaultConnectionName());
        {
            TNetConnection net(QStringLiteral("Cns72200.rdmImportConsu"));
            net.Open();
            ImportEngine engine(net, ImportMessages::table());
            engine.clientFromFile = job.client.isEmpty();
            if (!engine.clientFromFile)
                engine.Vd_CdCliente(job.client, true);
            engine.Vd_Layout(job.layout, true);
            engine.getTabLayoutImp();
            engine.replaceFiles({job.file});
            ImportProgress none;
            QElapsedTimer t;
            t.start();
            engine.Carregar(none);
            out.load = double(t.nsecsElapsed()) / 1e6;
            t.restart();
            engine.ChamaGeraLog(none, false);
            out.check = double(t.nsecsElapsed()) / 1e6;
            // The confirmation runs the consistency run again before it sends the rows.
            t.restart();
            outcome = engine.Confirmar(none);
            out.confirm = double(t.nsecsElapsed()) / 1e6;
        }
        TNetConnection::setInProcessTarget(nullptr);
        QSqlDatabase::database(TADOIBQuery::defaultConnectionName(), false).close();
    });
    QSqlDatabase::removeDatabase(TADOIBQuery::defaultConnectionName());
    if (outcome != ImportEngine::Outcome::Imported)
        fail(QStringLiteral("the import of %1 into %2 did not store its rows").arg(job.file, url.display()));
    return out;
}

// A cns-server on url, listening on a free loopback port, for as long as the object lives.
class ServerProcess
{
public:
    explicit ServerProcess(const DatabaseUrl &url)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(QStringLiteral(CNS_SERVER_PATH), {QStringLiteral("--db"), url.text(), QStringLiteral("--listen"),
                                                          QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("--quiet")});
        for (int i = 0; i < 200; ++i) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (s.waitForConnected(100))
                return;
            QThread::msleep(25);
        }
        fail(QStringLiteral("cns-server did not start on port %1").arg(m_port));
    }
    ~ServerProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }
    int port() const { return m_port; }

private:
    QProcess m_process;
    int m_port = 0;
};

// SQL alone storing what the import of job stores, from the CSV of the consumers as stored:
// inserts them (first import) or updates them (every one exists).
QString referenceScript(const BenchStore &store, const ImportJob &job, const QString &csv, const QStringList &columns, bool existing)
{
    auto staged = [&store](const QString &c) { return store.staged(c); };
    QString sql = store.sessionSetup() + QStringLiteral("BEGIN;\n") + store.stage(csv);
    sql += QStringLiteral("INSERT INTO CCUSCLIE (CDCLIENTE, CDCCUSCLIE, NMCCUSCLIE) SELECT DISTINCT %1, %2, %2 FROM ENTRADA E "
                          "WHERE NOT EXISTS (SELECT 1 FROM CCUSCLIE C WHERE C.CDCLIENTE = %1 AND C.CDCCUSCLIE = %2);\n")
               .arg(staged(QStringLiteral("CDCLIENTE")), staged(QStringLiteral("CDCCUSCLIE")));
    if (job.inactivates)
        sql += QStringLiteral("UPDATE CONSUMIDOR SET IDSITCONSUMI = '2' WHERE CDCLIENTE IN (%1) AND IDSITCONSUMI <> '2' "
                              "AND NOT EXISTS (SELECT 1 FROM ENTRADA E WHERE E.CDCLIENTE = CONSUMIDOR.CDCLIENTE "
                              "AND E.CDCONSUMIDOR = CONSUMIDOR.CDCONSUMIDOR);\n")
                   .arg(quotedList(job.clients));
    if (existing) {
        QStringList sets;
        for (const QString &c : job.updated)
            sets.append(QStringLiteral("%1 = %2").arg(c, staged(c)));
        sql += QStringLiteral("UPDATE CONSUMIDOR SET %1 FROM ENTRADA E WHERE CONSUMIDOR.CDCLIENTE = E.CDCLIENTE "
                              "AND CONSUMIDOR.CDCONSUMIDOR = E.CDCONSUMIDOR;\n")
                   .arg(sets.join(QStringLiteral(", ")));
    } else {
        QStringList values;
        for (const QString &c : columns)
            values.append(staged(c));
        sql += QStringLiteral("INSERT INTO CONSUMIDOR (%1) SELECT %2 FROM ENTRADA E;\n").arg(columns.join(u','), values.join(u','));
    }
    sql += QStringLiteral("INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) SELECT E.CDCLIENTE, E.CDCONSUMIDOR, '%1' "
                          "FROM ENTRADA E WHERE NOT EXISTS (SELECT 1 FROM CONSUMIFILIAL F WHERE F.CDCLIENTE = E.CDCLIENTE "
                          "AND F.CDCONSUMIDOR = E.CDCONSUMIDOR AND F.CDFILIAL = '%1');\n")
               .arg(job.branch);
    const QString badge = QStringLiteral("UPPER(%1)").arg(staged(QStringLiteral("CDIDCONSUMID")));
    sql += QStringLiteral("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR, DTREGIDENT) "
                          "SELECT %1, E.CDCLIENTE, E.CDCONSUMIDOR, CURRENT_TIMESTAMP FROM ENTRADA E WHERE %1 <> '' "
                          "AND NOT EXISTS (SELECT 1 FROM REGIDENTCONS R WHERE R.CDIDCONSUMID = %1 AND R.CDCLIENTE = E.CDCLIENTE "
                          "AND R.CDCONSUMIDOR = E.CDCONSUMIDOR);\n")
               .arg(badge);
    return sql + QStringLiteral("COMMIT;\n");
}

// What both ways must have stored alike.
QString summary(const BenchStore &store, const DatabaseUrl &url)
{
    QStringList out;
    for (const char *sql : {"SELECT COUNT(*) FROM CONSUMIDOR", "SELECT COUNT(*) FROM CONSUMIDOR WHERE IDSITCONSUMI = '2'",
                            "SELECT COUNT(*) FROM CONSUMIFILIAL", "SELECT COUNT(*) FROM REGIDENTCONS", "SELECT COUNT(*) FROM CCUSCLIE",
                            "SELECT COUNT(DISTINCT NMCONSUMIDOR) FROM CONSUMIDOR",
                            "SELECT COUNT(*) FROM CONSUMIDOR WHERE DSEMAILCONS IS NULL"})
        out.append(QString::number(store.count(url, QString::fromLatin1(sql))));
    return out.join(u'/');
}

void sameResult(const BenchStore &store, const DatabaseUrl &imported, const DatabaseUrl &reference, const char *what)
{
    const QString a = summary(store, imported), b = summary(store, reference);
    if (a != b)
        fail(QStringLiteral("%1 on %2: the import stored %3, SQL alone %4 (consumers/inactive/ties/badges/cost centres/names/no e-mail)")
                 .arg(QString::fromLatin1(what), store.name(), a, b));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The rounds' figures of one database system, by name.
struct Figures
{
    std::map<QString, std::vector<double>> ms;
    void add(const QString &name, double value) { ms[name].push_back(value); }
    void add(const QString &name, const Phases &p)
    {
        add(name, p.total());
        add(name + QStringLiteral(" load"), p.load);
        add(name + QStringLiteral(" check"), p.check);
        add(name + QStringLiteral(" confirm"), p.confirm);
    }
    double operator()(const QString &name) const { return median(ms.at(name)); }
    // The median of the rounds' ratios: a ratio is only fair between runs made side by side.
    double ratio(const QString &a, const QString &b) const
    {
        std::vector<double> r;
        for (size_t i = 0; i < ms.at(a).size(); ++i)
            r.push_back(ms.at(a)[i] / ms.at(b)[i]);
        return median(r);
    }
};

struct Cases
{
    ImportJob delimited, delimited200k, fixed, fixed200k;
};

// The demo's clients as the files name them: four for the delimited file, the fixed file's one.
Cases prepareCases(const BenchStore &store, const DatabaseUrl &seed, const QString &dir)
{
    auto one = [&](const QString &sql) { return store.texts(seed, sql).join(u'\n'); };
    const QStringList types = {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), QStringLiteral("04")};
    auto fileClient = [&](const QString &code) {
        FileClient c;
        c.code = code;
        c.registration = one(QStringLiteral("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = '%1'").arg(code));
        c.costCentres = store.texts(seed, QStringLiteral("SELECT CDCCUSCLIE FROM CCUSCLIE WHERE CDCLIENTE = '%1' ORDER BY 1").arg(code));
        c.costCentres.append(QStringLiteral("00000009") + code.right(2)); // one the import creates
        c.types = types;
        return c;
    };
    QList<FileClient> four;
    for (int n : {11, 12, 13, 14})
        four.append(fileClient(QStringLiteral("%1").arg(n, 21, 10, QLatin1Char('0'))));
    const QString fixedRegistration =
        one(QStringLiteral("SELECT DSDEFACOLLAY FROM COLLAYOUTIMP WHERE CDLAYOUTIMP = '0000000003' AND NMCOLUNAIMP = 'CDCLIENTE'"));
    const FileClient fixedClient = fileClient(one(QStringLiteral("SELECT CDCLIENTE FROM CLIENTE WHERE NRINSJURCLIE = '%1'").arg(fixedRegistration)));

    Cases cases;
    auto delimited = [&](int lines) {
        ImportJob s;
        s.layout = QStringLiteral("2");
        s.branch = QStringLiteral("0002");
        s.file = QStringLiteral("%1/delimitado%2.txt").arg(dir).arg(lines);
        s.lines = lines;
        for (const FileClient &c : four)
            s.clients.append(c.code);
        s.inactivates = true;
        s.updated = QStringList{QStringLiteral("IDSITCONSUMI"), QStringLiteral("NMCONSUMIDOR"), QStringLiteral("CDIDCONSUMID"),
                                QStringLiteral("NMLOGINCONS"), QStringLiteral("CDTIPOCONS"), QStringLiteral("CDCCUSCLIE"),
                                QStringLiteral("DTNASCCONS"), QStringLiteral("VRLIMDEBCONS"), QStringLiteral("DSEMAILCONS")};
        bench::ImportBenchFiles::writeDelimited(s.file, four, lines, kFirstCode);
        return s;
    };
    auto fixed = [&](int lines) {
        ImportJob s;
        s.layout = QStringLiteral("1");
        s.branch = QStringLiteral("0001");
        s.client = fixedClient.registration;
        s.file = QStringLiteral("%1/fixo%2.txt").arg(dir).arg(lines);
        s.lines = lines;
        s.clients = {fixedClient.code};
        bench::ImportBenchFiles::writeFixed(s.file, fixedClient, lines, kFirstCode);
        return s;
    };
    cases.delimited = delimited(kLines);
    cases.delimited200k = delimited(2 * kLines);
    cases.fixed = fixed(kLines);
    cases.fixed200k = fixed(2 * kLines);
    return cases;
}

void checkStored(const BenchStore &store, const DatabaseUrl &url, const ImportJob &job)
{
    const qint64 stored = store.count(url, QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR WHERE %1").arg(storedConsumers(job)));
    if (stored != job.lines)
        fail(QStringLiteral("%1: %2 of %3 consumers stored from %4").arg(store.name()).arg(stored).arg(job.lines).arg(job.file));
}

// The database system's rounds: every case and its reference side by side in each round.
Figures measure(BenchStore &store, Cases &cases, const QString &dir, int rounds, Corvane::SimpleContext &ctx)
{
    // A first, untimed import of each case gives the consumers as stored, for the references.
    const QString csvDelimited = dir + QStringLiteral("/stored-delimited-") + store.name() + QStringLiteral(".csv"),
                  csvFixed = dir + QStringLiteral("/stored-fixed-") + store.name() + QStringLiteral(".csv");
    for (const auto &[job, csv] : {std::pair{&cases.delimited, csvDelimited}, std::pair{&cases.fixed, csvFixed}}) {
        const DatabaseUrl first = store.fresh(QStringLiteral("first"));
        importRun(first, *job, ctx);
        checkStored(store, first, *job);
        store.exportCsv(first, QStringLiteral("SELECT * FROM CONSUMIDOR WHERE %1").arg(storedConsumers(*job)), csv);
    }
    const QStringList columns = store.columns(store.fresh(QStringLiteral("columns")), QStringLiteral("CONSUMIDOR"));

    Figures f;
    for (int r = 0; r < rounds; ++r) {
        std::printf("  %s round %d of %d\n", qPrintable(store.name()), r + 1, rounds);
        std::fflush(stdout);
        // (a) and (b): SQL alone, then the import, each on a database of its own.
        const DatabaseUrl ref = store.fresh(QStringLiteral("ref_a"));
        f.add(QStringLiteral("ref a"), store.run(ref, referenceScript(store, cases.delimited, csvDelimited, columns, false)));
        f.add(QStringLiteral("ref b"), store.run(ref, referenceScript(store, cases.delimited, csvDelimited, columns, true)));
        const DatabaseUrl imp = store.fresh(QStringLiteral("imp_a"));
        f.add(QStringLiteral("a"), importRun(imp, cases.delimited, ctx));
        f.add(QStringLiteral("b"), importRun(imp, cases.delimited, ctx));
        checkStored(store, imp, cases.delimited);
        sameResult(store, imp, ref, "(a) and (b)");

        // (c)
        const DatabaseUrl refC = store.fresh(QStringLiteral("ref_c"));
        f.add(QStringLiteral("ref c"), store.run(refC, referenceScript(store, cases.fixed, csvFixed, columns, false)));
        const DatabaseUrl impC = store.fresh(QStringLiteral("imp_c"));
        f.add(QStringLiteral("c"), importRun(impC, cases.fixed, ctx));
        checkStored(store, impC, cases.fixed);
        sameResult(store, impC, refC, "(c)");

        // (d)
        const DatabaseUrl impD = store.fresh(QStringLiteral("imp_d"));
        {
            ServerProcess server(impD);
            f.add(QStringLiteral("d"), importRun(impD, cases.delimited, ctx, server.port()));
        }
        checkStored(store, impD, cases.delimited);

        // 200,000 lines
        const DatabaseUrl big = store.fresh(QStringLiteral("imp_a2"));
        f.add(QStringLiteral("a 200k"), importRun(big, cases.delimited200k, ctx));
        checkStored(store, big, cases.delimited200k);
        const DatabaseUrl bigC = store.fresh(QStringLiteral("imp_c2"));
        f.add(QStringLiteral("c 200k"), importRun(bigC, cases.fixed200k, ctx));
        checkStored(store, bigC, cases.fixed200k);
    }
    return f;
}

// One case against its reference, and the case's phases (medians each).
bool line(const Figures &f, const char *what, const QString &name, const QString &reference, double target)
{
    const double ratio = f.ratio(name, reference);
    const bool ok = ratio <= target;
    std::printf("  %-40s %8.1f ms  against %8.1f ms  %5.2fx  target <= %.1fx  %-6s (load %.0f + run %.0f + confirmation %.0f)\n", what,
                f(name), f(reference), ratio, target, ok ? "ok" : "MISSED", f(name + QStringLiteral(" load")),
                f(name + QStringLiteral(" check")), f(name + QStringLiteral(" confirm")));
    return ok;
}

bool report(const BenchStore &store, const Figures &f, int rounds)
{
    std::printf("\n%s: medians of %d rounds (ratios: median of the rounds' ratios)\n", qPrintable(store.name()), rounds);
    const QString a = QStringLiteral("a"), c = QStringLiteral("c");
    bool ok = true;
    ok &= line(f, "(a) first import / SQL alone", a, QStringLiteral("ref a"), 1.5);
    ok &= line(f, "(b) re-import / SQL alone", QStringLiteral("b"), QStringLiteral("ref b"), 1.5);
    ok &= line(f, "(c) per-branch fixed, N / SQL alone", c, QStringLiteral("ref c"), 1.5);
    ok &= line(f, "(d) (a) over HTTP / (a) in-process", QStringLiteral("d"), a, 2.0);
    ok &= line(f, "(a) 200,000 lines / 100,000", QStringLiteral("a 200k"), a, 2.2);
    ok &= line(f, "(c) 200,000 lines / 100,000", QStringLiteral("c 200k"), c, 2.2);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // bench_import [rounds [sqlite|postgresql]]
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]).toLower() : QString();
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("CNS_BENCH_KEEP")) { // the databases and files stay, for a look at them
        dir.setAutoRemove(false);
        std::printf("files in %s\n", qPrintable(dir.path()));
    }
    Corvane::SimpleContext ctx;
    ctx.operador = QStringLiteral("bench");
    Corvane::install(&ctx);
    Answers answers;
    HostDialogs::install(&answers);

    std::vector<BenchStore> stores = BenchStore::chosen(only, dir.path(), QStringLiteral("cnsbench_"), "bench/run-bench-import");

    std::printf("import of %d lines, cases (a) to (d) and 200,000 lines, each against SQL alone in the same round\n", kLines);
    std::optional<Cases> cases;
    std::vector<Figures> figures;
    for (BenchStore &store : stores) {
        store.makeSeed();
        if (!cases)
            cases = prepareCases(store, store.fresh(QStringLiteral("clients")), dir.path());
        figures.push_back(measure(store, *cases, dir.path(), rounds, ctx));
    }
    bool ok = true;
    for (size_t i = 0; i < stores.size(); ++i)
        ok &= report(stores[i], figures[i], rounds);
    std::printf("\n%s\n", ok ? "every target met" : "some target MISSED");
    return 0;
}
