#include "RdmImportConsu.h"

#include "BulkInsert.h"
#include "DbSession.h"
#include "EErro.h"
#include "ImportWriter.h"
#include "MethodCall.h"

namespace cns::RdmImportConsu {

namespace {

using Kind = RemoteMethod::Kind;

RemoteMethod::Arg text(const char *name)
{
    return {QString::fromUtf8(name), Kind::Text};
}

FieldDef t(const char *name, int size)
{
    return {QString::fromLatin1(name), FieldType::String, size};
}

FieldDef n(const char *name)
{
    return {QString::fromLatin1(name), FieldType::Integer, 0};
}

Value one(const Packet &p)
{
    return Value(QList<Value>{Value(p)});
}

Value select(MethodCall &call, const QString &sql, const QHash<QString, Value> &params, const QList<FieldDef> &fields)
{
    return one(call.db().select(sql, params, fields));
}

// A file sequence as the screen sends it (a text); a clear error when it is no number.
int sequence(const MethodCall &call, int arg)
{
    const QString s = call.text(arg).trimmed();
    bool ok = false;
    const int n = s.toInt(&ok);
    if (!ok)
        throw EErro(QStringLiteral("%1: a sequência de arquivo \"%2\" não é um número.").arg(call.method(), s));
    return n;
}

// Layouts: the one code (second argument empty) or all ("T"), offered at the branch filter ("T":
// every branch). A layout without a branch is offered too, so that the screen can say why it
// cannot import with it.
Value getLayoutImp(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT CDLAYOUTIMP, NMLAYOUTIMP, IDSEPARCAMPO, IDCARACDELIM, IDINACONSARQIMP, CDFILIAL, "
                                 "IDPARALISAIMPARQ, IDREMOVEZEROESQ FROM LAYOUTIMP "
                                 "WHERE (:P_TODOS = 'T' OR CDLAYOUTIMP = :P_CDLAYOUTIMP) "
                                 "AND (:P_CDFILIAL = 'T' OR CDFILIAL = :P_CDFILIAL OR CDFILIAL IS NULL OR CDFILIAL = '') "
                                 "ORDER BY CDLAYOUTIMP"),
                  {{QStringLiteral("P_CDLAYOUTIMP"), Value(call.text(0).trimmed())},
                   {QStringLiteral("P_TODOS"), Value(call.text(1).trimmed())},
                   {QStringLiteral("P_CDFILIAL"), Value(call.text(2).trimmed())}},
                  {t("CDLAYOUTIMP", 10), t("NMLAYOUTIMP", 50), t("IDSEPARCAMPO", 1), t("IDCARACDELIM", 1), t("IDINACONSARQIMP", 1),
                   t("CDFILIAL", 4), t("IDPARALISAIMPARQ", 1), t("IDREMOVEZEROESQ", 1)});
}

// The files of a layout, in their sequence. The sequences go out as texts; the order is the
// numbers' own: ORDER BY names the table's column through its alias, since PostgreSQL would take a
// bare name for the output column of the same name, the text, and put "10" before "2".
Value getTabLayoutImp(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT T.NMARQLAYIMP, T.CDLAYOUTIMP, CAST(T.NRSEQTABELAY AS VARCHAR(20)) FROM TABLAYOUTIMP T "
                                 "WHERE T.CDLAYOUTIMP = :L ORDER BY T.NRSEQTABELAY"),
                  {{QStringLiteral("L"), Value(call.text(0).trimmed())}},
                  {t("NMARQLAYIMP", 250), t("CDLAYOUTIMP", 20), t("NRSEQTABELAY", 20)});
}

// The default layout of a branch (its parameters), or no row.
Value getDefLayout(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT CDLAYOUTIMP FROM PARAFILIAL WHERE CDFILIAL = :F AND CDLAYOUTIMP IS NOT NULL"),
                  {{QStringLiteral("F"), Value(call.text(0).trimmed())}}, {t("CDLAYOUTIMP", 10)});
}

