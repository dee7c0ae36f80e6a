#include "DemoGenerator.h"

namespace cns {


// The clients and what each shows. Consumer-type lookup at branch 0001 (which enables 01..04):
//  - own types, some enabled at 0001: 3 (01 02 06), 4 (01 04 05), 8 (01 02 03), 34 (01 03 05);
//  - own types, none enabled at 0001: 5 (05 07), 6 (06 08);
//  - no own types, so the branch's: 1, 2, 9, 10 and the other clients of 0001;
//  - at 0003, which enables none, a client without own types gets all types: 16, 17, 18, 20, 40 (and 1, 19).
// Client 14 has own types at 0002 (01 02 07; 0002 enables 01 02 03 05).
// Badges with a check digit (IDCALCDVCLIE "2"): 7, 9, 12, 20, 29.
// Only at 0003: 16, 17, 18, 20, 40; only at 0004: 21, 22, 23, 38; at no branch: 44.
// 25 and 26 share one CNPJ; 19 may not buy at 0004; kSharedBadges repeats a badge in 21, 22 and 44.
// Sample files: the fixed one is of client 2 (0001; its CNPJ is the default client of layout 3,
// which 0004 uses); the delimited one is of 11, 12, 13 and 14 at 0002, with a line of 16 (only 0003).
const QList<DemoData::Generator::ClientProfile> &DemoData::Generator::clientProfiles()
{
    static const QList<ClientProfile> all = {
        {1, "Grupo Alimentar Horizonte", "Grupo Alimentar Horizonte S.A.", 'J', "São Paulo", "0001 0002 0003 0004", 0,
         8, false, "", "grupohorizonte.com.br"},
        {2, "Metalúrgica Paulista", "Metalúrgica Paulista Ltda", 'J', "São Paulo", "0001 0004", 620, 8, false, "",
         "metalpaulista.com.br"},
        {3, "Hospital Santa Marta", "Associação Hospitalar Santa Marta", 'J', "São Paulo", "0001", 1000, 10, false,
         "01=Colaborador|02=Dependente de colaborador|06=Corpo diretivo", "hsantamarta.org.br"},
        {4, "Construtora Alicerce", "Construtora Alicerce Engenharia Ltda", 'J', "Guarulhos", "0001", 700, 8, false,
         "01=Operário|04=Empreiteiro|05=Visitante de obra", "alicerce.eng.br"},
        {5, "Aposentados do ABC", "Associação dos Metalúrgicos Aposentados do ABC", 'J', "São Bernardo do Campo",
         "0001", 140, 7, false, "05=Acompanhante|07=Associado aposentado", "aposentadosabc.org.br"},
        {6, "Instituto Aprender", "Instituto Aprender de Formação Profissional", 'J', "São Paulo", "0001", 160, 7,
         false, "06=Coordenação pedagógica|08=Jovem aprendiz", "institutoaprender.org.br"},
        {7, "Laboratório Vida Nova", "Laboratório Farmacêutico Vida Nova Ltda", 'J', "Guarulhos", "0001 0002", 480, 8,
         true, "", "vidanova.com.br"},
        {8, "Colégio Santo Inácio", "Sociedade Educacional Santo Inácio", 'J', "São Paulo", "0001", 360, 8, false,
         "01=Professor e funcionário|02=Dependente|03=Estagiário de licenciatura", "santoinacio.g12.br"},
        {9, "Atende Bem Call Center", "Atende Bem Serviços de Teleatendimento Ltda", 'J', "Santos", "0001", 1100, 10,
         true, "", "atendebem.com.br"},
        {10, "Porto Seco Santos", "Terminal Porto Seco Santos S.A.", 'J', "Santos", "0001", 260, 8, false, "",
         "portosecosantos.com.br"},
        {11, "Tecnopolo Campinas", "Tecnopolo Sistemas e Automação Ltda", 'J', "Campinas", "0002", 520, 8, false, "",
         "tecnopolo.com.br"},
        {12, "Usina Santa Helena", "Usina de Açúcar e Álcool Santa Helena S.A.", 'J', "Ribeirão Preto", "0002", 820, 9,
         true, "", "usinasantahelena.com.br"},
        {13, "Têxtil Vale do Tietê", "Indústria Têxtil Vale do Tietê S.A.", 'J', "Sorocaba", "0001 0002", 310, 8, false,
         "", "textiltiete.com.br"},
        {14, "Supermercados Bandeirantes", "Comercial Bandeirantes de Alimentos Ltda", 'J', "Campinas", "0002", 280, 8,
         false, "01=Operador de loja|02=Dependente|07=Aposentado", "bandeirantes.com.br"},
        {15, "Autopeças Anhanguera", "Anhanguera Componentes Automotivos Ltda", 'J', "Campinas", "0001 0002", 390, 8,
         false, "", "anhanguera-autopecas.com.br"},
        {16, "Estaleiro Guanabara", "Estaleiro Guanabara Construção Naval S.A.", 'J', "Niterói", "0003", 450, 7, false,
         "", "estaleiroguanabara.com.br"},
        {17, "Petroquímica Baixada", "Petroquímica da Baixada Fluminense S.A.", 'J', "Duque de Caxias", "0003", 330, 8,
         false, "", "petrobaixada.com.br"},
        {18, "Hotel Copacabana Sol", "Copacabana Sol Hotelaria Ltda", 'J', "Rio de Janeiro", "0003", 120, 8, false, "",
         "copacabanasol.com.br"},
        {19, "Siderúrgica Sul Fluminense", "Siderúrgica Sul Fluminense S.A.", 'J', "Volta Redonda", "0003 0004", 600, 8,
         false, "", "sidersul.com.br"},
        {20, "Clínica Serrana", "Clínica Médica Serrana Ltda", 'J', "Petrópolis", "0003", 60, 7, true, "",
         "clinicaserrana.med.br"},
        {21, "Mineração Serra Azul", "Mineração Serra Azul S.A.", 'J', "Belo Horizonte", "0004", 560, 8, false, "",
         "serraazul.com.br"},
        {22, "Laticínios Boa Vista", "Laticínios Boa Vista Ltda", 'J', "Juiz de Fora", "0004", 190, 8, false, "",
         "laticiniosboavista.com.br"},
        {23, "Autometal Contagem", "Autometal Estamparia Contagem Ltda", 'J', "Contagem", "0004", 250, 8, false, "",
         "autometal.com.br"},
        {24, "Frigorífico Triângulo", "Frigorífico Triângulo Mineiro Ltda", 'J', "Uberlândia", "0004 0001", 370, 8,
         false, "", "frigotriangulo.com.br"},
        {25, "Transportadora Rota Sul", "Transportadora Rota Sul Ltda", 'J', "Curitiba", "0001 0002", 220, 8, false, "",
         "rotasul.com.br"},
        {26, "Rota Sul Logística", "Rota Sul Logística e Armazéns Ltda", 'J', "Curitiba", "0001", 70, 8, false, "",
         "rotasul.com.br"},
        {27, "Cooperativa Campos Gerais", "Cooperativa Agroindustrial Campos Gerais", 'J', "Ponta Grossa", "0001", 300,
         8, false, "", "coopcamposgerais.coop.br"},
        {28, "Calçados Vale dos Sinos", "Calçados Vale dos Sinos S.A.", 'J', "Novo Hamburgo", "0001", 330, 8, false, "",
         "valedossinos.com.br"},
        {29, "Vinícola Serra Gaúcha", "Vinícola Serra Gaúcha Ltda", 'J', "Caxias do Sul", "0001", 90, 8, true, "",
         "vinicolaserragaucha.com.br"},
        {30, "Química Camaçari", "Química Camaçari Indústria e Comércio S.A.", 'J', "Camaçari", "0001", 280, 8, false,
         "", "quimicacamacari.com.br"},
        {31, "Farmácias Nordeste", "Farmácias Nordeste Comércio Ltda", 'J', "Recife", "0001", 190, 8, false, "",
         "farmaciasnordeste.com.br"},
        {32, "Fruticultura São Francisco", "Fruticultura Vale do São Francisco Ltda", 'J', "Petrolina", "0001 0003",
         150, 8, false, "", "frutisaofrancisco.com.br"},
        {33, "Shopping Salvador Norte", "Condomínio Shopping Salvador Norte", 'J', "Salvador", "0001", 80, 8, false, "",
         "shoppingsalvadornorte.com.br"},
        {34, "Faculdade do Litoral", "Associação Educacional do Litoral Paulista", 'J', "Santos", "0001", 230, 8, false,
         "01=Docente e técnico|03=Estagiário|05=Visitante", "faculdadelitoral.edu.br"},
        {35, "Gráfica Ipiranga", "Gráfica e Editora Ipiranga Ltda", 'J', "São Paulo", "0001", 100, 8, false, "",
         "graficaipiranga.com.br"},
        {36, "Edifício Paulista Center", "Condomínio Edifício Paulista Center", 'J', "São Paulo", "0001", 25, 6, false,
         "", "paulistacenter.com.br"},
        {37, "Moraes Lacerda Advocacia", "Moraes, Lacerda e Associados Advocacia", 'J', "São Paulo", "0001 0003", 40, 6,
         false, "", "moraeslacerda.adv.br"},
        {38, "Fazenda Boa Esperança", "Antônio Carlos Bittencourt", 'F', "Uberlândia", "0004", 30, 6, false, "", ""},
        {39, "Sítio Recanto Verde", "Maria Aparecida Gonçalves", 'F', "Campinas", "0002", 12, 6, false, "", ""},
        {40, "Consultório Dr. Paulo Siqueira", "Paulo Henrique Siqueira", 'F', "Rio de Janeiro", "0003", 8, 6, false,
         "", ""},
        {41, "Haras Três Corações", "João Batista Carvalho Neto", 'F', "Campinas", "0001 0002", 18, 6, false, "", ""},
        {42, "Móveis Serra do Mar", "Indústria de Móveis Serra do Mar Ltda", 'J', "São José dos Pinhais", "0001", 170,
         8, false, "", "serradomar.ind.br"},
        {43, "Amparo Seguros", "Amparo Seguros S.A.", 'J', "Rio de Janeiro", "0001 0003", 210, 9, false, "",
         "amparoseguros.com.br"},
        {44, "Comercial Marajó", "Comercial Marajó Importação e Exportação Ltda", 'J', "Recife", "", 30, 8, false, "",
         "marajo.com.br"},
    };
    return all;
}

int DemoData::Generator::Random::weighted(const QList<int> &weights)
{
    int total = 0;
    for (int w : weights)
        total += w;
    int x = below(total);
    for (qsizetype i = 0; i < weights.size(); ++i) {
        if (x < weights.at(i))
            return int(i);
        x -= weights.at(i);
    }
    return int(weights.size()) - 1;
}

QString DemoData::Generator::Random::digits(int count)
{
    QString s;
    s.reserve(count);
    for (int i = 0; i < count; ++i)
        s.append(QChar(u'0' + below(10)));
    return s;
}

DemoData::Generator::Generator(QSqlDatabase &db, const Options &options) : m_db(db), m_options(options)
{
    const QList<BrazilNames::Municipality> &cities = BrazilNames::municipalities();
    const QList<BrazilNames::State> &states = BrazilNames::states();
    m_citiesOfState.resize(states.size());
    int base = 0;
    for (qsizetype i = 0; i < cities.size(); ++i) {
        m_districtBase.append(base);
        base += int(cities.at(i).districts.size());
        for (qsizetype s = 0; s < states.size(); ++s) {
            if (states.at(s).uf == cities.at(i).uf)
                m_citiesOfState[s].append(int(i));
        }
    }
}

DemoData::Stats DemoData::Generator::run()
{
    ensureEmpty();
    seedGeography();
    seedBranches();
    seedSellers();
    seedTypes();
    planClients();
    seedClients();
    seedConsumers();
    seedLayouts();
    writeSamples();
    return m_stats;
}

// ---------------------------------------------------------------------------------------------
// Reference tables

void DemoData::Generator::ensureEmpty()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM CLIENTE")) || !q.next())
        throw EErro(QStringLiteral("Não foi possível ler os clientes do banco: %1").arg(q.lastError().text()));
    if (q.value(0).toInt() > 0)
        throw EErro(
            QStringLiteral("O banco já tem clientes; os dados de demonstração só são gravados num banco vazio."));
}

