#include "ImportError.h"

#include <QFileDevice>
#include <QFileInfo>

namespace cns::import {

namespace ImportError {

namespace {
QString shown(const QString &file)
{
    return file.isEmpty() ? QStringLiteral("(sem nome)") : QFileInfo(file).fileName();
}
} // namespace

QString fileText(const QString &file, qint64 line, const QString &what)
{
    return QStringLiteral("Arquivo \"%1\", linha %2: %3").arg(shown(file)).arg(line).arg(what);
}

QString columnText(const QString &file, qint64 line, const QString &column, const QString &what)
{
    return QStringLiteral("Arquivo \"%1\", linha %2, coluna %3: %4").arg(shown(file)).arg(line).arg(column, what);
}

QString unreadableFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("O arquivo \"%1\" não existe.").arg(path);
    if (info.isDir())
        return QStringLiteral("\"%1\" é uma pasta, não um arquivo.").arg(path);
    if (!info.isFile())
        return QStringLiteral("\"%1\" não é um arquivo comum (é um dispositivo, uma fila ou um soquete).").arg(path);
    if (!info.isReadable())
        return QStringLiteral("Sem permissão para ler o arquivo \"%1\".").arg(path);
    return {};
}

QString openFailed(const QString &path, const QFileDevice &file)
{
    const QString why = file.error() == QFileDevice::PermissionsError
        ? QStringLiteral("sem permissão de leitura")
        : QStringLiteral("o sistema recusou a abertura (%1)").arg(file.errorString());
    return QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2.").arg(path, why);
}

} // namespace ImportError

} // namespace cns::import
