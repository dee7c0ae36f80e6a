#include "ImportBenchFiles.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace bench::ImportBenchFiles {

namespace {

struct Person
{
    QString code, name, badge, type, costCentre, birth, limit, email;
};

Person person(const FileClient &c, int i, int firstCode, QChar badgePrefix)
{
    static const char *first[] = {"Ana", "Bruno", "Carla", "Daniel", "Eduarda", "Fábio", "Gabriela", "Heitor", "Isabela", "João"};
    static const char *last[] = {"Silva", "Souza", "Oliveira", "Santos", "Pereira", "Araújo", "Conceição", "Gonçalves"};
    Person p;
    p.code = QString::number(firstCode + i);
    p.name = QString::fromUtf8(first[i % 10]) + u' ' + QString::fromUtf8(last[(i / 10) % 8]) + u' ' + QString::number(i);
    p.badge = badgePrefix + QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0'));
    p.type = c.types.at((i / 4) % c.types.size());
    p.costCentre = c.costCentres.at((i / 4) % c.costCentres.size());
    p.birth = QStringLiteral("%1%2%3").arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(1 + i % 12, 2, 10, QLatin1Char('0')).arg(1960 + i % 40);
    p.limit = QString::number(100 + (i % 9) * 50);
    if (i % 3)
        p.email = QStringLiteral("pessoa%1@empresa.com.br").arg(i);
    return p;
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

QString padded(const QString &text, int width)
{
    return text.leftJustified(width, u' ', true);
}

} // namespace

void writeDelimited(const QString &path, const QList<FileClient> &clients, int lines, int firstCode)
{
    QByteArray text;
    text.reserve(qsizetype(lines) * 110);
    for (int i = 0; i < lines; ++i) {
        const FileClient &c = clients.at(i % clients.size());
        const Person p = person(c, i, firstCode, u'9');
        const QStringList f = {c.registration, p.code, p.name, p.badge, p.type, p.costCentre,
                               p.birth.left(2) + u'/' + p.birth.mid(2, 2) + u'/' + p.birth.mid(4), p.limit + QStringLiteral(",00"), p.email};
        text += f.join(u';').toLatin1() + "\r\n";
    }
    write(path, text);
}

void writeFixed(const QString &path, const FileClient &client, int lines, int firstCode)
{
    QByteArray text = "00CADASTRO DE CONSUMIDORES\r\n";
    text.reserve(qsizetype(lines) * 110);
    for (int i = 0; i < lines; ++i) {
        const Person p = person(client, i, firstCode, u'8');
        // Code 10, name 40, badge 12, type 6, cost centre 10, CPF 11 (none), birth ddmmyyyy, limit 9
        // with two implied decimals.
        const QString line = QStringLiteral("01") + p.code.rightJustified(10, u'0') + padded(p.name, 40) + padded(p.badge, 12) +
                             padded(p.type, 6) + padded(p.costCentre, 10) + QString(11, u' ') + p.birth +
                             (p.limit + QStringLiteral("00")).rightJustified(9, u'0');
        text += line.toLatin1() + "\r\n";
    }
    text += "99" + QByteArray::number(lines).rightJustified(10, '0') + "\r\n";
    write(path, text);
}

} // namespace bench::ImportBenchFiles
