#pragma once

#include <QString>

namespace cns {
class DataSet;
}

// The host's multi-select list.
namespace Pesqlista {

// The operator ticks rows of source; list receives the list text of their keys: "_" and then each
// key followed by "_" ("_0001_0002_"), or an empty text when none was ticked. A title written
// "Title|Text" shows Text when the source is empty. True unless the operator gave up, in which case
// the list is left as it was.
bool PesquisaLista(cns::DataSet &source, const QString &keyField, const QString &title, QString &list);

// The keys of a list text.
QStringList keysOf(const QString &list);
QString listOf(const QStringList &keys);

} // namespace Pesqlista
