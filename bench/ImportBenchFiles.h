#pragma once

#include <QString>
#include <QStringList>

namespace bench {

// A client as an import file names it, with the cost centres its lines use (one of them new to
// the register, which the import creates) and the consumer types they use.
struct FileClient
{
    QString code;         // CDCLIENTE
    QString registration; // how the delimited file names it
    QStringList costCentres;
    QStringList types;
};

// Generated consumers, codes from firstCode on: the same names, badges, dates and limits whatever
// the layout, so that one case's file differs from another's only in its form.
namespace ImportBenchFiles {

// Lines of the demo's delimited layout (";", Windows-1252, CRLF), the clients taking turns.
void writeDelimited(const QString &path, const QList<FileClient> &clients, int lines, int firstCode);
// Lines of the demo's fixed-position layout ("01" detail lines), all of one client.
void writeFixed(const QString &path, const FileClient &client, int lines, int firstCode);

} // namespace ImportBenchFiles

} // namespace bench
