#include "Pesquisa.h"

#include "DataSet.h"
#include "HostDialogs.h"

namespace Pesquisa {

bool Pesquisar(cns::DataSet &source, const QString &title, const QString &emptyText, const QStringList &fields)
{
    if (!source.Active() || source.IsEmpty()) {
        if (!emptyText.isEmpty())
            cns::HostDialogs::current().message(emptyText, cns::MsgType::Information, cns::mbOK, title);
        return false;
    }
    return cns::HostDialogs::current().chooseRow(title, source, fields);
}

} // namespace Pesquisa
