#pragma once

// The demo generator's own declarations, shared by its two source files (the registry data in
// DemoData.cpp, the import layouts and their sample files in DemoLayouts.cpp).
#include "DemoData.h"

#include "BrazilNames.h"
#include "BulkInsert.h"
#include "Consiste.h"
#include "EErro.h"
#include "TextFold.h"
#include "Value.h"

#include <QDate>
#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace cns {

namespace DemoText {

// Sample files go to operators' Windows machines, where import files are Windows-1252.
inline QByteArray windows1252(QStringView text)
{
    // 0x80-0x9F of the code page; 0: unassigned there.
    static constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out += '?';
            ++i;
            continue;
        }
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
            continue;
        }
        char byte = '?';
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] != 0 && kHigh[k] == u) {
                byte = char(0x80 + k);
                break;
            }
        }
        out += byte;
    }
    return out;
}

inline QString zeros(qint64 n, int width)
{
    return QStringLiteral("%1").arg(n, width, 10, QChar(u'0'));
}

inline Value orNull(const QString &s)
{
    return s.isEmpty() ? Value() : Value(s);
}

inline Value flag(bool yes)
{
    return Value(yes ? QStringLiteral("S") : QStringLiteral("N"));
}

inline QStringList columns(const char *list)
{
    return QString::fromLatin1(list).split(u',');
}

// Lower-case letters and digits only, accents dropped: e-mail addresses and domains.
inline QString asciiWord(const QString &text)
{
    QString out;
    for (const QChar ch : TextFold::fold(text)) {
        if ((ch >= u'a' && ch <= u'z') || (ch >= u'0' && ch <= u'9'))
            out.append(ch);
    }
    return out;
}

// The check digit of badges of clients with IDCALCDVCLIE "2".
inline QChar badgeCheckDigit(QStringView digits)
{
    return Consiste::DigitoModulo11(digits);
}

inline QString formattedCnpj(const QString &d)
{
    return d.left(2) + u'.' + d.mid(2, 3) + u'.' + d.mid(5, 3) + u'/' + d.mid(8, 4) + u'-' + d.mid(12, 2);
}

// "150,00": how spreadsheets of Brazilian clients write amounts.
inline QString decimalComma(double v)
{
    return QString::number(v, 'f', 2).replace(u'.', u',');
}

} // namespace DemoText

using namespace DemoText;

class DemoData::Generator
{
public:
    Generator(QSqlDatabase &db, const Options &options);
    Stats run();

private:
    // splitmix64: the same numbers on every machine and compiler, unlike <random>'s distributions.
    class Random
    {
    public:
        explicit Random(quint64 stream) : m_state(0x5DEECE66D2024ull ^ (stream * 0x9E3779B97F4A7C15ull)) {}
        quint64 next()
        {
            quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        }
        int below(int n) { return n <= 1 ? 0 : int(next() % quint64(n)); }
        int between(int lo, int hi) { return lo + below(hi - lo + 1); }
        bool chance(int percent) { return below(100) < percent; }
        const QString &pick(const QStringList &list) { return list.at(below(int(list.size()))); }
        int weighted(const QList<int> &weights);
        QString digits(int count);

    private:
        quint64 m_state;
    };

    // One client of the demo and what it is there to show (see the table in clientProfiles()).
    struct ClientProfile
    {
        int number;
        const char *fantasy;
        const char *legal; // person clients: the person's name
        char kind;         // 'J' company (CNPJ), 'F' person (CPF)
        const char *city;
        const char *branches; // "0001 0002"; empty: associated with no branch
        int consumers;        // full mode; 0: the big client, whose size the options give
        int badgeLength;      // digits of its badges, check digit included
        bool checkDigit;
        const char *ownTypes; // TIPOCONSCLI: "01=name|02=name"; empty: none
        const char *mailDomain; // empty: its people use their own addresses
    };
    struct BranchType
    {
        const char *branch;
        const char *type;
        const char *external; // CDTIPOCONSEX: the code that branch's import files carry
    };
    struct ExternalCode
    {
        int client;
        const char *branch;
        const char *code;
        bool importTable; // CODEXTERNOIMP; otherwise the CDEXCLIENFIL of the association
    };
    struct LayoutColumn
    {
        const char *name;
        int position; // fixed layouts: first character; delimited: field number; 0: constant
        int size;
        char kind; // IDTDADCOLLAY
        int decimals;
        const char *constant;
    };
    struct Address
    {
        int city = 0; // in BrazilNames::municipalities()
        int district = 0;
        QString street, number, cep, complement, reference;
    };
    struct Person
    {
        QString first, family, name;
        QChar sex;
    };
    // A holder whose dependants may be linked to him.
    struct Holder
    {
        QString code, name, family, phone;
        Address address;
    };
    // A consumer as the sample files need it.
    struct Kept
    {
        int number = 0;
        QString name, badge, type, costCentre, cpf, email;
        QDate birth;
        double limit = 0;
    };
    struct Client
    {
        const ClientProfile *profile = nullptr;
        int number = 0;
        QString code, registration, kind, fantasy, legal, externalCode, seller, mailDomain;
        bool checkDigit = false;
        int city = 0;
        QStringList branches;
        QList<std::pair<QString, QString>> ownTypes;
        QStringList types; // what its consumers are given
        QStringList costCentres, costNames;
        QList<int> costWeights;
        int consumers = 0;
        QString badgePrefix;
        int badgeBody = 0; // digits between the prefix and the check digit
        qint64 badgeNext = 0, badgeOld = 0;
        int nextCode = 1;
        bool externalIds = false;
        double debitLimit = 0, monthSubsidy = 0, subsidyPercent = 0, basicSubsidy = 0;
        QList<Kept> kept;
    };
    struct Consumer
    {
        int number = 0;
        QString code, name, family, first;
        QChar sex;
        QDate birth;
        bool active = true, sector = false, dependant = false, sharedBadge = false;
        QString badge, login, cpf, rg, email, external, type, costCentre, respName, link, seller, branch, info;
        QStringList branches;
        Address address;
        QString phone, mobile, phone2, extension, fax;
        Value warnDebit, limitDebit, maxDebit, warnCredit, limitCredit, maxCredit;
        Value monthSubsidy, subsidyPercent, basicSubsidy, monthMax;
        QString balanceCheck, saleType, morning, afternoon, lunch;
    };
    using Fields = QList<std::pair<const char *, Value>>;
    struct Sinks
    {
        std::unique_ptr<BulkInsert> consumidor, endecons;
        std::unique_ptr<BulkInsert> consumiFilial, regIdent;
    };

