#include "HostMainWindow.h"

#include "Consiste.h"
#include "EErro.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "HostWindow.h"
#include "LocalCache.h"
#include "ModuleLoader.h"
#include "Pesquisa.h"
#include "TADOIBQuery.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>

using namespace cns::ui;

namespace {

const QString kModule = QStringLiteral("Pkg_cns72200");

struct EntryInfo
{
    const char *name;
    const char *label;
};

// The module's entry points, in the order of the menu.
const EntryInfo kEntries[] = {
    {"CriaConsumidor", "Cadastro de &Consumidores"},
    {"CriaImpConsumidor", "&Importação de Consumidores"},
    {"CriaCadAutoCons", "&Alteração Automática de Consumidores"},
    {"CriaRelConsumidor", "&Relatório de Consumidores"},
    {"CriaRelatConsumid", "Relatório por &Filial e Tipo"},
    {"CriaConsultaCracha", "Consulta &Crachá do Consumidor"},
    {"CriaAssocia", "Código &Externo do Cliente"},
    {"CriaVinculaCons", "&Vinculação de Consumidores"},
    {"CriaAnonimizaCons", "A&nonimizar Dados do Consumidor"},
    {"IniProc", "Início do &Módulo"},
};

// The entries above that take no arguments.
const cns::entry::EntryPoint<cns::entry::NoArgumentsFn> kWithoutArguments[] = {
    cns::entry::CriaConsumidor,  cns::entry::CriaImpConsumidor, cns::entry::CriaCadAutoCons, cns::entry::CriaRelConsumidor,
    cns::entry::CriaRelatConsumid, cns::entry::CriaVinculaCons, cns::entry::IniProc,
};

} // namespace

HostMainWindow::HostMainWindow(const HostSettings &settings, ModuleLoader &loader, LocalCache &cache, const QString &databaseText)
    : m_settings(settings), m_loader(loader), m_cache(cache)
{
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Sistema de Vendas e Refeições - Consumidores"));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdi);
    buildMenus();
    statusBar()->addWidget(new QLabel(QStringLiteral("Operador: %1 - %2").arg(settings.operatorCode, settings.operatorName)));
    statusBar()->addWidget(new QLabel(QStringLiteral("Filial: %1 - %2%3")
                                          .arg(settings.branchCode, settings.branchName,
                                               settings.perBranch ? QStringLiteral(" (por filial)") : QString())));
    statusBar()->addPermanentWidget(new QLabel(databaseText));
    HostWindow::install(this, [this](QWidget *screen) {
        // A screen shown again is brought back in its own child window, restored to its normal size.
        auto *sub = qobject_cast<QMdiSubWindow *>(screen->parentWidget());
        if (!sub) {
            sub = m_mdi->addSubWindow(screen);
            sub->setAttribute(Qt::WA_DeleteOnClose);
            // Closing the screen closes its child window too.
            connect(screen, &QObject::destroyed, sub, &QWidget::close);
        }
        sub->showNormal();
        m_mdi->setActiveSubWindow(sub);
    });
    resize(1200, 800);
}

void HostMainWindow::buildMenus()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Consumidor"));
    menu->setObjectName(QStringLiteral("mnuConsumidor"));
    for (const EntryInfo &e : kEntries) {
        QAction *a = menu->addAction(QString::fromUtf8(e.label));
        const QString name = QString::fromLatin1(e.name);
        a->setObjectName(QStringLiteral("mnu") + name);
        QString why;
        if (!m_loader.exports(kModule, e.name, &why)) {
            a->setEnabled(false);
            a->setToolTip(why);
        }
        connect(a, &QAction::triggered, this, [this, name] { open(name); });
    }
    QMenu *system = menuBar()->addMenu(QStringLiteral("&Sistema"));
    system->addAction(QStringLiteral("Cache &local..."), this, &HostMainWindow::showCacheHistory);
    system->addSeparator();
    system->addAction(QStringLiteral("&Sair"), qApp, &QApplication::closeAllWindows);
    QMenu *windows = menuBar()->addMenu(QStringLiteral("&Janelas"));
    windows->addAction(QStringLiteral("&Cascata"), m_mdi, &QMdiArea::cascadeSubWindows);
    windows->addAction(QStringLiteral("&Lado a lado"), m_mdi, &QMdiArea::tileSubWindows);
}

QString HostMainWindow::workingBranch() const
{
    return m_settings.perBranch ? m_settings.branchCode : QStringLiteral("T");
}

