// The reports on SQLite and on PostgreSQL over the bench client of 45,000 consumers: the consumer
// list of that client ("consumidores") and the consumers of its branch by type
// ("consumidores-filial-tipo"), each written to PDF and to CSV as cns-report and the screens write
// them. The references, in the same run: the report's own query alone, every row read; and for the
// PDF, Qt's painter alone writing the same rows' texts on as many pages (no heading, grouping or
// page count). The report's peak memory beyond what the painter alone reached is printed beside the
// size of the file it writes: rendering page by page, it must not grow with the page count beyond
// the output.
//
// bench/run-bench-report [rounds [sqlite|postgresql]] starts a private PostgreSQL cluster and runs
// this; without CNS_TEST_PG_URL only SQLite is measured.
#include "BenchDatabase.h"
#include "BenchStore.h"
#include "BenchTimer.h"
#include "DbSession.h"
#include "ReportCatalog.h"
#include "ReportCsv.h"
#include "ReportQuery.h"
#include "ReportRenderer.h"
#include "TADOIBQuery.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace cns;
using namespace cns::ui;
using bench::BenchStore;

namespace {

constexpr int kConsumers = 45000;

// The process's peak resident memory so far, in MB (Linux).
double peakMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

// The rows' texts drawn on pages of a PDF with nothing but Qt's painter: a line per row, its cells
// side by side, a new page every rowsPerPage rows.
void plainPdf(const ReportQuery &query, const QString &path, int rowsPerPage)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    const int line = painter.fontMetrics().height();
    int onPage = 0;
    query.run([&](const QSqlRecord &rec) {
        if (onPage == rowsPerPage) {
            writer.newPage();
            onPage = 0;
        }
        const int y = line * (++onPage + 3);
        for (int c = 0; c < rec.count(); ++c)
            painter.drawText(c * writer.width() / rec.count(), y, rec.value(c).toString());
    });
}

// The report's parameters as the screens start them: every list "T" (all), the branch and client given.
void setParams(ReportQuery &query, const QString &client)
{
    for (const QString &name : query.ParamNames()) {
        if (name == u"P_NRINSJURCLIE")
            query.ParamByName(name) = Value(client);
        else if (name == u"P_CDFILIAL")
            query.ParamByName(name) = Value(QStringLiteral("0001"));
        else if (name.startsWith(QStringLiteral("P_T")))
            query.ParamByName(name) = Value(QStringLiteral("T"));
    }
}

void measure(BenchStore &store, const QString &dir, int rounds)
{
    store.makeSeed(kConsumers);
    const DatabaseUrl url = store.fresh(QStringLiteral("report"));
    url.open(TADOIBQuery::defaultConnectionName());
    const QString client = store.texts(url, QStringLiteral("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = '%1'")
                                                .arg(bench::kBenchClient))
                               .value(0);
    const ReportCatalog catalog(QStringLiteral("Cns722"));
    for (const QString name : {"consumidores", "consumidores-filial-tipo"}) {
        const ReportDefinition def = catalog.load(name);
        ReportQuery query(def, TADOIBQuery::defaultConnectionName());
        setParams(query, client);
        const ReportHeading heading{QStringLiteral("Cns722"), QStringLiteral("0001"), QStringLiteral("bench"), QDateTime::currentDateTime()};
        const QString pdf = dir + u'/' + name + QStringLiteral(".pdf"), csv = dir + u'/' + name + QStringLiteral(".csv");
        std::vector<double> read, plain, pdfMs, csvMs;
        qint64 rows = 0;
        int pages = 0;
        // The memory Qt's painter itself takes for these pages is not the report's: it is reached first.
        plainPdf(query, dir + QStringLiteral("/plain.pdf"), 56);
        const double before = peakMb();
        for (int i = 0; i <= rounds; ++i) { // the first round warms the caches up
            const double r = elapsedMs([&] {
                rows = query.run([](const QSqlRecord &rec) {
                    for (int c = 0; c < rec.count(); ++c)
                        (void)rec.value(c).toString();
                });
            });
            const double p = elapsedMs([&] { pages = ReportRenderer(def, query, heading).writePdf(pdf); });
            const int rowsPerPage = pages > 0 ? int((rows + pages - 1) / pages) : 1;
            const double q = elapsedMs([&] { plainPdf(query, dir + QStringLiteral("/plain.pdf"), rowsPerPage); });
            const double c = elapsedMs([&] { ReportCsv::write(def, query, csv); });
            if (i > 0) {
                read.push_back(r);
                plain.push_back(q);
                pdfMs.push_back(p);
                csvMs.push_back(c);
            }
        }
        const double grown = peakMb() - before;
        std::printf("%s, %s: %lld rows, %d pages\n", qPrintable(store.name()), qPrintable(name), rows, pages);
        const double pdfMb = double(QFileInfo(pdf).size()) / (1024 * 1024);
        std::printf("  the query alone, every row read            %9.1f ms\n", median(read));
        std::printf("  the same rows on PDF pages, painter alone  %9.1f ms\n", median(plain));
        std::printf("  PDF                                        %9.1f ms   %5.2fx the painter alone\n", median(pdfMs),
                    median(pdfMs) / median(plain));
        std::printf("  CSV                                        %9.1f ms   %5.2fx the query alone\n", median(csvMs),
                    median(csvMs) / median(read));
        std::printf("  peak memory beyond the painter alone's: %.1f MB; the PDF is %.1f MB   target: no more than the PDF   %s\n",
                    grown, pdfMb, grown <= pdfMb ? "ok" : "MISSED");
    }
    QSqlDatabase::removeDatabase(TADOIBQuery::defaultConnectionName());
}

} // namespace

int main(int argc, char **argv)
{
    // The PDF is drawn offscreen, as cns-report draws it for scheduled jobs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CNS_REPORTS_DIR", CNS_REPORTS_SOURCE_DIR);
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]).toLower() : QString();
    QTemporaryDir dir;
    std::vector<BenchStore> stores = BenchStore::chosen(only, dir.path(), QStringLiteral("cnsbench_report_"), "bench/run-bench-report");
    std::printf("reports of a client of %d consumers, median of %d rounds\n", kConsumers, rounds);
    for (BenchStore &store : stores)
        measure(store, dir.path(), rounds);
    return 0;
}
