#include "DemoGenerator.h"

namespace cns {

// Import layouts and their sample files.

QString DemoData::Generator::samplePath(const char *name) const
{
    const QString file = QString::fromLatin1(name);
    return m_options.sampleFilesDir.isEmpty() ? file : QDir(m_options.sampleFilesDir).filePath(file);
}

void DemoData::Generator::seedLayouts()
{
    auto t = [](const char *utf8) { return Value(QString::fromUtf8(utf8)); };
    const Value none;
    const QString fixed = samplePath("consumidores_fixo.txt");
    insert(QStringLiteral("LAYOUTIMP"),
           "CDLAYOUTIMP,NMLAYOUTIMP,IDSEPARCAMPO,IDCARACDELIM,IDINACONSARQIMP,CDFILIAL,IDPARALISAIMPARQ,"
           "IDREMOVEZEROESQ",
           {{t("0000000001"), t("Consumidores - posições fixas"), t("F"), none, t("N"), t("0001"), t("S"), t("S")},
            {t("0000000002"), t("Consumidores - delimitado (;)"), t("D"), t(";"), t("S"), t("0002"), t("N"), t("N")},
            {t("0000000003"), t("Consumidores - cliente padrão"), t("F"), none, t("N"), t("0001"), t("S"), t("S")}});
    insert(QStringLiteral("TABLAYOUTIMP"), "CDLAYOUTIMP,NRSEQTABELAY,NMARQLAYIMP",
           {{t("0000000001"), 1, fixed},
            {t("0000000002"), 1, samplePath("consumidores_delimitado.txt")},
            {t("0000000003"), 1, fixed}});
    // Only detail lines ("01") are consumers; the header ("00") and trailer ("99") are skipped.
    insert(QStringLiteral("VALLAYOUTIMP"),
           "CDLAYOUTIMP,NRSEQTABELAY,NRSEQVALLAY,NRPOSINIVALLAY,NRTAMVALLAY,DSVALVALLAY",
           {{t("0000000001"), 1, 1, 1, 2, t("01;")}, {t("0000000003"), 1, 1, 1, 2, t("01;")}});
    seedLayoutColumns();
}

void DemoData::Generator::seedLayoutColumns()
{
    QList<QList<Value>> rows;
    int seq = 0;
    for (const LayoutColumn &col : kFixedColumns)
        rows.append(layoutColumnRow(QStringLiteral("0000000001"), ++seq, col, {}));
    seq = 0;
    for (const LayoutColumn &col : kDelimitedColumns)
        rows.append(layoutColumnRow(QStringLiteral("0000000002"), ++seq, col, {}));
    seq = 0;
    for (const LayoutColumn &col : kFixedColumns)
        rows.append(layoutColumnRow(QStringLiteral("0000000003"), ++seq, col, {}));
    // The branch's default client: whoever this registration number belongs to.
    const QString registration = client(kFixedFileClient).registration;
    const LayoutColumn defaultClient = {"CDCLIENTE", 0, int(registration.size()), 'T', 0, nullptr};
    rows.append(layoutColumnRow(QStringLiteral("0000000003"), ++seq, defaultClient, registration));
    insert(QStringLiteral("COLLAYOUTIMP"),
           "CDLAYOUTIMP,NRSEQTABELAY,NRSEQCOLULAY,IDFUNARQLAY,NRPOSICOLLAY,NRTAMCOLLAY,NRCASASDECIM,DSDEFACOLLAY,"
           "IDGERSEQCOLU,IDTDADCOLLAY,IDGERCODCOLU,CDFRMTCOLLAY,NMTABELAIMP,NMCOLUNAIMP,DSCONCATESQ,DSCONCATDIR",
           rows);
}

QList<Value> DemoData::Generator::layoutColumnRow(const QString &layout, int sequence, const LayoutColumn &col,
                                                  const QString &constant) const
{
    const QString value = col.constant ? QString::fromLatin1(col.constant) : constant;
    const Value none;
    return {layout,
            1,
            sequence,
            none,
            col.position > 0 ? Value(col.position) : none,
            Value(col.size),
            Value(col.decimals),
            orNull(value),
            QStringLiteral("N"),
            QString(QChar(QLatin1Char(col.kind))),
            QStringLiteral("N"),
            none,
            QStringLiteral("CONSUMIDOR"),
            QString::fromLatin1(col.name),
            none,
            none};
}

void DemoData::Generator::writeSamples()
{
    if (m_options.sampleFilesDir.isEmpty())
        return;
    if (!QDir().mkpath(m_options.sampleFilesDir))
        throw EErro(QStringLiteral("Não foi possível criar a pasta %1.").arg(m_options.sampleFilesDir));
    Random r(3);
    m_stats.fixedSample = samplePath("consumidores_fixo.txt");
    writeFile(m_stats.fixedSample, fixedLines(r));
    m_stats.delimitedSample = samplePath("consumidores_delimitado.txt");
    writeFile(m_stats.delimitedSample, delimitedLines(r));
}

void DemoData::Generator::writeFile(const QString &path, const QStringList &lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EErro(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(path, file.errorString()));
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += windows1252(line) + "\r\n";
    file.write(bytes);
    if (!file.commit())
        throw EErro(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(path, file.errorString()));
}

// A consumer the client's file brings and the database does not have yet.
DemoData::Generator::Kept DemoData::Generator::newKept(Client &c, Random &r)
{
    const Person person = makePerson(r);
    Kept k;
    k.number = c.nextCode++;
    k.name = person.name;
    k.badge = nextBadge(c, r);
    k.type = pickType(c, r);
    k.costCentre = pickCostCentre(c, r);
    k.cpf = uniqueCpf(r);
    k.birth = birthFor(r, k.type);
    k.limit = c.debitLimit;
    if (r.chance(70))
        k.email = makeEmail(c, r, person.first, person.family);
    return k;
}

QList<DemoData::Generator::Kept> DemoData::Generator::spread(const QList<Kept> &kept, int count) const
{
    QList<Kept> out;
    const int n = qMin(count, int(kept.size()));
    for (int i = 0; i < n; ++i)
        out.append(kept.at(qsizetype(i) * kept.size() / n));
    return out;
}

QStringList DemoData::Generator::fixedLines(Random &r)
{
    Client &c = client(kFixedFileClient);
    QList<Kept> people = spread(c.kept, 20);
    for (Kept &k : people) {
        if (r.chance(40))
            k.limit += 50; // the file brings a new limit for some of them
    }
    while (people.size() < 60)
        people.append(newKept(c, r));
    const QString header = QStringLiteral("00CADASTRO DE CONSUMIDORES") + QStringLiteral("01032024") + c.registration;
    QStringList lines{header.leftJustified(kFixedWidth, u' ')};
    for (const Kept &k : std::as_const(people))
        lines.append(fixedLine(k));
    lines.append(QString(QStringLiteral("99") + zeros(people.size(), 6)).leftJustified(kFixedWidth, u' '));
    return lines;
}

QString DemoData::Generator::fixedLine(const Kept &k) const
{
    QString line = QStringLiteral("01").leftJustified(kFixedWidth, u' ');
    for (const LayoutColumn &col : kFixedColumns) {
        if (col.position > 0)
            line.replace(col.position - 1, col.size, fixedField(col, k));
    }
    return line;
}

QString DemoData::Generator::fixedField(const LayoutColumn &col, const Kept &k) const
{
    auto is = [&col](const char *name) { return qstrcmp(col.name, name) == 0; };
    QString text;
    if (is("CDCONSUMIDOR"))
        text = zeros(k.number, col.size);
    else if (is("NMCONSUMIDOR"))
        text = k.name;
    else if (is("CDIDCONSUMID"))
        text = k.badge.rightJustified(col.size, u'0');
    else if (is("CDTIPOCONS"))
        text = externalType(u"0001", k.type);
    else if (is("CDCCUSCLIE"))
        text = k.costCentre;
    else if (is("NRCPFRESPCON"))
        text = k.cpf;
    else if (is("DTNASCCONS"))
        text = k.birth.toString(QStringLiteral("ddMMyyyy"));
    else if (is("VRLIMDEBCONS"))
        text = zeros(qRound64(k.limit * 100), col.size);
    return text.leftJustified(col.size, u' ', true);
}

QString DemoData::Generator::delimitedClientField(const Client &c) const
{
    if (const QString code = externalCode(c.number, u"0002", false); !code.isEmpty())
        return code;
    if (const QString code = externalCode(c.number, u"0002", true); !code.isEmpty())
        return code;
    return formattedCnpj(c.registration);
}

QString DemoData::Generator::delimitedLine(const QString &clientField, const Kept &k) const
{
    QString type = externalType(u"0002", k.type);
    if (type.isEmpty())
        type = externalType(u"0002", QStringLiteral("01"));
    return QStringList{clientField,
                       QString::number(k.number),
                       k.name,
                       k.badge,
                       type,
                       k.costCentre,
                       k.birth.toString(QStringLiteral("dd/MM/yyyy")),
                       decimalComma(k.limit),
                       k.email}
        .join(u';');
}

// Four clients of 0002, each named in the file its own way, and three lines the import must
// refuse or question: a consumer twice, a blank client, a client that is not at this branch.
QStringList DemoData::Generator::delimitedLines(Random &r)
{
    QStringList lines;
    for (int number : kDelimitedFileClients) {
        Client &c = client(number);
        const QString field = delimitedClientField(c);
        QList<Kept> people = spread(c.kept, 5);
        const int fresh = number == 12 ? 10 : 9;
        for (int i = 0; i < fresh; ++i)
            people.append(newKept(c, r));
        for (const Kept &k : std::as_const(people))
            lines.append(delimitedLine(field, k));
        if (number == 11) {
            Kept again = people.last();
            again.email = makeEmail(c, r, again.name, again.name);
            lines.append(delimitedLine(field, again));
        } else if (number == 12) {
            lines.append(delimitedLine(QString(), newKept(c, r)));
        } else if (number == 13) {
            Client &elsewhere = client(kOtherBranchClient);
            lines.append(delimitedLine(formattedCnpj(elsewhere.registration), newKept(elsewhere, r)));
        }
    }
    return lines;
}

DemoData::Stats DemoData::seed(QSqlDatabase &db, const Options &options)
{
    if (!db.transaction())
        throw EErro(QStringLiteral("Não foi possível iniciar a gravação dos dados de demonstração: %1")
                        .arg(db.lastError().text()));
    try {
        Generator generator(db, options);
        const Stats stats = generator.run();
        if (!db.commit())
            throw EErro(
                QStringLiteral("Não foi possível gravar os dados de demonstração: %1").arg(db.lastError().text()));
        return stats;
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace cns
