#include "ServerFixture.h"

#include "DbSession.h"
#include "DemoData.h"
#include "Schema.h"
#include "SqlRows.h"
#include "TestDatabases.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

using namespace cns;

namespace ServerFixture {

QString client(int n)
{
    return QStringLiteral("%1").arg(n, 21, 10, QLatin1Char('0'));
}

QString consumer(int n)
{
    return QStringLiteral("%1").arg(n, 21, 10, QLatin1Char('0'));
}

QString consumerName(int n)
{
    static const QStringList first = {"Ana", "Bruno", "Carla", "Daniel", "Eduarda", "Fábio", "Gabriela", "Heitor",
                                      "Isabela", "João", "Karina", "Lucas", "Mariana", "Nicolas", "Otávio"};
    static const QStringList last = {"Silva", "Souza", "Oliveira", "Santos", "Pereira"};
    return first.at(n % first.size()) + u' ' + last.at((n / first.size()) % last.size()) + QStringLiteral(" %1").arg(n);
}

namespace {

void run(DbSession &s, const QString &sql, const QHash<QString, Value> &p = {})
{
    s.exec(sql, p);
}

Value t(const QString &s)
{
    return Value(s);
}

void seed(DbSession &s)
{
    run(s, QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'Matriz São Paulo'), "
                          "('0002', 'Filial Campinas'), ('0003', 'Filial Rio de Janeiro')"));
    run(s, QStringLiteral("INSERT INTO PARAVEND (NRPARAVEND, QTDIGCDIDCON, CDDIGCDIDCON, IDBLOQCDIDCONS) VALUES (1, 8, '', 'N')"));
    const QString ins = QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, NMRAZSOCCLIE, "
                                       "IDCALCDVCLIE) VALUES (:C, :N, :T, :F, :R, :D)");
    const QList<QStringList> clients = {{"11222333000181", "J", "Alfa Refeições", "Alfa Refeições Ltda", "1"},
                                        {"11222333000181", "J", "Alfa Filial", "Alfa Refeições Campinas Ltda", "2"},
                                        {"52998224725", "F", "João da Silva", "João da Silva", "1"},
                                        {"45723174000110", "J", "Sem Filial", "Sem Filial SA", "1"}};
    for (int i = 0; i < clients.size(); ++i) {
        const QStringList &c = clients.at(i);
        run(s, ins, {{"C", t(client(i + 1))}, {"N", t(c[0])}, {"T", t(c[1])}, {"F", t(c[2])}, {"R", t(c[3])}, {"D", t(c[4])}});
    }
    const QString link = QStringLiteral("INSERT INTO CLIENFILIAL (CDCLIENTE, CDFILIAL) VALUES (:C, :F)");
    for (const auto &[c, f] : QList<QPair<int, QString>>{{1, "0001"}, {1, "0002"}, {2, "0002"}, {3, "0003"}})
        run(s, link, {{"C", t(client(c))}, {"F", t(f)}});
    run(s, QStringLiteral("INSERT INTO TIPOCONS (CDTIPOCONS, NMTIPOCONS) VALUES ('01', 'Funcionário'), ('02', 'Dependente')"));
    run(s, QStringLiteral("INSERT INTO TIPOCONSCLI (CDCLIENTE, CDTIPOCONS, NMTIPOCONSCLI) VALUES (:C, '01', 'Colaborador')"),
        {{"C", t(client(1))}});
    run(s, QStringLiteral("INSERT INTO CCUSCLIE (CDCLIENTE, CDCCUSCLIE, NMCCUSCLIE) VALUES (:C, '0000000001', 'Administrativo')"),
        {{"C", t(client(1))}});
    run(s, QStringLiteral("INSERT INTO VENDEDOR (CDVENDEDOR, NMRAZSOCVEN) VALUES ('0001', 'Carlos Vendas')"));
    run(s, QStringLiteral("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'Brasil')"));
    run(s, QStringLiteral("INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('1058', 'SP', 'São Paulo')"));
    run(s, QStringLiteral("INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO) VALUES ('1058', 'SP', '0001', 'São Paulo')"));
    run(s, QStringLiteral("INSERT INTO BAIRRO (CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, NMBAIRRO) VALUES "
                          "('1058', 'SP', '0001', '0000000001', 'Centro')"));
    const QString cons = QStringLiteral(
        "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDSITCONSUMI, CDTIPOCONS, CDCCUSCLIE, CDIDCONSUMID, "
        "CDVENDEDOR, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, VRLIMDEBCONS, DTNASCCONS, IDSEXOCONS, CDCONSVINCULO) "
        "VALUES (:C, :K, :N, :S, :T, '0000000001', :B, '0001', '1058', 'SP', '0001', '0000000001', :V, :D, 'F', :L)");
    for (int n = 1; n <= kClient1Consumers; ++n) {
        run(s, cons,
            {{"C", t(client(1))}, {"K", t(consumer(n))}, {"N", t(consumerName(n))}, {"S", t(n % 10 == 0 ? "2" : "1")},
             {"T", t(n % 3 == 0 ? "02" : "01")}, {"B", t(QStringLiteral("B%1").arg(10000 + n))},
             {"V", n % 4 == 0 ? Value() : Value(n * 1.5)}, {"D", Value::date(QDate(1980, 1, 1).addDays(n))},
             {"L", n == 2 ? t(consumer(1)) : Value()}});
    }
    for (int n = 1; n <= 3; ++n) {
        run(s, cons,
            {{"C", t(client(2))}, {"K", t(consumer(n))}, {"N", t(QStringLiteral("Consumidor %1 da filial").arg(n))},
             {"S", t("1")}, {"T", t("02")}, {"B", t(QStringLiteral("C%1").arg(n))}, {"V", Value()},
             {"D", Value()}, {"L", Value()}});
    }
    const QString cf = QStringLiteral("INSERT INTO CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL) VALUES (:C, :K, :F)");
    run(s, cf, {{"C", t(client(1))}, {"K", t(consumer(1))}, {"F", t("0002")}});
    run(s, cf, {{"C", t(client(1))}, {"K", t(consumer(1))}, {"F", t("0001")}});
    run(s, QStringLiteral("INSERT INTO ENDECONS (CDCLIENTE, CDCONSUMIDOR, CDENDECONS, DSENDECONS, CDPAIS, SGESTADO, "
                          "CDMUNICIPIO, CDBAIRRO) VALUES (:C, :K, '01', 'Rua Augusta, 100', '1058', 'SP', '0001', '0000000001')"),
        {{"C", t(client(1))}, {"K", t(consumer(1))}});
}

} // namespace