void DemoData::Generator::insert(const QString &table, const char *columnList, const QList<QList<Value>> &rows)
{
    const std::unique_ptr<BulkInsert> bulk = BulkInsert::open(m_db, table, columns(columnList));
    for (const QList<Value> &row : rows)
        bulk->add(row);
    bulk->finish();
}

void DemoData::Generator::seedGeography()
{
    QList<QList<Value>> countries, states, cities, districts;
    for (const BrazilNames::Country &c : BrazilNames::countries())
        countries.append({c.code, c.name});
    const QString brazil = BrazilNames::countries().first().code;
    for (const BrazilNames::State &s : BrazilNames::states())
        states.append({brazil, s.uf, s.name});
    const QList<BrazilNames::Municipality> &all = BrazilNames::municipalities();
    for (int i = 0; i < int(all.size()); ++i) {
        const BrazilNames::Municipality &m = all.at(i);
        cities.append({brazil, m.uf, municipalityCode(i), m.name});
        for (int d = 0; d < int(m.districts.size()); ++d)
            districts.append({brazil, m.uf, municipalityCode(i), districtCode(i, d), m.districts.at(d)});
    }
    insert(QStringLiteral("PAIS"), "CDPAIS,NMPAIS", countries);
    insert(QStringLiteral("ESTADO"), "CDPAIS,SGESTADO,NMESTADO", states);
    insert(QStringLiteral("MUNICIPIO"), "CDPAIS,SGESTADO,CDMUNICIPIO,NMMUNICIPIO", cities);
    insert(QStringLiteral("BAIRRO"), "CDPAIS,SGESTADO,CDMUNICIPIO,CDBAIRRO,NMBAIRRO", districts);
}

