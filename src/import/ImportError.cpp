#include "ImportError.h"

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

} // namespace ImportError

} // namespace cns::import