bool HostMainWindow::chooseClient(QString *code, QString *registration, QString *name)
{
    TADOIBQuery q(QStringLiteral("qryCliente"));
    q.setSQL(QStringLiteral("SELECT DISTINCT CL.CDCLIENTE, CL.NRINSJURCLIE, CL.NMFANTCLIE FROM CLIENTE CL "
                            "LEFT JOIN CLIENFILIAL CF ON CF.CDCLIENTE = CL.CDCLIENTE "
                            "WHERE (:P_TCDFILIAL = 'T' OR CF.CDFILIAL = :P_CDFILIAL) "
                            "AND (:P_TCDCLIENTE = 'T' OR CL.CDCLIENTE = :P_CDCLIENTE) ORDER BY CL.NMFANTCLIE"));
    q.AddField(QStringLiteral("CDCLIENTE"), cns::FieldType::String, 21).Visible = false;
    q.AddField(QStringLiteral("NRINSJURCLIE"), cns::FieldType::String, 20, QStringLiteral("Inscrição"));
    q.AddField(QStringLiteral("NMFANTCLIE"), cns::FieldType::String, 50, QStringLiteral("Nome"));
    const QString preset = qEnvironmentVariable("CNS_HOST_CLIENT");
    q.ParamByName(u"P_TCDFILIAL") = cns::Value(m_settings.perBranch ? QString() : QStringLiteral("T"));
    q.ParamByName(u"P_CDFILIAL") = cns::Value(m_settings.branchCode);
    q.ParamByName(u"P_TCDCLIENTE") = cns::Value(preset.isEmpty() ? QStringLiteral("T") : QString());
    q.ParamByName(u"P_CDCLIENTE") = cns::Value(preset);
    q.Open();
    if (preset.isEmpty() && !Pesquisa::Pesquisar(q, QStringLiteral("Cliente"), QStringLiteral("Não há cliente cadastrado.")))
        return false;
    if (q.IsEmpty())
        return false;
    *code = q.FieldByName(u"CDCLIENTE").AsString();
    *registration = q.FieldByName(u"NRINSJURCLIE").AsString();
    *name = q.FieldByName(u"NMFANTCLIE").AsString();
    return true;
}

void HostMainWindow::open(const QString &entry)
{
    HandlerGuard::run([&] {
        namespace e = cns::entry;
        const QByteArray name = entry.toLatin1();
        if (name == e::CriaConsultaCracha.name || name == e::CriaAssocia.name || name == e::CriaAnonimizaCons.name) {
            // Until the consumer screen opens them, the host asks which client.
            QString code, registration, clientName;
            if (!chooseClient(&code, &registration, &clientName))
                return;
            QString tipo;
            const QString digits = Consiste::Ajusta_Inscricao(registration, &tipo);
            if (name == e::CriaConsultaCracha.name)
                call(e::CriaConsultaCracha, digits, m_settings.branchCode);
            else if (name == e::CriaAssocia.name)
                call(e::CriaAssocia, workingBranch(), digits + QStringLiteral(" - ") + clientName, code);
            else
                call(e::CriaAnonimizaCons, QList<cns::Value>{cns::Value(code), cns::Value(QString()), cns::Value(QString())}, 2);
            return;
        }
        for (const e::EntryPoint<e::NoArgumentsFn> &point : kWithoutArguments) {
            if (name == point.name)
                return call(point);
        }
        throw cns::EErro(QStringLiteral("O módulo %1 não tem a entrada %2.").arg(kModule, entry));
    });
}

template <class Fn, class... Args>
void HostMainWindow::call(cns::entry::EntryPoint<Fn> point, Args &&...args)
{
    QString why;
    const Fn f = m_loader.entry(kModule, point, &why);
    if (!f)
        throw cns::EErro(why);
    f(std::forward<Args>(args)...);
}

void HostMainWindow::showCacheHistory()
{
    QStringList lines;
    for (const LocalCache::Refresh &r : m_cache.history())
        lines.append(QStringLiteral("%1  %2  (%3 registros)").arg(r.when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), r.table).arg(r.rows));
    cns::HostDialogs::current().message(lines.isEmpty() ? QStringLiteral("Nenhuma tabela atualizada nesta sessão.") : lines.join(u'\n'),
                                        cns::MsgType::Information, cns::mbOK, QStringLiteral("Cache local"));
}

void HostMainWindow::takeScreenshot()
{
    QWidget *target = QApplication::activeModalWidget();
    if (!target)
        target = m_mdi->activeSubWindow() ? static_cast<QWidget *>(m_mdi->activeSubWindow()) : static_cast<QWidget *>(this);
    if (!target->grab().save(m_settings.screenshotFile))
        std::fprintf(stderr, "cns-host: could not write %s\n", qPrintable(m_settings.screenshotFile));
    else
        std::fprintf(stderr, "cns-host: screenshot of \"%s\" in %s\n", qPrintable(target->windowTitle()), qPrintable(m_settings.screenshotFile));
    if (m_settings.quitAfterScreenshot)
        QCoreApplication::exit(0);
}

void HostMainWindow::runAutomation()
{
    // The capture is set before the entries run: a modal screen holds its caller until it closes.
    if (!m_settings.screenshotFile.isEmpty())
        QTimer::singleShot(2000, this, &HostMainWindow::takeScreenshot);
    for (const QString &e : m_settings.openEntries)
        QTimer::singleShot(0, this, [this, e] { open(e); });
}