void DemoData::Generator::seedBranches()
{
    Random r(1);
    m_companyRoot = uniqueCnpjRoot(r);
    const QList<std::pair<QString, QString>> branches = {
        {QStringLiteral("Matriz São Paulo"), QStringLiteral("SP")},
        {QStringLiteral("Filial Campinas"), QStringLiteral("SP")},
        {QStringLiteral("Filial Rio de Janeiro"), QStringLiteral("RJ")},
        {QStringLiteral("Filial Belo Horizonte"), QStringLiteral("MG")},
    };
    QList<QList<Value>> rows;
    for (int i = 0; i < int(branches.size()); ++i) {
        const QString first12 = m_companyRoot + zeros(i + 1, 4);
        rows.append({zeros(i + 1, 4), branches.at(i).first, QString(first12 + Consiste::CNPJCheckDigits(first12)),
                     branches.at(i).second});
    }
    insert(QStringLiteral("FILIAL"), "CDFILIAL,NMFILIAL,NRINSJURFILI,SGESTADO", rows);
    m_stats.branches = int(rows.size());

    insert(QStringLiteral("PARAVEND"), "NRPARAVEND,QTDIGCDIDCON,CDDIGCDIDCON,IDBLOQCDIDCONS",
           {{1, 8, QString(QLatin1StringView("")), QStringLiteral("N")}});
    const Value none;
    insert(QStringLiteral("PARAFILIAL"), "CDFILIAL,CDLAYOUTIMP,IDIMPBLOLANCNEG",
           {{QStringLiteral("0001"), QStringLiteral("0000000001"), QStringLiteral("N")},
            {QStringLiteral("0002"), QStringLiteral("0000000002"), QStringLiteral("S")},
            {QStringLiteral("0003"), none, QStringLiteral("N")},
            {QStringLiteral("0004"), QStringLiteral("0000000003"), QStringLiteral("N")}});
}

void DemoData::Generator::seedSellers()
{
    Random r(2);
    QList<QList<Value>> rows;
    for (int i = 1; i <= 20; ++i)
        rows.append({zeros(i, 4), makePerson(r).name});
    insert(QStringLiteral("VENDEDOR"), "CDVENDEDOR,NMRAZSOCVEN", rows);
}

void DemoData::Generator::seedTypes()
{
    const QStringList names = QString::fromUtf8("Funcionário|Dependente|Estagiário|Terceirizado|Visitante|Diretoria|"
                                                "Aposentado|Aprendiz")
                                  .split(u'|');
    QList<QList<Value>> types, enabled;
    for (int i = 0; i < int(names.size()); ++i)
        types.append({zeros(i + 1, 2), names.at(i)});
    for (const BranchType &t : kBranchTypes)
        enabled.append({QString::fromLatin1(t.branch), QString::fromLatin1(t.type), QString::fromLatin1(t.external)});
    insert(QStringLiteral("TIPOCONS"), "CDTIPOCONS,NMTIPOCONS", types);
    insert(QStringLiteral("TIPOCONSFILI"), "CDFILIAL,CDTIPOCONS,CDTIPOCONSEX", enabled);
}

// ---------------------------------------------------------------------------------------------
// Clients

void DemoData::Generator::planClients()
{
    const QList<ClientProfile> &profiles = clientProfiles();
    for (int i = 0; i < int(profiles.size()); ++i) {
        const ClientProfile &s = profiles.at(i);
        int n = s.consumers;
        if (n == 0)
            n = m_options.small ? 400 : m_options.bigClientConsumers;
        else if (m_options.small)
            n = qBound(5, n / 60, 40);
        m_clients.append(planClient(s, n, i + 1));
    }
    if (m_options.benchClientConsumers > 0) {
        static const ClientProfile bench = {kBenchClient, "Indústrias Reunidas Vale Verde",
                                         "Indústrias Reunidas Vale Verde S.A.", 'J', "São Paulo", "0001", 0, 8,
                                         false, "", "valeverde.ind.br"};
        m_clients.append(planClient(bench, m_options.benchClientConsumers, 89));
    }
    Client &first = client(kSharedRegistration.first);
    client(kSharedRegistration.second).registration = first.registration;
    for (const Client &c : std::as_const(m_clients))
        m_plannedConsumers += c.consumers;
}