    static const QList<ClientProfile> &clientProfiles();
    // 0001's files name the types by mnemonic, 0002's by number; 0003 and 0004 enable none.
    static constexpr BranchType kBranchTypes[] = {
        {"0001", "01", "FUNC"}, {"0001", "02", "DEP"}, {"0001", "03", "EST"}, {"0001", "04", "TERC"},
        {"0002", "01", "10"},   {"0002", "02", "20"},  {"0002", "03", "30"},  {"0002", "05", "50"},
    };
    static constexpr ExternalCode kExternalCodes[] = {
        {1, "0001", "GAH-MATRIZ", false},   {1, "0002", "GAH-CPS", false},   {2, "0001", "METPAUL", false},
        {7, "0002", "LVN", false},          {12, "0002", "USH-RP", false},   {14, "0002", "2014", false},
        {19, "0003", "SSF", false},         {24, "0004", "FTM", false},      {25, "0001", "ROTASUL", false},
        {38, "0004", "FAZBE", false},       {1, "0001", "HORIZONTE", true},  {1, "0001", "GAH001", true},
        {1, "0002", "HORIZONTE-CPS", true}, {13, "0002", "TEXTIETE", true},  {13, "0002", "TVT-SOROCABA", true},
        {9, "0001", "ATENDEBEM", true},     {16, "0003", "ESTALEIRO", true}, {16, "0003", "EGN", true},
        {21, "0004", "SERRAAZUL", true},    {27, "0001", "COOPCG", true},
    };
    // Badges given on purpose to consumers of two clients that share no branch: {from, to}.
    static constexpr std::pair<int, int> kSharedBadges[] = {{17, 21}, {18, 22}, {3, 44}};
    // The same registration number, registered twice by the installation.
    static constexpr std::pair<int, int> kSharedRegistration = {25, 26};
    // The one association where sales are not allowed.
    static constexpr std::pair<int, const char *> kNoSales = {19, "0004"};
    static constexpr int kFixedFileClient = 2;
    static constexpr int kDelimitedFileClients[] = {11, 12, 13, 14};
    static constexpr int kOtherBranchClient = 16;
    static constexpr int kBenchClient = 9999;
    static constexpr LayoutColumn kFixedColumns[] = {
        {"CDCONSUMIDOR", 3, 10, 'T', 0, nullptr},  {"NMCONSUMIDOR", 13, 40, 'T', 0, nullptr},
        {"CDIDCONSUMID", 53, 12, 'T', 0, nullptr}, {"CDTIPOCONS", 65, 6, 'T', 0, nullptr},
        {"CDCCUSCLIE", 71, 10, 'T', 0, nullptr},   {"NRCPFRESPCON", 81, 11, 'T', 0, nullptr},
        {"DTNASCCONS", 92, 8, 'D', 0, nullptr},    {"VRLIMDEBCONS", 100, 9, 'N', 2, nullptr},
        {"IDVERSALDCON", 0, 1, 'T', 0, "S"},
    };
    static constexpr int kFixedWidth = 108;
    // Field 4 is both the badge and the site login.
    static constexpr LayoutColumn kDelimitedColumns[] = {
        {"CDCLIENTE", 1, 21, 'T', 0, nullptr},    {"CDCONSUMIDOR", 2, 21, 'T', 0, nullptr},
        {"NMCONSUMIDOR", 3, 50, 'T', 0, nullptr}, {"CDIDCONSUMID", 4, 21, 'T', 0, nullptr},
        {"NMLOGINCONS", 4, 200, 'T', 0, nullptr}, {"CDTIPOCONS", 5, 10, 'T', 0, nullptr},
        {"CDCCUSCLIE", 6, 10, 'T', 0, nullptr},   {"DTNASCCONS", 7, 10, 'D', 0, nullptr},
        {"VRLIMDEBCONS", 8, 15, 'N', 2, nullptr}, {"DSEMAILCONS", 9, 50, 'T', 0, nullptr},
    };

