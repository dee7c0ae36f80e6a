#include "AnonymisationMethods.h"

#include "ConsumerHistory.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"
#include "ServerMethodHelpers.h"

#include <QDateTime>

namespace cns::AnonymisationMethods {

namespace {

using ServerMethodHelpers::textField;

// The name an anonymised consumer keeps: never blank, as the screens, reports and badge lookups
// show consumers by their names and a save refuses a blank one.
const QString kNeutralName = QStringLiteral("CONSUMIDOR ANONIMIZADO");
// The description an anonymised further address keeps: an address is never without one.
const QString kNeutralAddress = QStringLiteral("ANONIMIZADO");

// The word that takes the place of an erased value in the consumers' history.
const QString kErased = QStringLiteral("anonimizado");

// What an anonymised consumer's record becomes (CONSUMIDOR):
// - NMCONSUMIDOR: "CONSUMIDOR ANONIMIZADO";
// - NMRESPCONS (the responsible's name), NRCPFRESPCON, NRRGCONSUMID: null;
// - NRTELECONS, NRTELE2CONS, NRRAMAL1CONS, NRRAMAL2CONS, NRFAXCONS, NRCELULARCONS, DSEMAILCONS: null;
// - the main address, DSENDECONS, NRENDECONS, DSCOMPLENDECONS, DSREFERENDECONS, NRCEPCONS,
//   NMQUADRANTE, NMBAIRCONS, and its places CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO: null;
// - NMLOGINCONS (site access code), CDSENHACONS, CDSENHASITE, CDSENHACONSMD5: null, so that no one
//   signs in as the consumer any longer;
// - DIGICONSUMIDOR, DIGICONSUMIDOR2 (fingerprints), DSINFOCONS (free notes), DTNASCCONS: null;
// - IDANONIMIZADO: "S".
// Kept: the key, the badge and its register, the external code, situation, type, cost centre,
// seller, sex, the balances, limits and subsidies, the sale types and flags, the branches and the
// link to a main consumer (or from its dependants), so that sales and history still add up.
const QStringList &erasedConsumerColumns()
{
    static const QStringList all = {
        QStringLiteral("NMRESPCONS"),      QStringLiteral("NRCPFRESPCON"),    QStringLiteral("NRRGCONSUMID"),
        QStringLiteral("NRTELECONS"),      QStringLiteral("NRTELE2CONS"),     QStringLiteral("NRRAMAL1CONS"),
        QStringLiteral("NRRAMAL2CONS"),    QStringLiteral("NRFAXCONS"),       QStringLiteral("NRCELULARCONS"),
        QStringLiteral("DSEMAILCONS"),     QStringLiteral("DSENDECONS"),      QStringLiteral("NRENDECONS"),
        QStringLiteral("DSCOMPLENDECONS"), QStringLiteral("DSREFERENDECONS"), QStringLiteral("NRCEPCONS"),
        QStringLiteral("NMQUADRANTE"),     QStringLiteral("NMBAIRCONS"),      QStringLiteral("CDPAIS"),
        QStringLiteral("SGESTADO"),        QStringLiteral("CDMUNICIPIO"),     QStringLiteral("CDBAIRRO"),
        QStringLiteral("NMLOGINCONS"),     QStringLiteral("CDSENHACONS"),     QStringLiteral("CDSENHASITE"),
        QStringLiteral("CDSENHACONSMD5"),  QStringLiteral("DIGICONSUMIDOR"),  QStringLiteral("DIGICONSUMIDOR2"),
        QStringLiteral("DSINFOCONS"),      QStringLiteral("DTNASCCONS")};
    return all;
}

QString anonymiseConsumer()
{
    QStringList sets = {QStringLiteral("NMCONSUMIDOR = :P_NOME")};
    for (const QString &c : erasedConsumerColumns())
        sets.append(c + QStringLiteral(" = NULL"));
    sets.append(QStringLiteral("IDANONIMIZADO = 'S'"));
    return QStringLiteral("UPDATE CONSUMIDOR SET %1 WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR "
                          "AND (IDANONIMIZADO IS NULL OR IDANONIMIZADO <> 'S')")
        .arg(sets.join(QStringLiteral(", ")));
}

// Every further address of the consumer (ENDECONS) keeps its key (CDCLIENTE, CDCONSUMIDOR,
// CDENDECONS); DSENDECONS becomes "ANONIMIZADO" (an address is never without its description) and
// NRENDECONS, NRCEPCONS, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, DSCOMPLENDECONS, DSREFERENDECONS,
// NMQUADRANTECONS become null.
const QStringList &erasedAddressColumns()
{
    static const QStringList all = {QStringLiteral("NRENDECONS"),      QStringLiteral("NRCEPCONS"),
                                    QStringLiteral("CDPAIS"),          QStringLiteral("SGESTADO"),
                                    QStringLiteral("CDMUNICIPIO"),     QStringLiteral("CDBAIRRO"),
                                    QStringLiteral("DSCOMPLENDECONS"), QStringLiteral("DSREFERENDECONS"),
                                    QStringLiteral("NMQUADRANTECONS")};
    return all;
}

QString anonymiseAddresses()
{
    QStringList sets = {QStringLiteral("DSENDECONS = :P_ENDERECO")};
    for (const QString &c : erasedAddressColumns())
        sets.append(c + QStringLiteral(" = NULL"));
    return QStringLiteral("UPDATE ENDECONS SET %1 WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR")
        .arg(sets.join(QStringLiteral(", ")));
}

// One request as the dialog sends it: one row of cdsAnonimiza.
struct Request
{
    QString client, consumer, operatorCode, operatorName, fileName;
    QByteArray document;
};

Request requestOf(const Packet &p)
{
    const QStringList names
        = {QStringLiteral("CDCLIENTE"),  QStringLiteral("CDCONSUMIDOR"),   QStringLiteral("CDOPERADOR"),
           QStringLiteral("NMOPERADOR"), QStringLiteral("NMARQANONIMIZA"), QStringLiteral("DSARQANONIMIZA")};
    QList<int> at;
    for (const QString &n : names) {
        at.append(p.indexOf(n));
        if (at.last() < 0)
            throw EErro(QStringLiteral("setAnonimizaCons: o pedido não tem o campo %1.").arg(n));
    }
    if (p.rowCount() == 0)
        throw EErro(QStringLiteral("Arquivo com pedido de anonimização do consumidor deve ser informado."));
    if (p.rowCount() > 1)
        throw EErro(
            QStringLiteral("O pedido de anonimização deve trazer um consumidor só; vieram %1.").arg(p.rowCount()));
    const auto text = [&](int i) {
        return p.value(0, at.at(i)).toString().trimmed();
    };
    return {text(0), text(1), text(2), p.value(0, at.at(3)).toString(), text(4), p.value(0, at.at(5)).toBytes()};
}

// The request document and who asked are what justifies the loss of the data: without them the
// anonymisation is not carried out.
void checkRequest(const Request &r)
{
    if (r.document.isEmpty() || r.fileName.isEmpty())
        throw EErro(
            QStringLiteral("Arquivo com pedido de anonimização do consumidor %1 deve ser informado.").arg(r.consumer));
    if (r.operatorCode.isEmpty())
        throw EErro(
            QStringLiteral("O operador que pede a anonimização do consumidor %1 deve ser informado.").arg(r.consumer));
}

QHash<QString, Value> keyOf(const Request &r)
{
    return {{QStringLiteral("P_CDCLIENTE"), Value(r.client)}, {QStringLiteral("P_CDCONSUMIDOR"), Value(r.consumer)}};
}

void checkConsumer(DbSession &db, const Request &r)
{
    const Packet c = db.select(QStringLiteral("SELECT NMCONSUMIDOR, IDANONIMIZADO FROM CONSUMIDOR "
                                              "WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR"),
                               keyOf(r), {textField("NMCONSUMIDOR", 50), textField("IDANONIMIZADO", 1)});
    if (c.rowCount() == 0)
        throw EErro(QStringLiteral("Consumidor %1 não cadastrado no cliente %2.").arg(r.consumer, r.client));
    if (c.value(0, 1).toString() == u"S")
        throw EErro(QStringLiteral("O consumidor %1 já foi anonimizado.").arg(r.consumer));
}

// The request kept in ANONIMIZACONS under the next number: client, consumer, operator code and
// name, file name, the document byte for byte, and the time of the anonymisation.
void keepRequest(DbSession &db, const Request &r)
{
    const qint64 number = db.count(QStringLiteral("SELECT COALESCE(MAX(NRANONIMIZA), 0) + 1 FROM ANONIMIZACONS"), {});
    QHash<QString, Value> params = keyOf(r);
    params.insert(QStringLiteral("P_NRANONIMIZA"), Value(number));
    params.insert(QStringLiteral("P_CDOPERADOR"), Value(r.operatorCode));
    params.insert(QStringLiteral("P_NMOPERADOR"), Value(r.operatorName));
    params.insert(QStringLiteral("P_NMARQANONIMIZA"), Value(r.fileName));
    params.insert(QStringLiteral("P_DSARQANONIMIZA"), Value::bytes(r.document));
    params.insert(QStringLiteral("P_DTANONIMIZA"), Value(QDateTime::currentDateTime()));
    db.exec(QStringLiteral(
                "INSERT INTO ANONIMIZACONS (NRANONIMIZA, CDCLIENTE, CDCONSUMIDOR, CDOPERADOR, NMOPERADOR, "
                "NMARQANONIMIZA, DSARQANONIMIZA, DTANONIMIZA) VALUES (:P_NRANONIMIZA, :P_CDCLIENTE, "
                ":P_CDCONSUMIDOR, :P_CDOPERADOR, :P_NMOPERADOR, :P_NMARQANONIMIZA, :P_DSARQANONIMIZA, :P_DTANONIMIZA)"),
            params);
}

// The history keeps none of what is erased: the consumer's former values of the erased columns
// become "anonimizado" (ConsumerHistory::neutralise), and the anonymisation's own entries show
// each erased value as "anonimizado" and what took its place.
void recordInHistory(MethodCall &call, const Request &r, const QHash<QString, Value> &params)
{
    DbSession &db = call.db();
    const QStringList consumerColumns = QStringList{QStringLiteral("NMCONSUMIDOR")} + erasedConsumerColumns();
    const QStringList addressColumns = QStringList{QStringLiteral("DSENDECONS")} + erasedAddressColumns();
    ConsumerHistory::neutralise(db, r.client, r.consumer,
                                {{QStringLiteral("CONSUMIDOR"), consumerColumns}, {QStringLiteral("ENDECONS"), addressColumns}},
                                kErased);
    const auto erased = [&](const QString &alias, const QString &column, const QString &after) {
        const QString before = alias + u'.' + column;
        ConsumerHistory::ColumnChange c = ConsumerHistory::change(db, column, before, after);
        c.before = QStringLiteral("CASE WHEN %1 IS NULL THEN NULL ELSE :P_APAGADO END").arg(before);
        return c;
    };
    QList<ConsumerHistory::ColumnChange> consumer;
    for (const QString &column : consumerColumns)
        consumer.append(erased(QStringLiteral("C"), column, column == u"NMCONSUMIDOR" ? QStringLiteral(":P_NOME") : QStringLiteral("NULL")));
    consumer.append(ConsumerHistory::change(db, QStringLiteral("IDANONIMIZADO"), QStringLiteral("C.IDANONIMIZADO"), QStringLiteral("'S'")));
    QHash<QString, Value> all = params;
    all.insert(QStringLiteral("P_APAGADO"), Value(kErased));
    const QString key = QStringLiteral("%1.CDCLIENTE = :P_CDCLIENTE AND %1.CDCONSUMIDOR = :P_CDCONSUMIDOR");
    call.history().changedColumns(QStringLiteral("CONSUMIDOR C"), key.arg(QStringLiteral("C")), QStringLiteral("C"), consumer, all);
    QList<ConsumerHistory::ColumnChange> address;
    for (const QString &column : addressColumns)
        address.append(erased(QStringLiteral("E"), column, column == u"DSENDECONS" ? QStringLiteral(":P_ENDERECO") : QStringLiteral("NULL")));
    call.history().changedColumns(QStringLiteral("ENDECONS E"), key.arg(QStringLiteral("E")), QStringLiteral("E"), address, all,
                                  QStringLiteral("ENDECONS"), QStringLiteral("E.CDENDECONS"));
}

// Anonymises one consumer on request, in this call's one transaction. The argument is the whole
// request packet (cdsAnonimiza): CDCLIENTE, CDCONSUMIDOR, CDOPERADOR, NMOPERADOR, NMARQANONIMIZA and
// DSARQANONIMIZA, in one row. Refused, nothing written: a packet without that row or with more than
// one, a request without its document or file name, or without the operator; a consumer that is not
// the client's; a consumer already anonymised (the operation is done once: a second run would keep
// a second request for data already gone). What each column becomes is written beside the
// statements above; the request is kept with its document (keepRequest).
Value setAnonimizaCons(MethodCall &call)
{
    DbSession &db = call.db();
    const Request r = requestOf(call.packet(0));
    checkRequest(r);
    checkConsumer(db, r);
    QHash<QString, Value> params = keyOf(r);
    params.insert(QStringLiteral("P_NOME"), Value(kNeutralName));
    params.insert(QStringLiteral("P_ENDERECO"), Value(kNeutralAddress));
    recordInHistory(call, r, params);
    // Guarded on IDANONIMIZADO as well: a concurrent anonymisation of the same consumer changes no row.
    if (db.exec(anonymiseConsumer(), params) != 1)
        throw EErro(QStringLiteral("O consumidor %1 já foi anonimizado.").arg(r.consumer));
    db.exec(anonymiseAddresses(), params);
    keepRequest(db, r);
    return Value(QList<Value> {Value(true)});
}

} // namespace

QList<RemoteMethod> methods()
{
    return {{QStringLiteral("setAnonimizaCons"),
             {{QStringLiteral("pedido"), RemoteMethod::Kind::Packet}},
             true,
             setAnonimizaCons}};
}

} // namespace cns::AnonymisationMethods
