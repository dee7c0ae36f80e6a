#include "ConsumerWriteMethods.h"

#include "ChangeSetWriter.h"
#include "ConsumerLinks.h"
#include "ConsumerRecord.h"
#include "ConsumerSaveRules.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"
#include "Schema.h"

#include <QDateTime>

namespace cns::ConsumerWriteMethods {

namespace {

// Where the fields that the follow-up of a change needs sit in the change set (-1: not sent).
struct ConsumerFields
{
    explicit ConsumerFields(const ChangeSet &changes)
        : client(changes.indexOf(u"CDCLIENTE")), consumer(changes.indexOf(u"CDCONSUMIDOR")),
          badge(changes.indexOf(u"CDIDCONSUMID")), link(changes.indexOf(u"CDCONSVINCULO"))
    { }
    int client, consumer, badge, link;
};

QString textAt(const Row &row, int field)
{
    return field < 0 ? QString() : row.value(field).toString();
}

// The value fields that the screen left blank: a blank and a zero travel alike in the change set.
QStringList blankValueColumns(const MethodCall &call)
{
    QStringList columns;
    const QStringList &fields = ConsumerRecord::valueFlagFields();
    for (int i = 0; i < fields.size(); ++i) {
        if (call.flag(i + 1))
            columns.append(fields.at(i));
    }
    return columns;
}

// The badge register keeps every badge a consumer was given; a badge given again is dated anew.
void registerBadge(DbSession &db, const QString &client, const QString &consumer, const QString &badge)
{
    const QHash<QString, Value> params = {{QStringLiteral("P_CDIDCONSUMID"), Value(badge)},
                                          {QStringLiteral("P_CDCLIENTE"), Value(client)},
                                          {QStringLiteral("P_CDCONSUMIDOR"), Value(consumer)},
                                          {QStringLiteral("P_DTREGIDENT"), Value(QDateTime::currentDateTime())}};
    if (db.exec(
            QStringLiteral("UPDATE REGIDENTCONS SET DTREGIDENT = :P_DTREGIDENT WHERE CDIDCONSUMID = :P_CDIDCONSUMID "
                           "AND CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR"),
            params)
        == 0)
        db.exec(QStringLiteral("INSERT INTO REGIDENTCONS (CDIDCONSUMID, CDCLIENTE, CDCONSUMIDOR, DTREGIDENT) "
                               "VALUES (:P_CDIDCONSUMID, :P_CDCLIENTE, :P_CDCONSUMIDOR, :P_DTREGIDENT)"),
                params);
}

// A consumer others are linked to stays: deleting it would leave their links pointing at nothing.
void refuseWhenLinked(DbSession &db, const QString &client, const QString &consumer)
{
    const Packet linked = ConsumerLinks::linkedTo(db, client, consumer);
    if (linked.rowCount() == 0)
        return;
    QStringList names;
    for (qsizetype i = 0; i < linked.rowCount(); ++i)
        names.append(QStringLiteral("%1 (%2)").arg(linked.value(i, 1).toString(), linked.value(i, 0).toString()));
    throw EErro(
        QStringLiteral("Não é possível excluir o consumidor %1: os seguintes consumidores estão vinculados a ele: %2.")
            .arg(consumer, names.join(QStringLiteral(", "))));
}

// The branches and further addresses of a consumer go with it.
void deleteDependants(DbSession &db, const QString &client, const QString &consumer)
{
    const QHash<QString, Value> params
        = {{QStringLiteral("P_CDCLIENTE"), Value(client)}, {QStringLiteral("P_CDCONSUMIDOR"), Value(consumer)}};
    for (const QString &table : {QStringLiteral("CONSUMIFILIAL"), QStringLiteral("ENDECONS")})
        db.exec(QStringLiteral("DELETE FROM %1 WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR")
                    .arg(table),
                params);
}

// A link saved must still name an acceptable main consumer: the one checked on the screen may have
// been deleted, deactivated or linked to another meanwhile. A consumer that others are linked to
// takes no main consumer: links are one level deep.
void checkMain(DbSession &db, const QString &client, const QString &consumer, const QString &main)
{
    if (ConsumerLinks::hasLinked(db, client, consumer))
        throw EErro(QStringLiteral("O consumidor %1 não pode ser vinculado ao consumidor %2: há consumidores vinculados a ele.")
                        .arg(consumer, main.trimmed()));
    if (!ConsumerLinks::acceptsMain(db, client, consumer, main))
        throw EErro(
            QStringLiteral("O consumidor %1 não pode ser o consumidor principal do consumidor %2: o principal deve ser "
                           "um consumidor ativo do mesmo cliente, não vinculado a outro.")
                .arg(main.trimmed(), consumer));
}

// What a saved row brings with it beyond CONSUMIDOR: its badge in the register, and a link that
// still holds. A value that did not change is not looked at again.
void followWrite(DbSession &db, const ConsumerFields &f, const ChangeSet::Change &c)
{
    const QString client = textAt(c.newRow, f.client), consumer = textAt(c.newRow, f.consumer);
    const bool inserted = c.op == ChangeSet::Op::Insert;
    const QString badge = textAt(c.newRow, f.badge);
    if (!badge.trimmed().isEmpty() && (inserted || badge != textAt(c.oldRow, f.badge)))
        registerBadge(db, client, consumer, badge);
    const QString main = textAt(c.newRow, f.link);
    if (!main.trimmed().isEmpty() && (inserted || main != textAt(c.oldRow, f.link)))
        checkMain(db, client, consumer, main);
}

void followDelete(DbSession &db, const ConsumerFields &f, const ChangeSet::Change &c)
{
    const QString client = textAt(c.oldRow, f.client), consumer = textAt(c.oldRow, f.consumer);
    refuseWhenLinked(db, client, consumer);
    deleteDependants(db, client, consumer);
}

// Saves the consumer screen's change set in one transaction, all or nothing. A row that another
// operator changed or deleted meanwhile is refused. The ten flags, in the order of the value
// fields, store a database null for a value left blank. The follow-ups run once every row is
// written, so a change set that unlinks a consumer and deletes its main one in the same call passes.
//
// The record's rules, kept here whatever the caller checked (ConsumerSaveRules), each refused with
// a message naming the consumer and the whole change set with it:
// - a consumer's client and code are its key: an update may not change them, since the consumer's
//   branches, addresses and badges stay under the old key and would be left to no one;
// - a new consumer names a client that exists, and a code;
// - the name is never blank: the screens, reports and badge lookups show consumers by it;
// - the situation is 1 (active) or 2 (inactive), the only ones sales and imports know;
// - a consumer type, when given, exists; a cost centre, when given, exists for the consumer's client.
// Values the update leaves as they were are not looked at again (ConsumerSaveRules).
Value SetConsumidor(MethodCall &call)
{
    const ChangeSet &changes = call.changes(0);
    const ConsumerSaveRules rules(call.db(), changes);
    for (const ChangeSet::Change &c : changes.changes())
        rules.check(c);
    ChangeSetWriter writer(call.db(), Schema::table(u"CONSUMIDOR"));
    writer.setNullColumns(blankValueColumns(call));
    writer.setHistory(&call.history());
    writer.apply(changes);
    const ConsumerFields fields(changes);
    for (const ChangeSet::Change &c : changes.changes()) {
        if (c.op == ChangeSet::Op::Delete)
            followDelete(call.db(), fields, c);
        else
            followWrite(call.db(), fields, c);
    }
    return Value(QList<Value> {Value(true)});
}

QList<RemoteMethod::Arg> setConsumidorArgs()
{
    QList<RemoteMethod::Arg> args = {{QStringLiteral("alterações"), RemoteMethod::Kind::ChangeSet}};
    for (const QString &field : ConsumerRecord::valueFlagFields())
        args.append({field + QStringLiteral(" vazio"), RemoteMethod::Kind::Flag});
    return args;
}

} // namespace

QList<RemoteMethod> methods()
{
    return {{QStringLiteral("SetConsumidor"), setConsumidorArgs(), true, SetConsumidor}};
}

} // namespace cns::ConsumerWriteMethods
