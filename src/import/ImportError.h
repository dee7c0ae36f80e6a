#pragma once

#include <QString>

class QFileDevice;

namespace cns::import {

// The texts of the import's refusals of a file: where (file, line, column) and what is wrong.
namespace ImportError {

QString fileText(const QString &file, qint64 line, const QString &what);
QString columnText(const QString &file, qint64 line, const QString &column, const QString &what);

// Why path cannot be read as an import file (it is not there, it is a folder, it is not a regular
// file, it may not be read), naming it; empty when it can be opened. What is not a regular file (a
// pipe with no writer would hold the load forever) is refused before it is opened.
QString unreadableFile(const QString &path);
// Why opening the file failed, naming it.
QString openFailed(const QString &path, const QFileDevice &file);

} // namespace ImportError

} // namespace cns::import