DemoData::Generator::Client DemoData::Generator::planClient(const ClientProfile &profile, int consumers, int index)
{
    Random r(1000 + quint64(profile.number));
    Client c;
    c.profile = &profile;
    c.number = profile.number;
    c.code = zeros(profile.number, 21);
    c.kind = QString(QChar(QLatin1Char(profile.kind)));
    c.fantasy = QString::fromUtf8(profile.fantasy);
    c.legal = QString::fromUtf8(profile.legal);
    c.checkDigit = profile.checkDigit;
    c.consumers = consumers;
    if (profile.kind == 'J') {
        const QString first12 = uniqueCnpjRoot(r) + QStringLiteral("0001");
        c.registration = first12 + Consiste::CNPJCheckDigits(first12);
    } else {
        c.registration = uniqueCpf(r);
    }
    const QString cityName = QString::fromUtf8(profile.city);
    const QList<BrazilNames::Municipality> &cities = BrazilNames::municipalities();
    for (int i = 0; i < int(cities.size()); ++i) {
        if (cities.at(i).name == cityName)
            c.city = i;
    }
    c.branches = QString::fromLatin1(profile.branches).split(u' ', Qt::SkipEmptyParts);
    for (const QString &t : QString::fromUtf8(profile.ownTypes).split(u'|', Qt::SkipEmptyParts))
        c.ownTypes.append({t.section(u'=', 0, 0), t.section(u'=', 1)});
    c.types = consumerTypes(c);
    if (profile.number % 2 == 1)
        c.externalCode = QStringLiteral("C") + zeros(10000 + profile.number * 37, 5);
    if (r.chance(70))
        c.seller = zeros(r.between(1, 20), 4);
    c.mailDomain = QString::fromLatin1(profile.mailDomain);
    c.externalIds = profile.number % 3 != 0;
    planBadges(c, r, index);
    planCostCentres(c, r);
    planDefaults(c, r);
    return c;
}

// Every client has its own two-digit badge prefix, so badges are unique in the database without
// a lookup; the body leaves room above for the exchanged badges and the sample files' new ones.
void DemoData::Generator::planBadges(Client &c, Random &r, int index)
{
    c.badgePrefix = zeros(10 + index, 2);
    c.badgeBody = c.profile->badgeLength - 2 - (c.checkDigit ? 1 : 0);
    auto capacity = [&c] {
        qint64 n = 1;
        for (int i = 0; i < c.badgeBody; ++i)
            n *= 10;
        return n;
    };
    while (capacity() < 3 * qint64(c.consumers) + 2000)
        ++c.badgeBody;
    c.badgeNext = 1 + r.below(int(qMin<qint64>(capacity() / 10, 100000000)));
    c.badgeOld = capacity() - 1;
}

void DemoData::Generator::planCostCentres(Client &c, Random &r)
{
    const QStringList &pool = BrazilNames::costCentres();
    const int count = c.number == 1 ? 10 : r.between(3, 10);
    QList<int> chosen{0};
    while (chosen.size() < count) {
        const int i = r.below(int(pool.size()));
        if (!chosen.contains(i))
            chosen.append(i);
    }
    for (int i = 0; i < count; ++i) {
        c.costCentres.append(zeros(i + 1, 10));
        c.costNames.append(pool.at(chosen.at(i)));
        c.costWeights.append(r.between(1, 8));
    }
}

void DemoData::Generator::planDefaults(Client &c, Random &r)
{
    static const QList<double> limits = {150, 200, 250, 300, 400, 500};
    static const QList<double> subsidies = {0, 0, 100, 150, 220.5, 300};
    static const QList<double> percents = {0, 0, 20, 30, 50, 80};
    static const QList<double> basics = {0, 2.5, 4, 5.5, 7.5};
    c.debitLimit = limits.at(r.below(int(limits.size())));
    c.monthSubsidy = subsidies.at(r.below(int(subsidies.size())));
    c.subsidyPercent = percents.at(r.below(int(percents.size())));
    c.basicSubsidy = basics.at(r.below(int(basics.size())));
}

QStringList DemoData::Generator::branchTypes(QStringView branch) const
{
    QStringList out;
    for (const BranchType &t : kBranchTypes) {
        if (branch == QLatin1StringView(t.branch))
            out.append(QString::fromLatin1(t.type));
    }
    return out;
}

QString DemoData::Generator::externalType(QStringView branch, const QString &type) const
{
    for (const BranchType &t : kBranchTypes) {
        if (branch == QLatin1StringView(t.branch) && type == QLatin1StringView(t.type))
            return QString::fromLatin1(t.external);
    }
    return {};
}

// The types the consumer screen offers for the client at its first branch, in the order of the
// lookup: the client's own enabled there, its own, the branch's, all.
QStringList DemoData::Generator::consumerTypes(const Client &c) const
{
    const QStringList atBranch = branchTypes(c.branches.value(0));
    QStringList own, both;
    for (const auto &t : c.ownTypes) {
        own.append(t.first);
        if (atBranch.contains(t.first))
            both.append(t.first);
    }
    if (!both.isEmpty())
        return both;
    if (!own.isEmpty())
        return own;
    if (!atBranch.isEmpty())
        return atBranch;
    QStringList all;
    for (int i = 1; i <= 8; ++i)
        all.append(zeros(i, 2));
    return all;
}

QString DemoData::Generator::externalCode(int client, QStringView branch, bool importTable) const
{
    for (const ExternalCode &e : kExternalCodes) {
        if (e.client == client && e.importTable == importTable && branch == QLatin1StringView(e.branch))
            return QString::fromLatin1(e.code);
    }
    return {};
}

DemoData::Generator::Client &DemoData::Generator::client(int number)
{
    for (Client &c : m_clients) {
        if (c.number == number)
            return c;
    }
    throw EErro(QStringLiteral("Cliente %1 não está nos dados de demonstração.").arg(number));
}

void DemoData::Generator::seedClients()
{
    insert(QStringLiteral("CLIENTE"),
           "CDCLIENTE,NRINSJURCLIE,IDTPIJURCLIE,NMFANTCLIE,NMRAZSOCCLIE,IDCALCDVCLIE,CDEXCLIENTE", clientRows());
    insert(QStringLiteral("CLIENFILIAL"), "CDCLIENTE,CDFILIAL,CDEXCLIENFIL,IDPERMVENDA", associationRows());
    QList<QList<Value>> codes;
    for (const ExternalCode &e : kExternalCodes) {
        if (e.importTable)
            codes.append({zeros(e.client, 21), QString::fromLatin1(e.branch), QString::fromLatin1(e.code)});
    }
    insert(QStringLiteral("CODEXTERNOIMP"), "CDCLIENTE,CDFILIAL,CDEXCLIENTEIMP", codes);
    insert(QStringLiteral("TIPOCONSCLI"), "CDCLIENTE,CDTIPOCONS,NMTIPOCONSCLI", clientTypeRows());
    insert(QStringLiteral("CCUSCLIE"), "CDCLIENTE,CDCCUSCLIE,NMCCUSCLIE", costCentreRows());
    m_stats.clients = int(m_clients.size());
}

