#include "Pesqlista.h"

#include "DataSet.h"
#include "HostDialogs.h"

#include <QStringList>

namespace Pesqlista {

QString listOf(const QStringList &keys)
{
    if (keys.isEmpty())
        return {};
    QString out = QStringLiteral("_");
    for (const QString &k : keys)
        out += k.trimmed() + u'_';
    return out;
}

QStringList keysOf(const QString &list)
{
    return list.split(u'_', Qt::SkipEmptyParts);
}

bool PesquisaLista(cns::DataSet &source, const QString &keyField, const QString &title, QString &list)
{
    const qsizetype bar = title.indexOf(u'|');
    const QString caption = bar < 0 ? title : title.left(bar);
    if (!source.Active() || source.IsEmpty()) {
        if (bar >= 0)
            cns::HostDialogs::current().message(title.mid(bar + 1), cns::MsgType::Information, cns::mbOK, caption);
        return false;
    }
    QStringList keys;
    if (!cns::HostDialogs::current().chooseRows(caption, source, keyField, &keys))
        return false;
    list = listOf(keys);
    return true;
}

} // namespace Pesqlista