// The default client of a branch: the constant client column of the branch's default layout.
Value getDefCliente(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT C.DSDEFACOLLAY FROM PARAFILIAL P JOIN COLLAYOUTIMP C ON C.CDLAYOUTIMP = P.CDLAYOUTIMP "
                                 "WHERE P.CDFILIAL = :F AND UPPER(C.NMCOLUNAIMP) = 'CDCLIENTE' AND C.DSDEFACOLLAY IS NOT NULL "
                                 "ORDER BY C.NRSEQTABELAY, C.NRSEQCOLULAY"),
                  {{QStringLiteral("F"), Value(call.text(0).trimmed())}}, {t("DSDEFACOLLAY", 30)});
}

// The column descriptions of every file of a layout, in file and column order.
Value getColLayoutImp(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT C.CDLAYOUTIMP, CAST(C.NRSEQTABELAY AS VARCHAR(10)), C.IDFUNARQLAY, "
                                 "CAST(C.NRSEQCOLULAY AS VARCHAR(10)), C.NRPOSICOLLAY, C.NRTAMCOLLAY, C.NRCASASDECIM, C.DSDEFACOLLAY, "
                                 "C.IDGERSEQCOLU, C.IDTDADCOLLAY, C.IDGERCODCOLU, C.CDFRMTCOLLAY, C.NMTABELAIMP, C.NMCOLUNAIMP, "
                                 "C.DSCONCATESQ, C.DSCONCATDIR FROM COLLAYOUTIMP C "
                                 "WHERE C.CDLAYOUTIMP = :L ORDER BY C.NRSEQTABELAY, C.NRSEQCOLULAY"),
                  {{QStringLiteral("L"), Value(call.text(0).trimmed())}},
                  {t("CDLAYOUTIMP", 10), t("NRSEQTABELAY", 10), t("IDFUNARQLAY", 3), t("NRSEQCOLULAY", 10), n("NRPOSICOLLAY"),
                   n("NRTAMCOLLAY"), n("NRCASASDECIM"), t("DSDEFACOLLAY", 50), t("IDGERSEQCOLU", 1), t("IDTDADCOLLAY", 1),
                   t("IDGERCODCOLU", 1), t("CDFRMTCOLLAY", 3), t("NMTABELAIMP", 30), t("NMCOLUNAIMP", 30), t("DSCONCATESQ", 50),
                   t("DSCONCATDIR", 50)});
}

// The value rules of one file of a layout, every field as text.
Value getValLayout(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT V.CDLAYOUTIMP, CAST(V.NRSEQTABELAY AS VARCHAR(20)), CAST(V.NRSEQVALLAY AS VARCHAR(20)), "
                                 "CAST(V.NRPOSINIVALLAY AS VARCHAR(20)), CAST(V.NRTAMVALLAY AS VARCHAR(20)), V.DSVALVALLAY "
                                 "FROM VALLAYOUTIMP V WHERE V.CDLAYOUTIMP = :L AND V.NRSEQTABELAY = :S ORDER BY V.NRSEQVALLAY"),
                  {{QStringLiteral("L"), Value(call.text(0).trimmed())}, {QStringLiteral("S"), Value(sequence(call, 1))}},
                  {t("CDLAYOUTIMP", 20), t("NRSEQTABELAY", 20), t("NRSEQVALLAY", 20), t("NRPOSINIVALLAY", 20), t("NRTAMVALLAY", 20),
                   t("DSVALVALLAY", 300)});
}

// The client column of one file of a layout (no row: the layout has none).
Value getValLayoutCli(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT CDLAYOUTIMP, NMCOLUNAIMP FROM COLLAYOUTIMP WHERE CDLAYOUTIMP = :L AND NRSEQTABELAY = :S "
                                 "AND UPPER(NMCOLUNAIMP) = 'CDCLIENTE'"),
                  {{QStringLiteral("L"), Value(call.text(0).trimmed())}, {QStringLiteral("S"), Value(sequence(call, 1))}},
                  {t("CDLAYOUTIMP", 10), t("NMCOLUNAIMP", 30)});
}

// The codes by which import files name the branch's clients.
Value getCodExternoImp(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT CDCLIENTE, CDEXCLIENTEIMP FROM CODEXTERNOIMP WHERE CDFILIAL = :F ORDER BY CDCLIENTE, CDEXCLIENTEIMP"),
                  {{QStringLiteral("F"), Value(call.text(0).trimmed())}}, {t("CDCLIENTE", 21), t("CDEXCLIENTEIMP", 21)});
}