QString create(const QString &backend, const QString &suite)
{
    const QString url = backend == u"sqlite" ? TestDatabases::freshSqlite(suite) : TestDatabases::freshPostgres(suite);
    if (url.isEmpty())
        return {};
    DbSession &s = DbSession::forThread(DatabaseUrl::parse(url));
    Schema::createOrUpgrade(s.db());
    s.begin(true);
    seed(s);
    s.commit();
    return url;
}

QMap<QString, QString> createAll(const QString &suite)
{
    QMap<QString, QString> urls;
    for (const QString backend : {"sqlite", "postgresql"}) {
        const QString url = create(backend, suite);
        if (!url.isEmpty())
            urls.insert(backend, url);
        else
            qWarning("PostgreSQL not running (CNS_TEST_PG_URL unset): only SQLite is tested");
    }
    return urls;
}

QStringList column(const Packet &p, const QString &field)
{
    QStringList out;
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        out.append(p.value(i, field).toString());
    return out;
}

void backendRows(const QStringList &backends)
{
    QTest::addColumn<QString>("backend");
    for (const QString &b : backends)
        QTest::newRow(qPrintable(b)) << b;
}

QString createDemo(const QString &suite, const QString &sampleFilesDir)
{
    const QString url = TestDatabases::freshSqlite(suite);
    DbSession &s = DbSession::forThread(DatabaseUrl::parse(url));
    Schema::createOrUpgrade(s.db());
    DemoData::Options options;
    options.small = true;
    options.sampleFilesDir = sampleFilesDir;
    DemoData::seed(s.db(), options);
    return url;
}

std::unique_ptr<Dispatcher> dispatcher(const QString &url)
{
    auto d = Dispatcher::standard(DatabaseUrl::parse(url));
    d->setLogSink(nullptr);
    return d;
}

QMap<QString, std::shared_ptr<Dispatcher>> dispatchers(const QString &suite, const std::function<void(DbSession &)> &seed)
{
    QMap<QString, std::shared_ptr<Dispatcher>> out;
    const QMap<QString, QString> urls = createAll(suite);
    for (auto it = urls.cbegin(); it != urls.cend(); ++it) {
        if (seed)
            seed(DbSession::forThread(DatabaseUrl::parse(it.value())));
        out.insert(it.key(), dispatcher(it.value()));
    }
    return out;
}

void offThread(const std::function<void()> &f)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        f();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
}

} // namespace ServerFixture
