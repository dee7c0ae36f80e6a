#include "ReportCatalog.h"

#include "EErro.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>

namespace cns::ui {

namespace {

const QString kSuffix = QStringLiteral(".json");

QStringList namesIn(const QString &folder)
{
    QStringList names;
    for (const QString &file : QDir(folder).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        names.append(file.chopped(kSuffix.size()));
    return names;
}

} // namespace

ReportCatalog::ReportCatalog(QString code) : m_code(std::move(code)) { }

const TMessages &ReportCatalog::messages()
{
    static const TMessages table(u"NovoCaption|Título do relatório\n"
                                 u"Arq_Rel_Err|O arquivo contendo a definição do relatório de código '%s' não foi "
                                 u"encontrado no diretório '%s'.\n"
                                 u"NovoPrompt|Informe o título do relatório:");
    return table;
}

QString ReportCatalog::shippedRoot()
{
    const QString env = qEnvironmentVariable("CNS_REPORTS_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/reports") : env;
}

QString ReportCatalog::userRoot()
{
    const QString env = qEnvironmentVariable("CNS_REPORTS_USER_DIR");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/consumidor/reports");
}

QString ReportCatalog::shippedFolder() const
{
    return shippedRoot() + u'/' + m_code;
}

QString ReportCatalog::userFolder() const
{
    return userRoot() + u'/' + m_code;
}

void ReportCatalog::missing(const QString &what) const
{
    throw EErro(messages().Msg(u"Arq_Rel_Err", {what, QDir::toNativeSeparators(shippedFolder())}));
}

QList<ReportCatalog::Entry> ReportCatalog::entries() const
{
    QMap<QString, Entry> byName;
    for (const QString &name : namesIn(shippedFolder()))
        byName.insert(name, {name, {}, false});
    for (const QString &name : namesIn(userFolder()))
        byName.insert(name, {name, {}, true});
    if (byName.isEmpty())
        missing(m_code);
    QList<Entry> out;
    for (Entry e : std::as_const(byName)) {
        // A file that cannot be read is offered under its name and tells what is wrong when chosen,
        // so that it does not hide the other reports.
        try {
            e.title = load(e.name).title;
        } catch (const EErro &) {
            e.title = e.name;
        }
        out.append(e);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Entry &a, const Entry &b) { return QString::localeAwareCompare(a.title, b.title) < 0; });
    return out;
}

QString ReportCatalog::fileOf(const QString &name) const
{
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name.startsWith(u'.'))
        return {};
    for (const QString &folder : {userFolder(), shippedFolder()}) {
        const QString path = folder + u'/' + name + kSuffix;
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

ReportDefinition ReportCatalog::load(const QString &name) const
{
    const QString path = fileOf(name);
    if (path.isEmpty())
        missing(m_code + u'/' + name);
    return ReportDefinition::load(path);
}

QString ReportCatalog::save(const ReportDefinition &definition) const
{
    if (!QDir().mkpath(userFolder()))
        throw EErro(QStringLiteral("Não foi possível criar o diretório %1.").arg(userFolder()));
    const QString path = userFolder() + u'/' + definition.name + kSuffix;
    definition.save(path);
    return path;
}

} // namespace cns::ui
