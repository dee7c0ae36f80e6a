#pragma once

#include <QString>
#include <QStringList>

namespace cns {
class DataSet;
}

// The host's lookup over a query or a packet.
namespace Pesquisa {

// Shows the rows of source for the operator to pick one; true when one was picked, and the source
// is then on it. An empty source shows emptyText (when given) and gives false.
bool Pesquisar(cns::DataSet &source, const QString &title, const QString &emptyText = {}, const QStringList &fields = {});

} // namespace Pesquisa
