// The consumer import of a 100,000-line file in file-client mode (four clients, their consumer
// types and cost centres, some cost centres new), through load, consistency run and confirmation,
// in-process on SQLite, against "sqlite3 .import" of the same rows as CSV, measured in one run.
#include "BenchDatabase.h"
#include "BenchTimer.h"
#include "Corvane.h"
#include "DbSession.h"
#include "DemoData.h"
#include "Dispatcher.h"
#include "HostDialogs.h"
#include "ImportEngine.h"
#include "ImportMessages.h"
#include "Schema.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <unistd.h>
#include <vector>

using namespace cns;
using namespace cns::import;

namespace {

constexpr int kLines = 100000;

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

struct Client
{
    QString field; // how the file names it
    QStringList costCentres;
};

QList<Client> clients(DbSession &db)
{
    QList<Client> out;
    for (int n : {11, 12, 13, 14}) {
        const QString code = QStringLiteral("%1").arg(n, 21, 10, QLatin1Char('0'));
        Client c;
        c.field = db.select(QStringLiteral("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = :C"), {{QStringLiteral("C"), Value(code)}},
                            {{QStringLiteral("N"), FieldType::String, 0}})
                      .value(0, 0)
                      .toString();
        const Packet cc = db.select(QStringLiteral("SELECT CDCCUSCLIE FROM CCUSCLIE WHERE CDCLIENTE = :C"), {{QStringLiteral("C"), Value(code)}},
                                    {{QStringLiteral("N"), FieldType::String, 0}});
        for (qsizetype i = 0; i < cc.rowCount(); ++i)
            c.costCentres.append(cc.value(i, 0).toString());
        c.costCentres.append(QStringLiteral("00000009%1").arg(n)); // one the import creates
        out.append(c);
    }
    return out;
}

// The same rows as the import file (";", Windows-1252) and as CSV with a header.
void writeFiles(const QList<Client> &cs, const QString &txt, const QString &csv)
{
    static const char *first[] = {"Ana", "Bruno", "Carla", "Daniel", "Eduarda", "Fábio", "Gabriela", "Heitor", "Isabela", "João"};
    static const char *last[] = {"Silva", "Souza", "Oliveira", "Santos", "Pereira", "Araújo", "Conceição", "Gonçalves"};
    static const char *types[] = {"10", "20", "30", "50"};
    QByteArray text, rows = "cliente,codigo,nome,cracha,tipo,centro,nascimento,limite,email\n";
    text.reserve(kLines * 110);
    rows.reserve(kLines * 110);
    for (int i = 0; i < kLines; ++i) {
        const Client &c = cs.at(i % 4);
        const QString name = QString::fromUtf8(first[i % 10]) + u' ' + QString::fromUtf8(last[(i / 10) % 8]) + u' ' + QString::number(i);
        const QStringList f = {c.field,
                               QString::number(100000 + i),
                               name,
                               QStringLiteral("9%1").arg(i, 7, 10, QLatin1Char('0')),
                               QString::fromLatin1(types[(i / 4) % 4]),
                               c.costCentres.at((i / 4) % c.costCentres.size()),
                               QStringLiteral("%1/%2/%3").arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(1 + i % 12, 2, 10, QLatin1Char('0')).arg(1960 + i % 40),
                               QStringLiteral("%1,00").arg(100 + (i % 9) * 50),
                               i % 3 ? QStringLiteral("pessoa%1@empresa.com.br").arg(i) : QString()};
        text += f.join(u';').toLatin1() + "\r\n";
        QStringList quoted;
        for (const QString &v : f)
            quoted.append(u'"' + v + u'"');
        rows += quoted.join(u',').toUtf8() + '\n';
    }
    QFile a(txt), b(csv);
    a.open(QIODevice::WriteOnly);
    a.write(text);
    b.open(QIODevice::WriteOnly);
    b.write(rows);
}

struct Round
{
    double reference = 0, load = 0, check = 0, confirm = 0, storing = 0;
    double total() const { return load + check + confirm; }
};

// The reference: the sqlite3 shell importing the same rows into a table of its own.
double referenceRun(const QString &refDb, const QString &csv)
{
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute(QStringLiteral("sqlite3"), {refDb, QStringLiteral(".import --csv %1 ref").arg(csv)});
    if (rc != 0) {
        std::fprintf(stderr, "sqlite3 .import failed (%d)\n", rc);
        std::exit(1);
    }
    return double(t.nsecsElapsed()) / 1e6;
}

int shell(const QString &db, const QString &sql)
{
    return QProcess::execute(QStringLiteral("sqlite3"), {db, sql});
}

// What SQLite alone takes to store the import's result, for comparison: the same consumers (staged
// in a table of their own), their ties to the branch and their badges inserted by the sqlite3 shell
// in one transaction into a copy of the database as it was before the import. No reading,
// checking or converting; the shell starts and syncs the disk as for the reference.
double storingRun(const QString &before, const QString &imported)
{
    const QString stage = QStringLiteral("ATTACH '%1' AS feita; CREATE TABLE ENTRADA AS SELECT * FROM feita.CONSUMIDOR "
                                         "WHERE CAST(CDCONSUMIDOR AS INTEGER) >= 100000;")
                              .arg(imported);
    const QString store = QStringLiteral(
        "BEGIN; INSERT INTO CONSUMIDOR SELECT * FROM ENTRADA; "
        "INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) SELECT CDCLIENTE, CDCONSUMIDOR, '0002' FROM ENTRADA; "
        "INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR, DTREGIDENT) "
        "SELECT UPPER(CDIDCONSUMID), CDCLIENTE, CDCONSUMIDOR, '2026-01-01 00:00:00' FROM ENTRADA; COMMIT;");
    if (shell(before, stage) != 0) {
        std::fprintf(stderr, "staging the stored consumers failed\n");
        std::exit(1);
    }
    ::sync();
    QElapsedTimer t;
    t.start();
    if (shell(before, store) != 0) {
        std::fprintf(stderr, "storing the consumers with the sqlite3 shell failed\n");
        std::exit(1);
    }
    return double(t.nsecsElapsed()) / 1e6;
}

// The import of the file into a database of its own, through load, consistency run and confirmation.
void importRun(const DatabaseUrl &url, const QString &txt, Round &round)
{
    auto dispatcher = Dispatcher::standard(url);
    dispatcher->setLogSink(nullptr);
    TNetConnection::setInProcessTarget(dispatcher.get());
    url.open(TADOIBQuery::defaultConnectionName());
    TNetConnection net(QStringLiteral("Cns72200.rdmImportConsu"));
    ImportEngine engine(net, ImportMessages::table());
    engine.clientFromFile = true;
    engine.Vd_Layout(QStringLiteral("2"), true);
    engine.getTabLayoutImp();
    engine.replaceFiles({txt});
    ImportProgress none;

    QElapsedTimer t;
    t.start();
    engine.Carregar(none);
    round.load = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    engine.ChamaGeraLog(none, false);
    round.check = double(t.nsecsElapsed()) / 1e6;
    // The confirmation runs the consistency run again before it sends the rows.
    t.restart();
    const ImportEngine::Outcome outcome = engine.Confirmar(none);
    round.confirm = double(t.nsecsElapsed()) / 1e6;
    const qint64 stored = DbSession::forThread(url).count(
        QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR WHERE CAST(CDCONSUMIDOR AS INTEGER) >= 100000"), {});
    TNetConnection::setInProcessTarget(nullptr);
    if (outcome != ImportEngine::Outcome::Imported || stored != kLines) {
        std::fprintf(stderr, "the import did not store the rows (%lld of %d)\n", qint64(stored), kLines);
        std::exit(1);
    }
}

// The disk writes of the import end before the next round: they would otherwise run beside that
// round's reference and import.
void settle()
{
    ::sync();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

// Rounds of the reference followed by the import, each on databases of their own: the machine's
// pace drifts, and a ratio is only fair between runs made side by side. The medians are reported.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int kRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5; // bench_import [rounds]
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("CNS_BENCH_KEEP")) { // the databases and files stay, for a look at them
        dir.setAutoRemove(false);
        std::printf("files in %s\n", qPrintable(dir.path()));
    }
    std::vector<DatabaseUrl> urls;
    for (int r = 0; r < kRounds; ++r)
        urls.push_back(bench::seedDatabase(dir.filePath(QStringLiteral("bench%1.db").arg(r))));
    const QString txt = dir.filePath(QStringLiteral("consumidores.txt")), csv = dir.filePath(QStringLiteral("consumidores.csv"));
    writeFiles(clients(DbSession::forThread(urls.front())), txt, csv);

    Corvane::SimpleContext ctx;
    ctx.filiProc = QStringLiteral("0002");
    Corvane::install(&ctx);
    Answers answers;
    HostDialogs::install(&answers);

    std::vector<Round> rounds(kRounds);
    for (int r = 0; r < kRounds; ++r) {
        const QString path = urls[size_t(r)].path(), before = dir.filePath(QStringLiteral("antes%1.db").arg(r));
        shell(path, QStringLiteral(".backup '%1'").arg(before));
        rounds[size_t(r)].reference = referenceRun(dir.filePath(QStringLiteral("ref%1.db").arg(r)), csv);
        importRun(urls[size_t(r)], txt, rounds[size_t(r)]);
        settle();
        rounds[size_t(r)].storing = storingRun(before, path);
    }
    auto med = [&rounds](double Round::*f) {
        std::vector<double> v;
        for (const Round &r : rounds)
            v.push_back(r.*f);
        return median(v);
    };
    std::vector<double> ratios, totals;
    for (const Round &r : rounds) {
        ratios.push_back(r.total() / r.reference);
        totals.push_back(r.total());
    }

    std::printf("import of %d lines in file-client mode (4 clients), in-process SQLite; medians of %d rounds\n", kLines, kRounds);
    std::printf("%-44s %9.1f ms\n", "reference: sqlite3 .import of the CSV", med(&Round::reference));
    std::printf("%-44s %9.1f ms\n", "load (read, columns, rows)", med(&Round::load));
    std::printf("%-44s %9.1f ms\n", "consistency run", med(&Round::check));
    std::printf("%-44s %9.1f ms\n", "confirmation (run again + setConsumidor)", med(&Round::confirm));
    std::printf("%-44s %9.1f ms   %5.2fx the reference (for comparison)\n", "SQLite alone storing the same result",
                med(&Round::storing), med(&Round::storing) / med(&Round::reference));
    for (size_t i = 0; i < rounds.size(); ++i)
        std::printf("round %zu: load %.0f + consistency run %.0f + confirmation %.0f = %.0f ms against %.0f ms, %.2fx "
                    "(SQLite alone storing: %.0f ms)\n",
                    i + 1, rounds[i].load, rounds[i].check, rounds[i].confirm, totals[i], rounds[i].reference, ratios[i],
                    rounds[i].storing);
    const double ratio = median(ratios);
    std::printf("%-44s %9.1f ms   %5.2fx the reference (median of the rounds' ratios)   target <= 5.0x   %s\n",
                "load + consistency run + confirmation", median(totals), ratio, ratio <= 5.0 ? "ok" : "MISSED");
    return 0;
}
