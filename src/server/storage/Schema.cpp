#include "Schema.h"

#include "ConsumerRecord.h"
#include "EErro.h"
#include "EErroBanco.h"
#include "SqlDialect.h"

#include <QSqlError>
#include <QSqlQuery>

namespace cns::Schema {

namespace {

// Version 1: the whole system as first delivered.
// Version 2: the link index holds only linked consumers and SQLite keeps the badge register as its
// key's index alone (both lighten what an import of many consumers writes beside them); the site
// access code index is on the code as it is compared.
// Version 3: the site access code index leaves out the consumers without a code, as most imported
// consumers are.
// Version 4: the badge register has an index on the badge as it is compared (without regard to
// case), so that the import's check of each line's badge reads a few rows instead of the register.
// Version 5: the change history of consumers (HISTCONSUMIDOR, HISTCONSLOTE).
//
// Besides the tables below, a connection makes temporary tables of its own for the call that uses
// them (DbSession::temporaryTable): TMPCRACHAIMP (NRLINHA, CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR),
// the badges that getVrIdentificadorLista answers in one query; TMPCONSIMP, columns of CONSUMIDOR,
// the consumers an import updates or inactivates in one statement.
constexpr int kVersion = 5;

TableDef consumidor()
{
    TableDef t(QStringLiteral("CONSUMIDOR"),
               QStringLiteral("consumers of a client: every stored field of the consumer record, and the columns only "
                              "the import fills"));
    for (const ConsumerRecord::FieldInfo &f : ConsumerRecord::fields()) {
        if (ConsumerRecord::isCompanion(f.def.name))
            continue;
        const QByteArray name = f.def.name.toLatin1();
        switch (f.def.type) {
        case FieldType::FixedChar: t.fixed(name.constData(), f.def.size); break;
        case FieldType::Float: t.numeric(name.constData()); break;
        case FieldType::DateTime: t.timestamp(name.constData()); break;
        default: t.varchar(name.constData(), f.def.size); break;
        }
    }
    t.varchar("CDFAMILISALDIMP", 3).numeric("NRACESSOSITE").numeric("VRDIASUBCONS").numeric("VRSALDOCREDIMP");
    t.key({"CDCLIENTE", "CDCONSUMIDOR"});
    t.index("IXCONSUMIDOR_CRACHA", "UPPER(CDIDCONSUMID)");
    t.index("IXCONSUMIDOR_NOME", "CDCLIENTE, NMCONSUMIDOR");
    // As the site access code is compared: trimmed, without regard to case; only the consumers that
    // have one (an import of consumers without codes then writes nothing to it).
    t.sparseIndex("IXCONSUMIDOR_LOGIN", "UPPER(TRIM(NMLOGINCONS))", "NMLOGINCONS IS NOT NULL");
    t.sparseIndex("IXCONSUMIDOR_VINCULO", "CDCLIENTE, CDCONSVINCULO", "CDCONSVINCULO IS NOT NULL");
    return t;
}

// Written by every method that changes consumers, in the transaction of the change (ConsumerHistory),
// read by getHistCons and thinned by cns-server --history-days. One row per changed field: a field
// of CONSUMIDOR, or of a further address (NMTABELA ENDECONS, CDITEMHIST its number), or a branch
// link made or removed (CONSUMIFILIAL, NMCAMPO CDFILIAL). A bulk call adds one row of its own,
// without consumer, whose NMCAMPO is "CHAMADA" and whose new value holds its arguments and counts;
// when the call writes its consumers' changes packed (HISTCONSLOTE), DSVALORLOTE holds the new
// value of each field it sets, alike for all of them, packed as HistoryPack packs.
// Passwords are written "alterada" and fingerprints "capturada" or "removida", never their values.
// DTHRHISTCONS is the server's time in UTC, one per call. Indexed for the one consumer's history
// only: every write pays for an index, and the daily thinning reads the table through once.
TableDef histConsumidor()
{
    return TableDef(QStringLiteral("HISTCONSUMIDOR"), QStringLiteral("change history of consumers: who changed what, and when"))
        .serial("NRHISTCONS")
        .timestamp("DTHRHISTCONS")
        .varchar("CDOPERADOR", 40)
        .varchar("CDFILIAL", 4)
        .varchar("NMMETODO", 30)
        .varchar("CDCLIENTE", 21)
        .varchar("CDCONSUMIDOR", 21)
        .varchar("NMTABELA", 30)
        .varchar("CDITEMHIST", 21)
        .varchar("NMCAMPO", 30)
        .varchar("DSVALORANT", 2000)
        .varchar("DSVALORNOVO", 2000)
        .varchar("DSVALORLOTE", 2000)
        .index("IXHISTCONSUMIDOR_CONSUMIDOR", "CDCLIENTE, CDCONSUMIDOR");
}

// The changes a bulk call made to each consumer of CONSUMIDOR, one narrow row per consumer and call
// (NRHISTCONS: the call's own row in HISTCONSUMIDOR, which says who, when, how and the new values):
// DSVALORANT holds each changed field with its value before, packed (HistoryPack); null: the call
// included the consumer. A bulk call changes up to a hundred thousand consumers at a time, and one
// row of HISTCONSUMIDOR per changed field cost it several times its UPDATE. Stored as its key
// alone where the database can, in the order of the calls: a call's rows are appended together,
// and no other index is paid (a consumer's rows are reached through the calls' rows).
TableDef histConsLote()
{
    return TableDef(QStringLiteral("HISTCONSLOTE"), QStringLiteral("changes of a bulk call to each consumer, packed"))
        .varchar("CDCLIENTE", 21)
        .varchar("CDCONSUMIDOR", 21)
        .bigint("NRHISTCONS")
        .varchar("DSVALORANT", 2000)
        .key({"NRHISTCONS", "CDCLIENTE", "CDCONSUMIDOR"})
        .keyOnly();
}

QList<TableDef> build()
{
    QList<TableDef> all;
    all.append(TableDef(QStringLiteral("VERSAOBANCO"), QStringLiteral("version of this schema, one row"))
                   .integer("NRVERSAO", true));
    all.append(TableDef(QStringLiteral("FILIAL"), QStringLiteral("branches of the installation"))
                   .varchar("CDFILIAL", 4).varchar("NMFILIAL", 30).varchar("NRINSJURFILI", 20).varchar("SGESTADO", 2)
                   .key({"CDFILIAL"}));
    all.append(TableDef(QStringLiteral("CLIENTE"), QStringLiteral("client companies and persons"))
                   .varchar("CDCLIENTE", 21).varchar("NRINSJURCLIE", 20).varchar("IDTPIJURCLIE", 1)
                   .varchar("NMFANTCLIE", 50).varchar("NMRAZSOCCLIE", 50).varchar("IDCALCDVCLIE", 1)
                   .varchar("CDEXCLIENTE", 21)
                   .key({"CDCLIENTE"})
                   .index("IXCLIENTE_INSCRICAO", "NRINSJURCLIE")
                   .index("IXCLIENTE_EXTERNO", "CDEXCLIENTE"));
    all.append(TableDef(QStringLiteral("CLIENFILIAL"),
                        QStringLiteral("branches a client is associated with; IDPERMVENDA 'N': sales not allowed there; "
                                       "CDEXCLIENFIL: the client's code at that branch in import files"))
                   .varchar("CDCLIENTE", 21).varchar("CDFILIAL", 4).varchar("CDEXCLIENFIL", 21).varchar("IDPERMVENDA", 1)
                   .key({"CDCLIENTE", "CDFILIAL"})
                   .index("IXCLIENFILIAL_FILIAL", "CDFILIAL, CDCLIENTE")
                   .index("IXCLIENFILIAL_EXTERNO", "CDFILIAL, CDEXCLIENFIL"));
    all.append(consumidor());
    all.append(TableDef(QStringLiteral("CONSUMIFILIAL"), QStringLiteral("branches where a consumer may buy"))
                   .varchar("CDCLIENTE", 21).varchar("CDCONSUMIDOR", 21).varchar("CDFILIAL", 4)
                   .key({"CDCLIENTE", "CDCONSUMIDOR", "CDFILIAL"})
                   .index("IXCONSUMIFILIAL_FILIAL", "CDFILIAL"));
    all.append(TableDef(QStringLiteral("ENDECONS"), QStringLiteral("further addresses of a consumer"))
                   .varchar("CDCLIENTE", 21).varchar("CDCONSUMIDOR", 21).varchar("CDENDECONS", 2)
                   .varchar("DSENDECONS", 100).varchar("NRENDECONS", 10).varchar("NRCEPCONS", 15).varchar("CDPAIS", 4)
                   .varchar("SGESTADO", 2).varchar("CDMUNICIPIO", 4).varchar("CDBAIRRO", 10)
                   .varchar("DSCOMPLENDECONS", 100).varchar("DSREFERENDECONS", 2000).varchar("NMQUADRANTECONS", 20)
                   .key({"CDCLIENTE", "CDCONSUMIDOR", "CDENDECONS"}));
    all.append(TableDef(QStringLiteral("CCUSCLIE"), QStringLiteral("cost centres of a client"))
                   .varchar("CDCLIENTE", 21).varchar("CDCCUSCLIE", 10).varchar("NMCCUSCLIE", 40)
                   .key({"CDCLIENTE", "CDCCUSCLIE"}));
    all.append(TableDef(QStringLiteral("TIPOCONS"), QStringLiteral("consumer types of the installation"))
                   .varchar("CDTIPOCONS", 2).varchar("NMTIPOCONS", 20)
                   .key({"CDTIPOCONS"}));
    all.append(TableDef(QStringLiteral("TIPOCONSCLI"), QStringLiteral("consumer types of a client, with its own names"))
                   .varchar("CDCLIENTE", 21).varchar("CDTIPOCONS", 2).varchar("NMTIPOCONSCLI", 40)
                   .key({"CDCLIENTE", "CDTIPOCONS"}));
    all.append(TableDef(QStringLiteral("TIPOCONSFILI"),
                        QStringLiteral("consumer types enabled at a branch; CDTIPOCONSEX: the code import files use"))
                   .varchar("CDFILIAL", 4).varchar("CDTIPOCONS", 2).varchar("CDTIPOCONSEX", 10)
                   .key({"CDFILIAL", "CDTIPOCONS"})
                   .index("IXTIPOCONSFILI_EXTERNO", "CDFILIAL, CDTIPOCONSEX"));
    all.append(TableDef(QStringLiteral("VENDEDOR"), QStringLiteral("sellers"))
                   .varchar("CDVENDEDOR", 4).varchar("NMRAZSOCVEN", 50)
                   .key({"CDVENDEDOR"}));
    all.append(TableDef(QStringLiteral("PAIS"), QStringLiteral("countries")).varchar("CDPAIS", 4).varchar("NMPAIS", 30).key({"CDPAIS"}));
    all.append(TableDef(QStringLiteral("ESTADO"), QStringLiteral("states of a country"))
                   .varchar("CDPAIS", 4).varchar("SGESTADO", 2).varchar("NMESTADO", 30)
                   .key({"CDPAIS", "SGESTADO"}));
    all.append(TableDef(QStringLiteral("MUNICIPIO"), QStringLiteral("municipalities of a state"))
                   .varchar("CDPAIS", 4).varchar("SGESTADO", 2).varchar("CDMUNICIPIO", 4).varchar("NMMUNICIPIO", 30)
                   .key({"CDPAIS", "SGESTADO", "CDMUNICIPIO"}));
    all.append(TableDef(QStringLiteral("BAIRRO"), QStringLiteral("districts of a municipality"))
                   .varchar("CDPAIS", 4).varchar("SGESTADO", 2).varchar("CDMUNICIPIO", 4).varchar("CDBAIRRO", 10)
                   .varchar("NMBAIRRO", 50)
                   .key({"CDPAIS", "SGESTADO", "CDMUNICIPIO", "CDBAIRRO"}));
    all.append(TableDef(QStringLiteral("PARAVEND"),
                        QStringLiteral("sales parameters, one row; IDBLOQCDIDCONS 'S': a badge is unique in the whole "
                                       "database"))
                   .integer("NRPARAVEND", true).numeric("QTDIGCDIDCON").varchar("CDDIGCDIDCON", 10)
                   .varchar("IDBLOQCDIDCONS", 1)
                   .key({"NRPARAVEND"}));
    all.append(TableDef(QStringLiteral("PARAFILIAL"),
                        QStringLiteral("parameters of a branch: its default import layout (CDLAYOUTIMP), and "
                                       "IDIMPBLOLANCNEG 'S': imported debit limits are made negative"))
                   .varchar("CDFILIAL", 4).varchar("CDLAYOUTIMP", 10).varchar("IDIMPBLOLANCNEG", 1)
                   .key({"CDFILIAL"}));
    all.append(TableDef(QStringLiteral("LAYOUTIMP"), QStringLiteral("import layouts"))
                   .varchar("CDLAYOUTIMP", 10).varchar("NMLAYOUTIMP", 50).varchar("IDSEPARCAMPO", 1)
                   .varchar("IDCARACDELIM", 1).varchar("IDINACONSARQIMP", 1).varchar("CDFILIAL", 4)
                   .varchar("IDPARALISAIMPARQ", 1).varchar("IDREMOVEZEROESQ", 1)
                   .key({"CDLAYOUTIMP"}));
    all.append(TableDef(QStringLiteral("TABLAYOUTIMP"), QStringLiteral("files an import layout reads"))
                   .varchar("CDLAYOUTIMP", 10).integer("NRSEQTABELAY", true).varchar("NMARQLAYIMP", 250)
                   .key({"CDLAYOUTIMP", "NRSEQTABELAY"}));
    all.append(TableDef(QStringLiteral("COLLAYOUTIMP"), QStringLiteral("columns of an import layout file"))
                   .varchar("CDLAYOUTIMP", 10).integer("NRSEQTABELAY", true).integer("NRSEQCOLULAY", true)
                   .varchar("IDFUNARQLAY", 3).integer("NRPOSICOLLAY").integer("NRTAMCOLLAY").integer("NRCASASDECIM")
                   .varchar("DSDEFACOLLAY", 50).varchar("IDGERSEQCOLU", 1).varchar("IDTDADCOLLAY", 1)
                   .varchar("IDGERCODCOLU", 1).varchar("CDFRMTCOLLAY", 3).varchar("NMTABELAIMP", 30)
                   .varchar("NMCOLUNAIMP", 30).varchar("DSCONCATESQ", 50).varchar("DSCONCATDIR", 50)
                   .key({"CDLAYOUTIMP", "NRSEQTABELAY", "NRSEQCOLULAY"}));
    all.append(TableDef(QStringLiteral("VALLAYOUTIMP"), QStringLiteral("value rules that pick the record lines of a layout file"))
                   .varchar("CDLAYOUTIMP", 10).integer("NRSEQTABELAY", true).integer("NRSEQVALLAY", true)
                   .integer("NRPOSINIVALLAY").integer("NRTAMVALLAY").varchar("DSVALVALLAY", 300)
                   .key({"CDLAYOUTIMP", "NRSEQTABELAY", "NRSEQVALLAY"}));
    all.append(TableDef(QStringLiteral("CODEXTERNOIMP"),
                        QStringLiteral("external codes of a client per branch, by which import files name it"))
                   .varchar("CDCLIENTE", 21).varchar("CDFILIAL", 4).varchar("CDEXCLIENTEIMP", 21)
                   .key({"CDCLIENTE", "CDFILIAL", "CDEXCLIENTEIMP"})
                   .index("IXCODEXTERNOIMP_FILIAL", "CDFILIAL, CDEXCLIENTEIMP"));
    all.append(TableDef(QStringLiteral("REGIDENTCONS"),
                        QStringLiteral("register of the badges given to consumers, kept when a badge is exchanged"))
                   .varchar("CDIDCONSUMID", 21).varchar("CDCLIENTE", 21).varchar("CDCONSUMIDOR", 21).timestamp("DTREGIDENT")
                   .key({"CDIDCONSUMID", "CDCLIENTE", "CDCONSUMIDOR"})
                   .keyOnly()
                   .index("IXREGIDENTCONS_CONSUMIDOR", "CDCLIENTE, CDCONSUMIDOR")
                   .index("IXREGIDENTCONS_CRACHA", "UPPER(CDIDCONSUMID)"));
    all.append(TableDef(QStringLiteral("ANONIMIZACONS"),
                        QStringLiteral("anonymisation requests: who asked, when, and the request document"))
                   .integer("NRANONIMIZA", true).varchar("CDCLIENTE", 21).varchar("CDCONSUMIDOR", 21)
                   .varchar("CDOPERADOR", 12).varchar("NMOPERADOR", 40).varchar("NMARQANONIMIZA", 150)
                   .blob("DSARQANONIMIZA").timestamp("DTANONIMIZA")
                   .key({"NRANONIMIZA"})
                   .index("IXANONIMIZACONS_CONSUMIDOR", "CDCLIENTE, CDCONSUMIDOR"));
    all.append(histConsumidor());
    all.append(histConsLote());
    return all;
}

void exec(QSqlQuery &q, const QString &sql)
{
    if (!q.exec(sql))
        throw EErroBanco(QStringLiteral("Falha ao criar o banco: %1\n%2").arg(q.lastError().text(), sql));
}

} // namespace

const QList<TableDef> &tables()
{
    static const QList<TableDef> all = build();
    return all;
}

const TableDef &table(QStringView name)
{
    for (const TableDef &t : tables()) {
        if (t.name().compare(name, Qt::CaseInsensitive) == 0)
            return t;
    }
    throw EErro(QStringLiteral("Tabela %1 não existe no esquema.").arg(name));
}

int currentVersion()
{
    return kVersion;
}

int installedVersion(QSqlDatabase &db)
{
    if (!db.tables().contains(QStringLiteral("VERSAOBANCO"), Qt::CaseInsensitive))
        return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(NRVERSAO) FROM VERSAOBANCO")) || !q.next())
        throw EErroBanco(QStringLiteral("Não foi possível ler a versão do banco: %1").arg(q.lastError().text()));
    return q.value(0).toInt();
}

namespace {

// A consumer index dropped and made again as the current version defines it.
void recreateIndex(QSqlQuery &q, const char16_t *name)
{
    const TableDef &consumers = table(u"CONSUMIDOR");
    exec(q, QStringLiteral("DROP INDEX %1").arg(QStringView(name)));
    exec(q, consumers.createIndexStatement(*consumers.index(name)));
}

void upgradeFrom1(QSqlQuery &q, const SqlDialect &dialect)
{
    // The site access code index is made again by the step from version 2.
    recreateIndex(q, u"IXCONSUMIDOR_VINCULO");
    if (dialect.keyOnlyTable.isEmpty())
        return;
    // The register is rebuilt in its new form, its rows copied over.
    exec(q, QStringLiteral("DROP INDEX IXREGIDENTCONS_CONSUMIDOR"));
    exec(q, QStringLiteral("ALTER TABLE REGIDENTCONS RENAME TO REGIDENTCONS_V1"));
    for (const QString &stmt : table(u"REGIDENTCONS").createStatements(dialect))
        exec(q, stmt);
    exec(q, QStringLiteral("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR, DTREGIDENT) "
                           "SELECT CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR, DTREGIDENT FROM REGIDENTCONS_V1"));
    exec(q, QStringLiteral("DROP TABLE REGIDENTCONS_V1"));
}

void upgradeFrom2(QSqlQuery &q)
{
    recreateIndex(q, u"IXCONSUMIDOR_LOGIN");
}

void upgradeFrom3(QSqlQuery &q)
{
    // The step from version 1 may have made it already, with the register made anew.
    const TableDef &reg = table(u"REGIDENTCONS");
    exec(q, reg.createIndexStatement(*reg.index(u"IXREGIDENTCONS_CRACHA"))
                .replace(QStringLiteral("CREATE INDEX"), QStringLiteral("CREATE INDEX IF NOT EXISTS")));
}

void upgradeFrom4(QSqlQuery &q, const SqlDialect &dialect)
{
    // Made only where it is missing, as the step from version 3 makes its index.
    for (const char16_t *name : {u"HISTCONSUMIDOR", u"HISTCONSLOTE"}) {
        for (QString stmt : table(name).createStatements(dialect)) {
            stmt.replace(QStringLiteral("CREATE TABLE"), QStringLiteral("CREATE TABLE IF NOT EXISTS"));
            exec(q, stmt.replace(QStringLiteral("CREATE INDEX"), QStringLiteral("CREATE INDEX IF NOT EXISTS")));
        }
    }
}

} // namespace

void createOrUpgrade(QSqlDatabase &db)
{
    const int installed = installedVersion(db);
    if (installed > kVersion)
        throw EErro(QStringLiteral("O banco está na versão %1, mais nova que a deste servidor (%2).").arg(installed).arg(kVersion));
    if (installed == kVersion)
        return;
    const SqlDialect &dialect = SqlDialect::of(db);
    QSqlQuery q(db);
    if (!db.transaction())
        throw EErroBanco(QStringLiteral("Não foi possível iniciar a criação do banco: %1").arg(db.lastError().text()));
    try {
        if (installed == 0) {
            for (const TableDef &t : tables()) {
                for (const QString &stmt : t.createStatements(dialect))
                    exec(q, stmt);
            }
        }
        if (installed == 1)
            upgradeFrom1(q, dialect);
        if (installed >= 1 && installed <= 2)
            upgradeFrom2(q);
        if (installed >= 1 && installed <= 3)
            upgradeFrom3(q);
        if (installed >= 1 && installed <= 4)
            upgradeFrom4(q, dialect);
        // Later versions add their steps here, each from the version before it.
        exec(q, QStringLiteral("DELETE FROM VERSAOBANCO"));
        exec(q, QStringLiteral("INSERT INTO VERSAOBANCO (NRVERSAO) VALUES (%1)").arg(kVersion));
        if (!db.commit())
            throw EErroBanco(QStringLiteral("Não foi possível gravar a criação do banco: %1").arg(db.lastError().text()));
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace cns::Schema