    // Reference tables
    void ensureEmpty();
    void seedGeography();
    void seedBranches();
    void seedSellers();
    void seedTypes();
    void insert(const QString &table, const char *columnList, const QList<QList<Value>> &rows);

    // Clients
    void planClients();
    Client planClient(const ClientProfile &profile, int consumers, int index);
    void planBadges(Client &c, Random &r, int index);
    void planCostCentres(Client &c, Random &r);
    void planDefaults(Client &c, Random &r);
    QStringList consumerTypes(const Client &c) const;
    QStringList branchTypes(QStringView branch) const;
    QString externalType(QStringView branch, const QString &type) const;
    QString externalCode(int client, QStringView branch, bool importTable) const;
    void seedClients();
    QList<QList<Value>> clientRows() const;
    QList<QList<Value>> associationRows() const;
    QList<QList<Value>> clientTypeRows() const;
    QList<QList<Value>> costCentreRows() const;
    Client &client(int number);

    // Consumers
    void seedConsumers();
    void seedConsumersOf(Client &c, Sinks &sinks);
    Consumer makeConsumer(Client &c, Random &r, int index, const QList<Holder> &holders);
    void fillHolder(Client &c, Random &r, Consumer &p);
    void fillDependant(Client &c, Random &r, Consumer &p, const Holder &holder);
    void fillSector(Client &c, Random &r, Consumer &p, int index);
    void fillContact(Client &c, Random &r, Consumer &p);
    void fillBadge(Client &c, Random &r, Consumer &p, int index);
    void fillLimits(const Client &c, Random &r, Consumer &p);
    void fillHabits(Random &r, Consumer &p);
    void fillBranches(const Client &c, Random &r, Consumer &p);
    void store(Client &c, Random &r, const Consumer &p, Sinks &sinks);
    void storeBadges(Client &c, Random &r, const Consumer &p, Sinks &sinks);
    void storeAddresses(const Client &c, Random &r, const Consumer &p, Sinks &sinks);
    Fields consumerFields(const Client &c, const Consumer &p) const;
    static void put(std::unique_ptr<BulkInsert> &sink, QSqlDatabase &db, const char *table, const Fields &fields);
    static bool isSectorIndex(const Client &c, int index);
    static bool isFileClient(int number); // its consumers are kept for the sample files
    static int repeatIndex(const Client &c) { return qMin(5, c.consumers - 1); }

    // People and places
    Person makePerson(Random &r, const QString &family = {});
    QString pickType(const Client &c, Random &r) const;
    QDate birthFor(Random &r, const QString &type) const;
    QString pickCostCentre(const Client &c, Random &r) const;
    Address makeAddress(Random &r, int city);
    int homeCity(const Client &c, Random &r) const;
    QString nextBadge(Client &c, Random &r);
    QString oldBadge(Client &c, Random &r);
    QString badgeOf(const Client &c, qint64 body) const;
    QString uniqueCpf(Random &r);
    QString uniqueCnpjRoot(Random &r);
    QString makeEmail(const Client &c, Random &r, const QString &first, const QString &family);
    static QString lastSurname(const QString &family);
    static QString rg(Random &r, const QString &uf);
    static QString landline(Random &r, int ddd);
    static QString mobile(Random &r, int ddd);
    static QDateTime registrationTime(Random &r);
    QString municipalityCode(int city) const { return zeros(city + 1, 4); }
    QString districtCode(int city, int district) const { return zeros(m_districtBase.at(city) + district + 1, 10); }

    // Layouts and sample files
    void seedLayouts();
    void seedLayoutColumns();
    QList<Value> layoutColumnRow(const QString &layout, int sequence, const LayoutColumn &col,
                                 const QString &constant) const;
    QString samplePath(const char *name) const;
    void writeSamples();
    Kept newKept(Client &c, Random &r);
    QList<Kept> spread(const QList<Kept> &kept, int count) const;
    QStringList fixedLines(Random &r);
    QString fixedLine(const Kept &k) const;
    QString fixedField(const LayoutColumn &col, const Kept &k) const;
    QStringList delimitedLines(Random &r);
    QString delimitedLine(const QString &clientField, const Kept &k) const;
    QString delimitedClientField(const Client &c) const;
    static void writeFile(const QString &path, const QStringList &lines);

    QSqlDatabase &m_db;
    Options m_options;
    Stats m_stats;
    QList<Client> m_clients;
    QList<int> m_districtBase;
    QList<QList<int>> m_citiesOfState; // by index in BrazilNames::states()
    QString m_companyRoot;
    QSet<QString> m_cpfs, m_cnpjRoots;
    QHash<QString, int> m_mailUses;
    QHash<int, QString> m_sharedBadges; // by the client that receives it
    int m_plannedConsumers = 0;
    int m_ordinal = 0;
};

} // namespace cns
