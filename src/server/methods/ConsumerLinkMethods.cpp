#include "ConsumerLinkMethods.h"

#include "BulkInsert.h"
#include "Consiste.h"
#include "ConsumerHistory.h"
#include "ConsumerLinks.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"
#include "ServerMethodHelpers.h"

namespace cns::ConsumerLinkMethods {

namespace {

using ServerMethodHelpers::packetReply;
using ServerMethodHelpers::text;
using ServerMethodHelpers::textField;

const QString kStage = QStringLiteral("TMPVINCULO");

QString named(const QString &code, const QString &name)
{
    return name.trimmed().isEmpty() ? code : QStringLiteral("%1 - %2").arg(code, name.trimmed());
}

// The consumer codes of a list text ("_code_code_"), each brought to its width.
QStringList codesOf(const QString &list)
{
    QStringList codes;
    for (const QString &key : list.split(u'_', Qt::SkipEmptyParts)) {
        const QString code = Consiste::Ajusta(key, 21);
        if (!code.isEmpty())
            codes.append(code);
    }
    return codes;
}

// The main consumer must be an active consumer of the client and linked to no one; when it is
// linked to one of the listed consumers the links would close a cycle.
void checkMain(DbSession &db, const QString &client, const QString &main, const QStringList &listed)
{
    const Packet m
        = db.select(QStringLiteral("SELECT NMCONSUMIDOR, IDSITCONSUMI, CDCONSVINCULO FROM CONSUMIDOR "
                                   "WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR"),
                    {{QStringLiteral("P_CDCLIENTE"), Value(client)}, {QStringLiteral("P_CDCONSUMIDOR"), Value(main)}},
                    {textField("NMCONSUMIDOR", 50), textField("IDSITCONSUMI", 1), textField("CDCONSVINCULO", 21)});
    if (m.rowCount() == 0)
        throw EErro(QStringLiteral("Consumidor principal %1 não cadastrado no cliente %2.").arg(main, client));
    const QString who = named(main, m.value(0, 0).toString());
    const QString itsMain = m.value(0, 2).toString().trimmed();
    if (!itsMain.isEmpty() && listed.contains(itsMain))
        throw EErro(
            QStringLiteral(
                "O consumidor principal %1 está vinculado ao consumidor %2: vincular %2 a ele formaria um ciclo.")
                .arg(who, itsMain));
    if (!itsMain.isEmpty())
        throw EErro(
            QStringLiteral("O consumidor %1 está vinculado ao consumidor %2 e não pode ser consumidor principal: "
                           "os vínculos formariam uma cadeia.")
                .arg(who, itsMain));
    if (m.value(0, 1).toString() != u"1")
        throw EErro(QStringLiteral("O consumidor %1 está inativo e não pode ser consumidor principal.").arg(who));
}

void stage(DbSession &db, const QStringList &codes)
{
    db.temporaryTable(kStage, QStringLiteral("(CDCONSUMIDOR VARCHAR(21) NOT NULL)"));
    const std::unique_ptr<BulkInsert> rows = BulkInsert::open(db.db(), kStage, {QStringLiteral("CDCONSUMIDOR")});
    for (const QString &code : codes)
        rows->add({Value(code)});
    rows->finish();
}

// The first listed consumer (in code order) that cannot be linked to the main one, with what stands
// in the way; no row when all of them can.
Packet firstRefused(DbSession &db, const QString &client, const QString &main)
{
    const QString sql = QStringLiteral(
        "SELECT T.CDCONSUMIDOR, C.CDCONSUMIDOR, C.NMCONSUMIDOR, C.IDSITCONSUMI, C.CDCONSVINCULO, "
        "(SELECT COUNT(*) FROM CONSUMIDOR D WHERE D.CDCLIENTE = :P_CDCLIENTE AND D.CDCONSVINCULO = T.CDCONSUMIDOR "
        "AND D.CDCONSUMIDOR <> T.CDCONSUMIDOR) "
        "FROM TMPVINCULO T LEFT JOIN CONSUMIDOR C ON C.CDCLIENTE = :P_CDCLIENTE AND C.CDCONSUMIDOR = T.CDCONSUMIDOR "
        "WHERE T.CDCONSUMIDOR = :P_PRINCIPAL OR C.CDCONSUMIDOR IS NULL OR C.IDSITCONSUMI <> '1' "
        "OR (C.CDCONSVINCULO IS NOT NULL AND TRIM(C.CDCONSVINCULO) <> '' AND C.CDCONSVINCULO <> :P_PRINCIPAL) "
        "OR EXISTS (SELECT 1 FROM CONSUMIDOR D WHERE D.CDCLIENTE = :P_CDCLIENTE AND D.CDCONSVINCULO = T.CDCONSUMIDOR "
        "AND D.CDCONSUMIDOR <> T.CDCONSUMIDOR) "
        "ORDER BY T.CDCONSUMIDOR LIMIT 1");
    return db.select(sql,
                     {{QStringLiteral("P_CDCLIENTE"), Value(client)}, {QStringLiteral("P_PRINCIPAL"), Value(main)}},
                     {textField("CDLISTADO", 21),
                      textField("CDCONSUMIDOR", 21),
                      textField("NMCONSUMIDOR", 50),
                      textField("IDSITCONSUMI", 1),
                      textField("CDCONSVINCULO", 21),
                      {QStringLiteral("NRVINCULADOS"), FieldType::Integer, 0}});
}

// Why the refused row cannot be linked, naming the consumer.
QString refusal(const Packet &r, const QString &client, const QString &main)
{
    const QString code = r.value(0, 0).toString();
    if (code == main)
        return QStringLiteral("O consumidor %1 não pode ser vinculado a ele mesmo.").arg(code);
    if (r.value(0, 1).isNull())
        return QStringLiteral("Consumidor %1 não cadastrado no cliente %2.").arg(code, client);
    const QString who = named(code, r.value(0, 2).toString());
    if (r.value(0, 5).toInt() > 0)
        return QStringLiteral(
                   "O consumidor %1 é consumidor principal de outros consumidores e não pode ser vinculado a %2: "
                   "os vínculos formariam uma cadeia.")
            .arg(who, main);
    if (r.value(0, 3).toString() != u"1")
        return QStringLiteral("O consumidor %1 está inativo e não pode ser vinculado.").arg(who);
    return QStringLiteral("O consumidor %1 já está vinculado ao consumidor %2.")
        .arg(who, r.value(0, 4).toString().trimmed());
}

// The client's consumers that may be linked to the main consumer (ConsumerLinks::dependantCandidates):
// active, not the main consumer, linked to no one (so neither to it nor to another main consumer),
// and with no one linked to them. None when the main consumer itself cannot be one.
Value getConsCadVinculo(MethodCall &call)
{
    return packetReply(ConsumerLinks::dependantCandidates(call.db(), call.text(0), call.text(1)));
}

// Links every consumer of the list text ("_code_code_") to the main consumer, in one statement and
// this call's one transaction. The whole list is refused, nothing written, with a message naming the
// consumer, when:
// - the list is empty;
// - the main consumer is not a consumer of the client, is inactive, or is itself linked (a chain;
//   a cycle when it is linked to one of the listed consumers);
// - a listed consumer is the main consumer itself (a cycle), is not a consumer of the client (absent
//   or another client's), is inactive, is linked to another main consumer (a link is moved only by
//   unlinking it first), or has consumers linked to it (a chain).
// A listed consumer already linked to this main consumer stays so. The links thus hold the rules
// of one link on the consumer screen (ConsumerLinks).
Value setCadAutoVinculo(MethodCall &call)
{
    DbSession &db = call.db();
    const QString client = call.text(0), main = Consiste::Ajusta(call.text(1), 21);
    const QStringList codes = codesOf(call.text(2));
    if (codes.isEmpty())
        throw EErro(QStringLiteral("Favor informar os consumidores que serão vinculados ao consumidor principal."));
    checkMain(db, client, main, codes);
    stage(db, codes);
    const Packet refused = firstRefused(db, client, main);
    if (refused.rowCount() > 0)
        throw EErro(refusal(refused, client, main));
    const QHash<QString, Value> params = {{QStringLiteral("P_CDCLIENTE"), Value(client)}, {QStringLiteral("P_PRINCIPAL"), Value(main)}};
    const int changed = call.history().changedColumns(
        QStringLiteral("TMPVINCULO T JOIN CONSUMIDOR C ON C.CDCLIENTE = :P_CDCLIENTE AND C.CDCONSUMIDOR = T.CDCONSUMIDOR"),
        QStringLiteral("1 = 1"), QStringLiteral("C"),
        {ConsumerHistory::change(db, QStringLiteral("CDCONSVINCULO"), QStringLiteral("C.CDCONSVINCULO"), QStringLiteral(":P_PRINCIPAL"))},
        params);
    db.exec(QStringLiteral("UPDATE CONSUMIDOR SET CDCONSVINCULO = :P_PRINCIPAL WHERE CDCLIENTE = :P_CDCLIENTE "
                           "AND CDCONSUMIDOR IN (SELECT CDCONSUMIDOR FROM TMPVINCULO)"),
            params);
    db.ddl(QStringLiteral("DROP TABLE TMPVINCULO"));
    call.history().call(client, QStringLiteral("consumidor principal %1; consumidores listados: %2; vinculados agora: %3")
                                    .arg(main)
                                    .arg(codes.size())
                                    .arg(changed));
    return Value(QList<Value> {Value(true)});
}

} // namespace

QList<RemoteMethod> methods()
{
    return {
        {QStringLiteral("getConsCadVinculo"),
         {text("cliente"), text("consumidor principal")},
         false,
         getConsCadVinculo},
        {QStringLiteral("setCadAutoVinculo"),
         {text("cliente"), text("consumidor principal"), text("consumidores")},
         true,
         setCadAutoVinculo},
    };
}

} // namespace cns::ConsumerLinkMethods
