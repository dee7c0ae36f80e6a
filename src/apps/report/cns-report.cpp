// cns-report: a report of the host's report engine written to PDF or CSV, without a window
// (scheduled jobs).
#include "Consiste.h"
#include "DatabaseUrl.h"
#include "EAbort.h"
#include "EErro.h"
#include "ReportCatalog.h"
#include "ReportCsv.h"
#include "ReportQuery.h"
#include "ReportRenderer.h"
#include "SystemUser.h"
#include "TADOIBQuery.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

using namespace cns;
using namespace cns::ui;

namespace {

void out(const QString &text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
}

void err(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

struct Options
{
    QString db, code, report, pdf, csv, branch, operador;
    QStringList params;
    bool list = false;
};

QString branchName(const QString &branch)
{
    QSqlQuery q(QSqlDatabase::database(TADOIBQuery::defaultConnectionName()));
    q.prepare(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"));
    q.addBindValue(branch);
    return q.exec() && q.next() ? q.value(0).toString() : QString();
}

// The parameters given, then what a parameter screen starts with: the branch in P_CDFILIAL, and
// "T" (all) in each P_T... whose list was not given.
void setParams(const Options &o, ReportQuery &query)
{
    QStringList given;
    for (const QString &p : o.params) {
        const qsizetype eq = p.indexOf(u'=');
        const QString name = p.left(eq).trimmed().toUpper();
        if (eq <= 0 || !name.startsWith(QStringLiteral("P_")))
            throw EErro(QStringLiteral("--param: informe P_NOME=VALOR (veio \"%1\").").arg(p));
        if (!query.ExistParam(name))
            throw EErro(QStringLiteral("O relatório %1 não tem o parâmetro %2; os parâmetros dele são: %3.")
                            .arg(o.report, name, query.ParamNames().join(QStringLiteral(", "))));
        query.ParamByName(name) = Value(p.mid(eq + 1));
        given.append(name);
    }
    if (!o.branch.isEmpty() && query.ExistParam(u"P_CDFILIAL") && !given.contains(QStringLiteral("P_CDFILIAL")))
        query.ParamByName(u"P_CDFILIAL") = Value(o.branch);
    for (const QString &name : query.ParamNames()) {
        if (!name.startsWith(QStringLiteral("P_T")) || given.contains(name))
            continue;
        const QString partner = QStringLiteral("P_") + name.mid(3);
        if (!given.contains(partner))
            query.ParamByName(name) = Value(QStringLiteral("T"));
    }
}

int run(const Options &o)
{
    DatabaseUrl::parse(o.db).open(TADOIBQuery::defaultConnectionName());
    const ReportCatalog catalog(o.code);
    if (o.list) {
        for (const ReportCatalog::Entry &e : catalog.entries())
            out(e.name + u'\t' + e.title);
        return 0;
    }
    const ReportDefinition def = catalog.load(o.report);
    ReportQuery query(def, {});
    setParams(o, query);
    if (!o.csv.isEmpty()) {
        const qint64 rows = ReportCsv::write(def, query, o.csv);
        out(QStringLiteral("%1: %2 registros gravados em %3.").arg(def.title).arg(rows).arg(o.csv));
        return 0;
    }
    const QString name = o.branch.isEmpty() ? QString() : branchName(o.branch);
    const ReportHeading heading {o.code, name.isEmpty() ? o.branch : o.branch + QStringLiteral(" - ") + name,
                                 o.operador, QDateTime::currentDateTime()};
    const int pages = ReportRenderer(def, query, heading).writePdf(o.pdf, [](int page, int pages) {
        if (page == pages || page % 100 == 0)
            std::fprintf(stderr, "Página %d de %d\n", page, pages);
        return true;
    });
    out(QStringLiteral("%1: %2 páginas gravadas em %3.").arg(def.title).arg(pages).arg(o.pdf));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Scheduled jobs have no display: the PDF is drawn offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cns-report"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Relatórios sem tela: grava um relatório em PDF ou CSV."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("db"), QStringLiteral("Banco (sqlite:ARQUIVO ou postgresql://...)."), QStringLiteral("URL")},
        {QStringLiteral("code"), QStringLiteral("Código dos relatórios (padrão Cns722)."), QStringLiteral("CODIGO"),
         QStringLiteral("Cns722")},
        {QStringLiteral("list"), QStringLiteral("Lista os relatórios do código: nome e título, um por linha.")},
        {QStringLiteral("report"), QStringLiteral("Nome do relatório (veja --list)."), QStringLiteral("NOME")},
        {QStringLiteral("param"),
         QStringLiteral(
             "Parâmetro da consulta (pode repetir); um P_T... não informado, sem sua lista, vale \"T\" (todos)."),
         QStringLiteral("P_NOME=VALOR")},
        {QStringLiteral("branch"), QStringLiteral("Filial: o cabeçalho e o parâmetro P_CDFILIAL."),
         QStringLiteral("FILIAL")},
        {QStringLiteral("operator"), QStringLiteral("Operador no cabeçalho do relatório (padrão: o usuário do sistema)."),
         QStringLiteral("OPERADOR")},
        {QStringLiteral("pdf"), QStringLiteral("Grava o relatório neste PDF."), QStringLiteral("ARQUIVO.pdf")},
        {QStringLiteral("csv"), QStringLiteral("Grava as linhas do relatório neste CSV (\";\", UTF-8)."),
         QStringLiteral("ARQUIVO.csv")},
    });
    if (!p.parse(QCoreApplication::arguments())) {
        err(p.errorText());
        return 1;
    }
    if (p.isSet(QStringLiteral("help"))) {
        out(p.helpText());
        return 0;
    }
    Options o;
    o.db = p.value(QStringLiteral("db"));
    o.code = p.value(QStringLiteral("code"));
    o.list = p.isSet(QStringLiteral("list"));
    o.report = p.value(QStringLiteral("report"));
    o.params = p.values(QStringLiteral("param"));
    o.branch = p.value(QStringLiteral("branch")).trimmed();
    o.pdf = p.value(QStringLiteral("pdf"));
    o.csv = p.value(QStringLiteral("csv"));
    o.operador = p.isSet(QStringLiteral("operator")) ? p.value(QStringLiteral("operator")).trimmed() : systemUserName();
    QString bad;
    if (o.db.isEmpty())
        bad = QStringLiteral("Informe --db.");
    else if (!o.list && o.report.isEmpty())
        bad = QStringLiteral("Informe --list ou --report NOME.");
    else if (!o.list && o.pdf.isEmpty() == o.csv.isEmpty())
        bad = QStringLiteral("Informe --pdf ARQUIVO ou --csv ARQUIVO (um dos dois).");
    if (!bad.isEmpty()) {
        err(bad);
        err(p.helpText());
        return 1;
    }
    try {
        return run(o);
    } catch (const EAbort &) {
        return 1;
    } catch (const EErro &e) {
        err(e.message());
        return 1;
    }
}