QList<QList<Value>> DemoData::Generator::clientRows() const
{
    QList<QList<Value>> rows;
    for (const Client &c : m_clients)
        rows.append({c.code, c.registration, c.kind, c.fantasy, c.legal,
                     Value(c.checkDigit ? QStringLiteral("2") : QStringLiteral("1")), orNull(c.externalCode)});
    return rows;
}

QList<QList<Value>> DemoData::Generator::associationRows() const
{
    QList<QList<Value>> rows;
    for (const Client &c : m_clients) {
        for (const QString &b : c.branches) {
            const bool sales = !(c.number == kNoSales.first && b == QLatin1StringView(kNoSales.second));
            rows.append({c.code, b, orNull(externalCode(c.number, b, false)), flag(sales)});
        }
    }
    return rows;
}

QList<QList<Value>> DemoData::Generator::clientTypeRows() const
{
    QList<QList<Value>> rows;
    for (const Client &c : m_clients) {
        for (const auto &t : c.ownTypes)
            rows.append({c.code, t.first, t.second});
    }
    return rows;
}

QList<QList<Value>> DemoData::Generator::costCentreRows() const
{
    QList<QList<Value>> rows;
    for (const Client &c : m_clients) {
        for (qsizetype i = 0; i < c.costCentres.size(); ++i)
            rows.append({c.code, c.costCentres.at(i), c.costNames.at(i)});
    }
    return rows;
}

// ---------------------------------------------------------------------------------------------
// Consumers

void DemoData::Generator::seedConsumers()
{
    Sinks sinks;
    sinks.consumiFilial = BulkInsert::open(m_db, QStringLiteral("CONSUMIFILIAL"), columns("CDCLIENTE,CDCONSUMIDOR,CDFILIAL"));
    sinks.regIdent = BulkInsert::open(m_db, QStringLiteral("REGIDENTCONS"), columns("CDIDCONSUMID,CDCLIENTE,CDCONSUMIDOR,DTREGIDENT"));
    for (Client &c : m_clients)
        seedConsumersOf(c, sinks);
    for (std::unique_ptr<BulkInsert> *s : {&sinks.consumidor, &sinks.endecons, &sinks.consumiFilial, &sinks.regIdent}) {
        if (*s)
            (*s)->finish();
    }
    m_stats.consumers = sinks.consumidor ? sinks.consumidor->rowsWritten() : 0;
}

bool DemoData::Generator::isFileClient(int number)
{
    if (number == kFixedFileClient)
        return true;
    return std::find(std::begin(kDelimitedFileClients), std::end(kDelimitedFileClients), number)
        != std::end(kDelimitedFileClients);
}

bool DemoData::Generator::isSectorIndex(const Client &c, int index)
{
    return c.consumers >= 100 && (index == 2 || index == c.consumers / 2);
}

void DemoData::Generator::seedConsumersOf(Client &c, Sinks &sinks)
{
    Random r(100000 + quint64(c.number));
    const bool keep = isFileClient(c.number);
    // Dependants are linked to one of the recent holders: families join a company close in time.
    QList<Holder> holders;
    for (int i = 0; i < c.consumers; ++i) {
        const Consumer p = makeConsumer(c, r, i, holders);
        store(c, r, p, sinks);
        if (keep && p.active && !p.sector && !p.badge.isEmpty())
            c.kept.append({p.number, p.name, p.badge, p.type, p.costCentre, p.cpf, p.email, p.birth,
                           p.limitDebit.isNull() ? c.debitLimit : p.limitDebit.toDouble()});
        if (p.active && !p.sector && !p.dependant) {
            holders.append({p.code, p.name, p.family, p.phone, p.address});
            if (holders.size() > 64)
                holders.removeFirst();
        }
    }
}

DemoData::Generator::Consumer DemoData::Generator::makeConsumer(Client &c, Random &r, int index,
                                                                const QList<Holder> &holders)
{
    Consumer p;
    p.number = c.nextCode;
    c.nextCode += r.chance(5) ? r.between(2, 4) : 1;
    p.code = zeros(p.number, 21);
    p.active = !r.chance(8);
    p.sector = isSectorIndex(c, index);
    p.dependant = !p.sector && !holders.isEmpty() && index != repeatIndex(c) && r.chance(5);
    if (p.sector)
        fillSector(c, r, p, index);
    else if (p.dependant)
        fillDependant(c, r, p, holders.at(r.below(int(holders.size()))));
    else
        fillHolder(c, r, p);
    fillContact(c, r, p);
    fillBadge(c, r, p, index);
    fillLimits(c, r, p);
    fillHabits(r, p);
    fillBranches(c, r, p);
    if (c.externalIds && !p.sector && r.chance(85))
        p.external = c.number % 2 == 0 ? zeros(p.number + 3000, 6) : QString(QStringLiteral("RE") + zeros(p.number, 5));
    if (!c.seller.isEmpty() && r.chance(50))
        p.seller = c.seller;
    return p;
}

void DemoData::Generator::fillHolder(Client &c, Random &r, Consumer &p)
{
    const Person person = makePerson(r);
    p.first = person.first;
    p.family = person.family;
    p.name = person.name;
    p.sex = person.sex;
    p.type = pickType(c, r);
    p.birth = birthFor(r, p.type);
    p.costCentre = pickCostCentre(c, r);
    p.address = makeAddress(r, homeCity(c, r));
    const QString uf = BrazilNames::municipalities().at(p.address.city).uf;
    if (r.chance(75)) {
        p.cpf = uniqueCpf(r);
        p.respName = p.name;
    }
    if (r.chance(75))
        p.rg = rg(r, uf);
    if (r.chance(4))
        p.info = r.pick(BrazilNames::consumerNotes());
}

void DemoData::Generator::fillDependant(Client &c, Random &r, Consumer &p, const Holder &holder)
{
    const QString last = lastSurname(holder.family);
    const Person person = makePerson(r, r.chance(50) ? QString(r.pick(BrazilNames::surnames()) + u' ' + last) : last);
    p.first = person.first;
    p.family = person.family;
    p.name = person.name;
    p.sex = person.sex;
    p.type = c.types.contains(QStringLiteral("02")) ? QStringLiteral("02") : pickType(c, r);
    p.birth = QDate(1990, 1, 1).addDays(r.below(19 * 365));
    p.costCentre = pickCostCentre(c, r);
    p.address = holder.address;
    p.phone = holder.phone;
    p.link = holder.code;
    p.respName = holder.name;
    if (r.chance(30))
        p.cpf = uniqueCpf(r);
    if (r.chance(6))
        p.info = r.pick(BrazilNames::consumerNotes());
}