// Whether the branch makes imported debit limits negative.
Value getBuscaParamValorNeg(MethodCall &call)
{
    return select(call, QStringLiteral("SELECT IDIMPBLOLANCNEG FROM PARAFILIAL WHERE CDFILIAL = :F"),
                  {{QStringLiteral("F"), Value(call.text(0).trimmed())}}, {t("IDIMPBLOLANCNEG", 1)});
}

// The badges in use by consumers of the clients associated with the branch ("T": every client).
Value getCrachaFilial(MethodCall &call)
{
    return select(call,
                  QStringLiteral("SELECT C.CDIDCONSUMID, C.CDCLIENTE, C.CDCONSUMIDOR FROM CONSUMIDOR C "
                                 "WHERE C.CDIDCONSUMID IS NOT NULL AND C.CDIDCONSUMID <> '' AND (:P_CDFILIAL = 'T' OR EXISTS "
                                 "(SELECT 1 FROM CLIENFILIAL CF WHERE CF.CDCLIENTE = C.CDCLIENTE AND CF.CDFILIAL = :P_CDFILIAL))"),
                  {{QStringLiteral("P_CDFILIAL"), Value(call.text(0).trimmed())}},
                  {t("CDIDCONSUMID", 21), t("CDCLIENTE", 21), t("CDCONSUMIDOR", 21)});
}

// How often the register of badges holds this badge for another consumer (an exchanged badge).
Value getVrIdentificador(MethodCall &call)
{
    return select(call, badgeHeldByOthers(),
                  {{QStringLiteral("B"), Value(call.text(0).trimmed())}, {QStringLiteral("C"), Value(call.text(1))},
                   {QStringLiteral("K"), Value(call.text(2))}},
                  {n("NRREGISTROS")});
}

