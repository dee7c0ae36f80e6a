#include "Corvane.h"
#include "CountingBusy.h"
#include "DatabaseUrl.h"
#include "Dispatcher.h"
#include "MaskEdit.h"
#include "ReportScreenInput.h"
#include "ReportText.h"
#include "ServerFixture.h"
#include "ScriptedDialogs.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"
#include "TfrmRelConsumidor.h"
#include "TfrmRelatorioCons.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace cns;
using namespace ReportScreenInput;

// Both report screens over the demonstration data as an operator uses them (preview, print to a
// PDF file, save as PDF), and cns-report writing the same consumer list without a window.
class tst_ReportDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void consumerListOnScreenAndWithoutAWindow();
    void branchAndTypeReport();

private:
    // Preview, print and save as of the screen's current report; the saved PDF's path.
    QString previewPrintAndSave(QWidget &screen, const QString &name);
    static QString first(const QString &sql);
    void keep(const QString &pdf);

    QTemporaryDir m_dir;
    QString m_url;
    std::unique_ptr<Dispatcher> m_dispatcher;
    Corvane::SimpleContext m_ctx;
    ScriptedDialogs m_dialogs;
    CountingBusy m_busy;
};

void tst_ReportDemo::initTestCase()
{
    m_url = ServerFixture::createDemo("tst_reportdemo");
    m_dispatcher = ServerFixture::dispatcher(m_url);
    TNetConnection::setInProcessTarget(m_dispatcher.get());
    DatabaseUrl::parse(m_url).open(TADOIBQuery::defaultConnectionName());
    m_ctx.filiProc = "0001";
    m_ctx.nomeFiliProc = "Matriz São Paulo";
    m_ctx.operador = "SUPERVISOR";
    m_ctx.nomeOperador = "Supervisor do Sistema";
    m_ctx.chaveInstalacao = "demo";
    Corvane::install(&m_ctx);
    qputenv("CNS_REPORTS_DIR", CNS_REPORTS_SOURCE_DIR);
    qputenv("CNS_REPORTS_USER_DIR", m_dir.filePath("user").toUtf8());
}

QString tst_ReportDemo::first(const QString &sql)
{
    QSqlQuery q(QSqlDatabase::database(TADOIBQuery::defaultConnectionName()));
    return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
}

// A copy of the PDF for a look at its pages, when CNS_SCREENSHOT_DIR names a folder.
void tst_ReportDemo::keep(const QString &pdf)
{
    const QString dir = qEnvironmentVariable("CNS_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    const QString to = QDir(dir).filePath(QFileInfo(pdf).fileName());
    QFile::remove(to);
    QVERIFY(QFile::copy(pdf, to));
}

QString tst_ReportDemo::previewPrintAndSave(QWidget &screen, const QString &name)
{
    int previewPages = 0;
    onModal([&previewPages](QWidget *w) {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(w);
        QVERIFY(preview);
        if (auto *widget = preview->findChild<QPrintPreviewWidget *>())
            previewPages = widget->pageCount();
        preview->close();
    });
    click(toolButton(screen, "sbtPreview"));
    [&] { QVERIFY(previewPages > 0); }();

    const QString printed = m_dir.filePath(name + "-impresso.pdf");
    onModal([printed](QWidget *w) {
        auto *dlg = qobject_cast<QPrintDialog *>(w);
        QVERIFY(dlg);
        auto *printers = dlg->findChild<QComboBox *>("printers");
        QVERIFY(printers);
        printers->setCurrentIndex(printers->count() - 1); // the dialog's "print to file"
        auto *file = dlg->findChild<QLineEdit *>("filename");
        QVERIFY(file);
        file->selectAll();
        QTest::keyClicks(file, printed);
        dlg->accept();
    });
    click(toolButton(screen, "sbtPrint"));

    const QString saved = m_dir.filePath(name + ".pdf");
    m_dialogs.fileNames.enqueue(saved);
    click(toolButton(screen, "sbtSalvarComo"));
    [&] {
        QCOMPARE(ReportText::pages(printed).size(), previewPages);
        QCOMPARE(ReportText::pages(saved).size(), previewPages);
    }();
    keep(printed);
    keep(saved);
    return saved;
}

void tst_ReportDemo::consumerListOnScreenAndWithoutAWindow()
{
    // The demo client with the most consumers below a thousand: a few pages.
    const QString number = first("SELECT C.NRINSJURCLIE FROM CLIENTE C JOIN CONSUMIDOR K ON K.CDCLIENTE = C.CDCLIENTE "
                                 "GROUP BY C.NRINSJURCLIE HAVING COUNT(*) < 1000 ORDER BY COUNT(*) DESC");
    QVERIFY(!number.isEmpty());
    const QString count = first("SELECT COUNT(*) FROM CONSUMIDOR K JOIN CLIENTE C ON C.CDCLIENTE = K.CDCLIENTE "
                                "WHERE C.NRINSJURCLIE = '" + number + "'");
    TfrmRelConsumidor screen;
    screen.show();
    QApplication::setActiveWindow(&screen);
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    screen.medCdCliente->setFocus();
    QTest::keyClicks(screen.medCdCliente, number);
    leave(screen.medCdCliente);
    QVERIFY2(m_dialogs.shown.isEmpty(), qPrintable(m_dialogs.lastText()));
    const QString saved = previewPrintAndSave(screen, "consumidores-tela");
    const QString onScreen = ReportText::text(saved);
    QVERIFY2(onScreen.contains("Consumidores do cliente: " + count), qPrintable(onScreen.right(400)));

    // The same list from the command, for a scheduled job.
    const QString pdf = m_dir.filePath("consumidores-cns-report.pdf");
    QProcess p;
    p.start(CNS_REPORT_BIN, {"--db", m_url, "--report", "consumidores", "--param", "P_NRINSJURCLIE=" + number, "--branch", "0001",
                             "--pdf", pdf});
    QVERIFY(p.waitForFinished(120000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    keep(pdf);
    const QStringList fromCommand = ReportText::pages(pdf);
    const QStringList fromScreen = ReportText::pages(saved);
    QCOMPARE(fromCommand.size(), fromScreen.size());
    // Page by page the same consumers in the same order (the headers name who ran them and when).
    const auto consumers = [](const QString &page) {
        QStringList codes;
        for (const QRegularExpressionMatch &m : QRegularExpression("\\b\\d{21}\\b").globalMatch(page))
            codes << m.captured();
        return codes;
    };
    for (int i = 0; i < fromScreen.size(); ++i) {
        QVERIFY(!consumers(fromScreen.at(i)).isEmpty());
        QCOMPARE(consumers(fromCommand.at(i)), consumers(fromScreen.at(i)));
    }
    QVERIFY(fromCommand.last().contains("Consumidores do cliente: " + count));
}

void tst_ReportDemo::branchAndTypeReport()
{
    TfrmRelatorioCons screen;
    screen.show();
    QApplication::setActiveWindow(&screen);
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    const QString saved = previewPrintAndSave(screen, "consumidores-filial-tipo");
    const QString text = ReportText::text(saved);
    QVERIFY2(text.contains("Consumidores do tipo:"), qPrintable(text.left(400)));
    QVERIFY(m_dialogs.shown.isEmpty());
}

QTEST_MAIN(tst_ReportDemo)
#include "tst_ReportDemo.moc"