// A sector buys as a whole (coffee for meetings, the night shift's snacks) on its cost centre.
void DemoData::Generator::fillSector(Client &c, Random &r, Consumer &p, int index)
{
    const int cc = index == 2 ? 0 : int(c.costCentres.size()) - 1;
    p.costCentre = c.costCentres.at(cc);
    p.name = QStringLiteral("Setor ") + c.costNames.at(cc);
    p.type = c.types.first();
    p.address = makeAddress(r, c.city);
    p.active = true;
}

void DemoData::Generator::fillContact(Client &c, Random &r, Consumer &p)
{
    const int ddd = BrazilNames::municipalities().at(p.address.city).ddd;
    if (p.sector) {
        p.phone = landline(r, ddd);
        p.extension = zeros(r.between(2000, 2999), 4);
        return;
    }
    if (r.chance(85))
        p.mobile = mobile(r, ddd);
    if (p.phone.isEmpty() && r.chance(45))
        p.phone = landline(r, ddd);
    if (!p.phone.isEmpty() && r.chance(12))
        p.extension = zeros(r.between(1000, 4999), 4);
    if (r.chance(8))
        p.phone2 = r.chance(50) ? mobile(r, ddd) : landline(r, ddd);
    if (r.chance(1))
        p.fax = landline(r, ddd);
    if (r.chance(60))
        p.email = makeEmail(c, r, p.first, p.family);
}

void DemoData::Generator::fillBadge(Client &c, Random &r, Consumer &p, int index)
{
    const bool repeated = index == repeatIndex(c);
    if (repeated && m_sharedBadges.contains(c.number)) {
        p.badge = m_sharedBadges.value(c.number);
        p.sharedBadge = true;
        return; // its login stays empty: the other consumer of the badge has it as login
    }
    if (!repeated && !p.sector && r.chance(3))
        return; // registered, badge not handed out yet
    p.badge = nextBadge(c, r);
    if (repeated) {
        for (const auto &[from, to] : kSharedBadges) {
            if (from == c.number)
                m_sharedBadges.insert(to, p.badge);
        }
    }
    if (p.sector || r.chance(90))
        p.login = p.badge;
}

void DemoData::Generator::fillLimits(const Client &c, Random &r, Consumer &p)
{
    static const QList<double> limits = {100, 150, 200, 250, 300, 400, 500, 800, 1000};
    static const QList<double> credits = {50, 100, 150, 200};
    static const QList<double> monthly = {300, 400, 500, 600, 800};
    if (p.sector || r.chance(75)) {
        const double limit = p.sector ? 1000 : (r.chance(80) ? c.debitLimit : limits.at(r.below(int(limits.size()))));
        p.limitDebit = limit;
        if (r.chance(50))
            p.warnDebit = std::round(limit * 0.8 / 10) * 10;
        if (r.chance(30))
            p.maxDebit = limit + 100;
    }
    if (!p.sector && r.chance(10)) {
        const double credit = credits.at(r.below(int(credits.size())));
        p.limitCredit = credit;
        p.warnCredit = credit / 2;
        if (r.chance(50))
            p.maxCredit = credit * 2;
    }
    if (p.sector)
        return;
    if (c.monthSubsidy > 0 && r.chance(85))
        p.monthSubsidy = c.monthSubsidy;
    if (c.subsidyPercent > 0 && r.chance(85))
        p.subsidyPercent = c.subsidyPercent;
    if (c.basicSubsidy > 0 && r.chance(90))
        p.basicSubsidy = c.basicSubsidy;
    if (r.chance(30))
        p.monthMax = monthly.at(r.below(int(monthly.size())));
}

void DemoData::Generator::fillHabits(Random &r, Consumer &p)
{
    static const QList<int> saleTypeWeights = {4, 4, 3, 5, 4, 5, 75}; // "1".."7"
    p.balanceCheck = r.chance(35) ? QStringLiteral("S") : QStringLiteral("N");
    p.saleType = QString::number(r.weighted(saleTypeWeights) + 1);
    p.morning = r.chance(30) ? QStringLiteral("S") : QStringLiteral("N");
    p.afternoon = r.chance(25) ? QStringLiteral("S") : QStringLiteral("N");
    p.lunch = r.chance(85) ? QStringLiteral("S") : QStringLiteral("N");
}

void DemoData::Generator::fillBranches(const Client &c, Random &r, Consumer &p)
{
    if (c.branches.isEmpty() || r.chance(5))
        return;
    const QString first = r.chance(70) ? c.branches.first() : r.pick(c.branches);
    p.branches.append(first);
    if (c.branches.size() > 1 && r.chance(30)) {
        QString second = r.pick(c.branches);
        while (second == first)
            second = r.pick(c.branches);
        p.branches.append(second);
    }
    std::sort(p.branches.begin(), p.branches.end());
    if (r.chance(60))
        p.branch = first;
}

void DemoData::Generator::store(Client &c, Random &r, const Consumer &p, Sinks &sinks)
{
    put(sinks.consumidor, m_db, "CONSUMIDOR", consumerFields(c, p));
    for (const QString &b : p.branches)
        sinks.consumiFilial->add({c.code, p.code, b});
    storeBadges(c, r, p, sinks);
    storeAddresses(c, r, p, sinks);
    ++m_ordinal;
}

// About twenty consumers, spread over all clients, had another badge before the current one.
void DemoData::Generator::storeBadges(Client &c, Random &r, const Consumer &p, Sinks &sinks)
{
    if (p.badge.isEmpty())
        return;
    const QDateTime given = registrationTime(r);
    sinks.regIdent->add({p.badge, c.code, p.code, Value(given)});
    const int stride = qMax(1, m_plannedConsumers / 20);
    if (m_ordinal % stride == stride / 2 && !p.sharedBadge)
        sinks.regIdent->add({oldBadge(c, r), c.code, p.code, Value(given.addDays(-r.between(200, 1500)))});
}

