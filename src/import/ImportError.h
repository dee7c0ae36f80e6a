#pragma once

#include <QString>

namespace cns::import {

// The texts of the import's refusals of a file: where (file, line, column) and what is wrong.
namespace ImportError {

QString fileText(const QString &file, qint64 line, const QString &what);
QString columnText(const QString &file, qint64 line, const QString &column, const QString &what);

} // namespace ImportError

} // namespace cns::import