// getVrIdentificador for many badges in one call, so that a consistency run over HTTP costs one
// round trip instead of one per line. The argument is a packet of rows (CDIDCONSUMID, CDCLIENTE,
// CDCONSUMIDOR); the reply has, in their order, the rows given whose badge the register holds for
// another consumer: NRLINHA (0-based) and NRREGISTROS, the single call's answer; a row not in the
// reply has the answer 0 (an import's badges are mostly new or their own consumer's, so the reply
// stays short). The rows are staged in a temporary table of the connection and answered by one
// query through the register's badge index.
Value getVrIdentificadorLista(MethodCall &call)
{
    const Packet asked = call.packet(0);
    const int badge = asked.indexOf(u"CDIDCONSUMID"), client = asked.indexOf(u"CDCLIENTE"), consumer = asked.indexOf(u"CDCONSUMIDOR");
    if (badge < 0 || client < 0 || consumer < 0)
        throw EErro(QStringLiteral("getVrIdentificadorLista: o pacote deve ter CDIDCONSUMID, CDCLIENTE e CDCONSUMIDOR."));
    DbSession &db = call.db();
    db.temporaryTable(QStringLiteral("TMPCRACHAIMP"), QStringLiteral("(NRLINHA INTEGER NOT NULL, CDIDCONSUMID VARCHAR(21), "
                                                                     "CDCLIENTE VARCHAR(21), CDCONSUMIDOR VARCHAR(21))"));
    const std::unique_ptr<BulkInsert> stage =
        BulkInsert::open(db.db(), QStringLiteral("TMPCRACHAIMP"),
                         {QStringLiteral("NRLINHA"), QStringLiteral("CDIDCONSUMID"), QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR")});
    for (qsizetype r = 0; r < asked.rowCount(); ++r)
        stage->add({Value(qint64(r)), Value(asked.value(r, badge).toString().trimmed()), asked.value(r, client), asked.value(r, consumer)});
    stage->finish();
    const Packet counts = db.select(
        QStringLiteral("SELECT T.NRLINHA, COUNT(*) FROM TMPCRACHAIMP T JOIN REGIDENTCONS R "
                       "ON UPPER(R.CDIDCONSUMID) = UPPER(T.CDIDCONSUMID) "
                       "AND NOT (R.CDCLIENTE = T.CDCLIENTE AND R.CDCONSUMIDOR = T.CDCONSUMIDOR) "
                       "GROUP BY T.NRLINHA ORDER BY T.NRLINHA"),
        {}, {n("NRLINHA"), n("NRREGISTROS")});
    db.ddl(QStringLiteral("DROP TABLE TMPCRACHAIMP"));
    return one(counts);
}

// Whether a layout has a column with that target name.
Value getExistLayout(MethodCall &call)
{
    return Value(call.db().count(QStringLiteral("SELECT COUNT(*) FROM COLLAYOUTIMP WHERE CDLAYOUTIMP = :L AND UPPER(NMCOLUNAIMP) = UPPER(:N)"),
                                 {{QStringLiteral("L"), Value(call.text(0).trimmed())}, {QStringLiteral("N"), Value(call.text(1).trimmed())}})
                 > 0);
}

// Stores the import in this call's one transaction (ImportWriter says what is stored). Arguments:
// the rows, the layout, the file, the client list, the nine texts of the refusals, the layout's
// branch, the per-branch flag and the file sequence (the last two are carried, not needed).
Value setConsumidor(MethodCall &call)
{
    ImportWriter::Texts texts{call.text(4), call.text(5), call.text(6), call.text(7), call.text(8),
                              call.text(9), call.text(10), call.text(11), call.text(12)};
    ImportWriter writer(call.db(), texts, call.history());
    const ImportWriter::Counts c = writer.run(call.packet(0), call.text(1), call.text(3), call.text(13));
    call.history().call({}, QStringLiteral("layout %1; arquivo %2; clientes %3; filial %4; linhas: %5; incluídos: %6, alterados: "
                                           "%7, inativados: %8")
                                .arg(call.text(1).trimmed(), call.text(2).trimmed(), call.text(3).trimmed(), call.text(13).trimmed())
                                .arg(call.packet(0).rowCount())
                                .arg(c.inserted)
                                .arg(c.updated)
                                .arg(c.inactivated));
    return Value(QList<Value>{Value(c.inserted), Value(c.updated), Value(c.inactivated)});
}

} // namespace

QString badgeHeldByOthers()
{
    return QStringLiteral("SELECT COUNT(*) FROM REGIDENTCONS WHERE UPPER(CDIDCONSUMID) = UPPER(:B) "
                          "AND NOT (CDCLIENTE = :C AND CDCONSUMIDOR = :K)");
}

QString moduleName()
{
    return QStringLiteral("Cns72200.rdmImportConsu");
}

QList<RemoteMethod> methods()
{
    QList<RemoteMethod::Arg> confirm{{QStringLiteral("consumidores"), Kind::Packet}, text("layout"), text("arquivo"), text("clientes")};
    for (const char *name : {"CdCliNull", "CdConNull", "NmConNull", "CdTpConNull", "CdCCusClieNull", "IdVerSaldCon", "CdIdCad", "IDCONS_CAD",
                             "IDTRABCONS_CAD"})
        confirm.append(text(name));
    confirm << text("filial") << text("por filial") << text("sequência");
    return {
        {QStringLiteral("getLayoutImp"), {text("layout"), text("todos"), text("filial")}, false, getLayoutImp},
        {QStringLiteral("getTabLayoutImp"), {text("layout")}, false, getTabLayoutImp},
        {QStringLiteral("getDefLayout"), {text("filial")}, false, getDefLayout},
        {QStringLiteral("getDefCliente"), {text("filial")}, false, getDefCliente},
        {QStringLiteral("getColLayoutImp"), {text("layout")}, false, getColLayoutImp},
        {QStringLiteral("getValLayout"), {text("layout"), text("sequência")}, false, getValLayout},
        {QStringLiteral("getValLayoutCli"), {text("layout"), text("sequência")}, false, getValLayoutCli},
        {QStringLiteral("getCodExternoImp"), {text("filial")}, false, getCodExternoImp},
        {QStringLiteral("getBuscaParamValorNeg"), {text("filial")}, false, getBuscaParamValorNeg},
        {QStringLiteral("getCrachaFilial"), {text("filial")}, false, getCrachaFilial},
        {QStringLiteral("getVrIdentificador"), {text("crachá"), text("cliente"), text("consumidor")}, false, getVrIdentificador},
        {QStringLiteral("getVrIdentificadorLista"), {{QStringLiteral("crachás"), Kind::Packet}}, false, getVrIdentificadorLista},
        {QStringLiteral("getExistLayout"), {text("layout"), text("coluna")}, false, getExistLayout},
        {QStringLiteral("setConsumidor"), confirm, true, setConsumidor},
    };
}

} // namespace cns::RdmImportConsu