void DemoData::Generator::storeAddresses(const Client &c, Random &r, const Consumer &p, Sinks &sinks)
{
    if (p.sector || !r.chance(3))
        return;
    const int count = r.chance(35) ? 2 : 1;
    const QString brazil = BrazilNames::countries().first().code;
    for (int i = 1; i <= count; ++i) {
        const Address a = makeAddress(r, homeCity(c, r));
        const BrazilNames::Municipality &m = BrazilNames::municipalities().at(a.city);
        put(sinks.endecons, m_db, "ENDECONS",
            {{"CDCLIENTE", c.code},
             {"CDCONSUMIDOR", p.code},
             {"CDENDECONS", zeros(i, 2)},
             {"DSENDECONS", a.street},
             {"NRENDECONS", a.number},
             {"NRCEPCONS", a.cep},
             {"CDPAIS", brazil},
             {"SGESTADO", m.uf},
             {"CDMUNICIPIO", municipalityCode(a.city)},
             {"CDBAIRRO", districtCode(a.city, a.district)},
             {"DSCOMPLENDECONS", orNull(a.complement)},
             {"DSREFERENDECONS", orNull(a.reference)}});
    }
}

DemoData::Generator::Fields DemoData::Generator::consumerFields(const Client &c, const Consumer &p) const
{
    const BrazilNames::Municipality &m = BrazilNames::municipalities().at(p.address.city);
    const Value yes(QStringLiteral("S"));
    const Value no(QStringLiteral("N"));
    return {
        {"CDCLIENTE", c.code},
        {"CDCONSUMIDOR", p.code},
        {"NMCONSUMIDOR", p.name},
        {"IDSITCONSUMI", Value(p.active ? QStringLiteral("1") : QStringLiteral("2"))},
        {"CDEXCONSUMID", orNull(p.external)},
        {"CDCCUSCLIE", p.costCentre},
        {"CDTIPOCONS", p.type},
        {"CDPAIS", BrazilNames::countries().first().code},
        {"SGESTADO", m.uf},
        {"CDMUNICIPIO", municipalityCode(p.address.city)},
        {"CDBAIRRO", districtCode(p.address.city, p.address.district)},
        {"NMBAIRCONS", m.districts.at(p.address.district)},
        {"DSENDECONS", p.address.street},
        {"NRENDECONS", p.address.number},
        {"NRCEPCONS", p.address.cep},
        {"DSCOMPLENDECONS", orNull(p.address.complement)},
        {"DSREFERENDECONS", orNull(p.address.reference)},
        {"NRTELECONS", orNull(p.phone)},
        {"NRTELE2CONS", orNull(p.phone2)},
        {"NRRAMAL1CONS", orNull(p.extension)},
        {"NRFAXCONS", orNull(p.fax)},
        {"NRCELULARCONS", orNull(p.mobile)},
        {"DSEMAILCONS", orNull(p.email)},
        {"IDCONSUMIDOR", Value(p.sector ? QStringLiteral("S") : QStringLiteral("C"))},
        {"CDVENDEDOR", orNull(p.seller)},
        {"NRRGCONSUMID", orNull(p.rg)},
        {"NRCPFRESPCON", orNull(p.cpf)},
        {"NMRESPCONS", orNull(p.respName)},
        {"NMLOGINCONS", orNull(p.login)},
        {"CDIDCONSUMID", orNull(p.badge)},
        {"DSINFOCONS", orNull(p.info)},
        {"IDVERSALDCON", p.balanceCheck},
        {"VRAVIDEBCONS", p.warnDebit},
        {"VRLIMDEBCONS", p.limitDebit},
        {"VRMAXDEBCONS", p.maxDebit},
        {"VRAVICREDCONS", p.warnCredit},
        {"VRLIMCREDCONS", p.limitCredit},
        {"VRMAXCREDCONS", p.maxCredit},
        {"VRMESUBCONS", p.monthSubsidy},
        {"VRPESUBCONS", p.subsidyPercent},
        {"VRSUBSBASICO", p.basicSubsidy},
        {"VRMAXCONSMENSAL", p.monthMax},
        {"IDTPVENDACONS", p.saleType},
        {"IDSEXOCONS", p.sex.isNull() ? Value() : Value(QString(p.sex))},
        {"DTNASCCONS", p.birth.isValid() ? Value::date(p.birth) : Value()},
        {"IDIMPCPFCUPOM", yes},
        {"IDCADCONFLIBCON", yes},
        {"IDPERCONSPRODEX", yes},
        {"CDFILIAL", orNull(p.branch)},
        {"IDTPSELMANHA", p.morning},
        {"IDTPSELTARDE", p.afternoon},
        {"IDTPSEALMOCO", p.lunch},
        {"IDCRACHAMESTRE", no},
        {"IDATUCPFCONS", yes},
        {"IDBLOQSALDFS", no},
        {"CDCONSVINCULO", orNull(p.link)},
        {"IDATUCONSONLINE", no},
        {"IDANONIMIZADO", no},
    };
}

void DemoData::Generator::put(std::unique_ptr<BulkInsert> &sink, QSqlDatabase &db, const char *table,
                              const Fields &fields)
{
    if (!sink) {
        QStringList names;
        for (const auto &f : fields)
            names.append(QString::fromLatin1(f.first));
        sink = BulkInsert::open(db, QString::fromLatin1(table), names);
    }
    QList<Value> row;
    row.reserve(fields.size());
    for (const auto &f : fields)
        row.append(f.second);
    sink->add(row);
}

// ---------------------------------------------------------------------------------------------
// People and places

DemoData::Generator::Person DemoData::Generator::makePerson(Random &r, const QString &family)
{
    Person p;
    p.sex = r.chance(52) ? QChar(u'F') : QChar(u'M');
    p.first = r.pick(p.sex == u'F' ? BrazilNames::femaleFirstNames() : BrazilNames::maleFirstNames());
    p.family = family;
    if (p.family.isEmpty()) {
        const QStringList &all = BrazilNames::surnames();
        p.family = r.pick(all);
        if (r.chance(70)) {
            const QString other = r.pick(all);
            if (other != p.family)
                p.family = other + u' ' + p.family;
        }
    }
    p.name = p.first + u' ' + p.family;
    if (p.name.size() > 50) {
        p.family = lastSurname(p.family);
        p.name = p.first + u' ' + p.family;
    }
    return p;
}

QString DemoData::Generator::lastSurname(const QString &family)
{
    static const QStringList particles = {QStringLiteral("da"), QStringLiteral("de"), QStringLiteral("do"),
                                          QStringLiteral("dos"), QStringLiteral("das")};
    const QStringList words = family.split(u' ', Qt::SkipEmptyParts);
    if (words.size() >= 2 && particles.contains(words.at(words.size() - 2)))
        return words.at(words.size() - 2) + u' ' + words.last();
    return words.value(words.size() - 1);
}

QString DemoData::Generator::pickType(const Client &c, Random &r) const
{
    static const QList<int> weightByType = {70, 8, 6, 10, 3, 2, 5, 5}; // "01".."08"
    QList<int> weights;
    for (const QString &t : c.types)
        weights.append(weightByType.at(t.toInt() - 1));
    return c.types.at(r.weighted(weights));
}

QDate DemoData::Generator::birthFor(Random &r, const QString &type) const
{
    int from = 1958, to = 2004;
    if (type == u"07")
        from = 1950, to = 1962;
    else if (type == u"08")
        from = 2003, to = 2008;
    else if (type == u"03")
        from = 1997, to = 2005;
    else if (type == u"02")
        from = 1985, to = 2008;
    const QDate first(from, 1, 1);
    return first.addDays(r.below(int(first.daysTo(QDate(to, 12, 31))) + 1));
}

QString DemoData::Generator::pickCostCentre(const Client &c, Random &r) const
{
    return c.costCentres.at(r.weighted(c.costWeights));
}

DemoData::Generator::Address DemoData::Generator::makeAddress(Random &r, int city)
{
    const BrazilNames::Municipality &m = BrazilNames::municipalities().at(city);
    Address a;
    a.city = city;
    a.district = r.below(int(m.districts.size()));
    a.street = r.pick(BrazilNames::streets());
    if (r.chance(2))
        a.number = QStringLiteral("S/N");
    else
        a.number = QString::number(r.chance(70) ? r.between(1, 999) : r.between(1000, 4999));
    a.cep = zeros(r.between(m.cepFirst, m.cepLast), 5) + u'-' + zeros(r.below(1000), 3);
    if (r.chance(30))
        a.complement = r.pick(BrazilNames::addressComplements());
    if (r.chance(5))
        a.reference = r.pick(BrazilNames::referencePoints());
    return a;
}

int DemoData::Generator::homeCity(const Client &c, Random &r) const
{
    if (r.chance(70))
        return c.city;
    const QString &uf = BrazilNames::municipalities().at(c.city).uf;
    const QList<BrazilNames::State> &states = BrazilNames::states();
    for (qsizetype s = 0; s < states.size(); ++s) {
        if (states.at(s).uf == uf)
            return m_citiesOfState.at(s).at(r.below(int(m_citiesOfState.at(s).size())));
    }
    return c.city;
}

QString DemoData::Generator::badgeOf(const Client &c, qint64 body) const
{
    const QString digits = c.badgePrefix + zeros(body, c.badgeBody);
    return c.checkDigit ? QString(digits + badgeCheckDigit(digits)) : digits;
}

QString DemoData::Generator::nextBadge(Client &c, Random &r)
{
    const QString badge = badgeOf(c, c.badgeNext);
    c.badgeNext += r.chance(30) ? r.between(2, 3) : 1;
    return badge;
}

QString DemoData::Generator::oldBadge(Client &c, Random &r)
{
    const QString badge = badgeOf(c, c.badgeOld);
    c.badgeOld -= r.between(1, 3);
    return badge;
}

QString DemoData::Generator::uniqueCpf(Random &r)
{
    for (;;) {
        const QString nine = r.digits(9);
        if (nine.count(nine.at(0)) == nine.size())
            continue;
        const QString cpf = nine + Consiste::CPFCheckDigits(nine);
        if (!m_cpfs.contains(cpf)) {
            m_cpfs.insert(cpf);
            return cpf;
        }
    }
}

QString DemoData::Generator::uniqueCnpjRoot(Random &r)
{
    for (;;) {
        const QString root = QString::number(r.between(1, 9)) + r.digits(7);
        if (!m_cnpjRoots.contains(root)) {
            m_cnpjRoots.insert(root);
            return root;
        }
    }
}

QString DemoData::Generator::makeEmail(const Client &c, Random &r, const QString &first, const QString &family)
{
    const QString given = asciiWord(first.section(u' ', 0, 0));
    const QString surname = asciiWord(family.section(u' ', -1));
    const bool corporate = !c.mailDomain.isEmpty() && r.chance(65);
    const QString domain = corporate ? c.mailDomain : r.pick(BrazilNames::mailProviders());
    QString local = given + u'.' + surname;
    if (local.size() + domain.size() > 45)
        local = given.left(1) + u'.' + surname;
    const int uses = m_mailUses.value(local + u'@' + domain);
    m_mailUses.insert(local + u'@' + domain, uses + 1);
    if (uses > 0)
        local += QString::number(uses + 1);
    return local + u'@' + domain;
}

QString DemoData::Generator::rg(Random &r, const QString &uf)
{
    const QString d = r.digits(8);
    if (uf == u"SP" || uf == u"RJ") {
        const int check = r.below(11);
        return d.left(2) + u'.' + d.mid(2, 3) + u'.' + d.mid(5, 3) + u'-'
            + (check == 10 ? QChar(u'X') : QChar(u'0' + check));
    }
    if (uf == u"MG")
        return QStringLiteral("MG-") + d.left(2) + u'.' + d.mid(2, 3) + u'.' + d.mid(5, 3);
    return QString::number(r.between(1, 9)) + d.left(7);
}

QString DemoData::Generator::landline(Random &r, int ddd)
{
    return QStringLiteral("(%1) %2-%3").arg(ddd).arg(r.between(2000, 5999)).arg(zeros(r.below(10000), 4));
}

QString DemoData::Generator::mobile(Random &r, int ddd)
{
    return QStringLiteral("(%1) 9%2-%3").arg(ddd).arg(r.between(6000, 9999)).arg(zeros(r.below(10000), 4));
}

QDateTime DemoData::Generator::registrationTime(Random &r)
{
    const QDate day = QDate(2016, 1, 4).addDays(r.below(3100));
    return Value::date(day, QTime(8, 0).addSecs(60 * r.below(600))).toDateTime();
}

} // namespace cns
