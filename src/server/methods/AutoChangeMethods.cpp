#include "AutoChangeMethods.h"

#include "ConsumerHistory.h"
#include "ConsumerSelection.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"
#include "NumberFormat.h"
#include "Schema.h"
#include "ServerMethodHelpers.h"

#include <QStringList>

namespace cns::AutoChangeMethods {

namespace {

using ServerMethodHelpers::packetReply;
using ServerMethodHelpers::text;
using ServerMethodHelpers::textField;

// Every list row starts unticked; the host's list dialog keeps its ticks in this column.
const QString kUnticked = QStringLiteral("'N' AS IDMARCADO");

QList<FieldDef> listFields(int keyWidth, std::initializer_list<FieldDef> shown)
{
    QList<FieldDef> fields = {textField("CODIGO", keyWidth), {QStringLiteral("IDMARCADO"), FieldType::FixedChar, 1}};
    fields.append(QList<FieldDef>(shown));
    return fields;
}

ConsumerSelection clientsOf(MethodCall &call, const QString &table, int arg)
{
    ConsumerSelection selection(call.db().dialect(), table);
    selection.setClients(ConsumerSelection::of(call.text(arg)));
    return selection;
}

// The cost centres of the clients of the selection (argument 0: a client list text, "T" all of
// them, empty none), by client and code. CODIGO names the client and the cost centre
// (ConsumerSelection::key), as the cost-centre filter of getAuxCons and AlteraConsumidor takes it.
Value getCentroCusto(MethodCall &call)
{
    const ConsumerSelection clients = clientsOf(call, QStringLiteral("CC"), 0);
    const QString sql = QStringLiteral("SELECT %1 AS CODIGO, %2, CC.CDCCUSCLIE, CC.NMCCUSCLIE FROM CCUSCLIE CC WHERE %3 "
                                       "ORDER BY CC.CDCLIENTE, CC.CDCCUSCLIE")
                            .arg(ConsumerSelection::key(QStringLiteral("CC.CDCLIENTE"), QStringLiteral("CC.CDCCUSCLIE"),
                                                        ConsumerSelection::kCostCentreWidth),
                                 kUnticked, clients.clientCondition(QStringLiteral("CC.CDCLIENTE")));
    return packetReply(call.db().select(
        sql, clients.params(), listFields(31, {textField("CDCCUSCLIE", 10), textField("NMCCUSCLIE", 40)})));
}

// The consumer types of the clients of the selection (argument 0, as getCentroCusto's): for each
// client the types it names for itself (TIPOCONSCLI) and those its consumers hold, once each, by
// client and code, with the client's own name of the type, else the installation's. CODIGO names
// the client and the type, so that a type is picked for one client and not for all that use it.
Value getAutTipoCons(MethodCall &call)
{
    const ConsumerSelection clients = clientsOf(call, QStringLiteral("T"), 0);
    const QString sql
        = QStringLiteral(
              "SELECT %1 AS CODIGO, %2, T.CDTIPOCONS, COALESCE(TCC.NMTIPOCONSCLI, TC.NMTIPOCONS) AS NMTIPOCONSCLI FROM "
              "(SELECT CDCLIENTE, CDTIPOCONS FROM TIPOCONSCLI UNION "
              "SELECT CDCLIENTE, CDTIPOCONS FROM CONSUMIDOR WHERE CDTIPOCONS IS NOT NULL) T "
              "LEFT JOIN TIPOCONS TC ON TC.CDTIPOCONS = T.CDTIPOCONS "
              "LEFT JOIN TIPOCONSCLI TCC ON TCC.CDCLIENTE = T.CDCLIENTE AND TCC.CDTIPOCONS = T.CDTIPOCONS "
              "WHERE %3 ORDER BY T.CDCLIENTE, T.CDTIPOCONS")
              .arg(ConsumerSelection::key(QStringLiteral("T.CDCLIENTE"), QStringLiteral("T.CDTIPOCONS"),
                                          ConsumerSelection::kTypeWidth),
                   kUnticked, clients.clientCondition(QStringLiteral("T.CDCLIENTE")));
    return packetReply(call.db().select(
        sql, clients.params(), listFields(23, {textField("CDTIPOCONS", 2), textField("NMTIPOCONSCLI", 40)})));
}

// The consumers that the client, cost-centre and consumer-type selections (arguments 0 to 2, each a
// list text or "T") and the branch (argument 3, ConsumerSelection) select, whatever their
// situation, by client, name and code: the consumers an automatic change with these filters would
// reach. CODIGO names the client and the consumer.
Value getAuxCons(MethodCall &call)
{
    ConsumerSelection selection = clientsOf(call, QStringLiteral("C"), 0);
    selection.setCostCentres(ConsumerSelection::of(call.text(1)));
    selection.setTypes(ConsumerSelection::of(call.text(2)));
    selection.setBranch(call.text(3));
    const QString sql = QStringLiteral("SELECT %1 AS CODIGO, %2, C.CDCONSUMIDOR, C.NMCONSUMIDOR, C.CDIDCONSUMID "
                                       "FROM CONSUMIDOR C WHERE %3 ORDER BY C.CDCLIENTE, C.NMCONSUMIDOR, C.CDCONSUMIDOR")
                            .arg(ConsumerSelection::key(QStringLiteral("C.CDCLIENTE"), QStringLiteral("C.CDCONSUMIDOR"),
                                                        ConsumerSelection::kConsumerWidth),
                                 kUnticked, selection.condition());
    return packetReply(call.db().select(
        sql, selection.params(),
        listFields(42, {textField("CDCONSUMIDOR", 21), textField("NMCONSUMIDOR", 50), textField("CDIDCONSUMID", 21)})));
}

[[noreturn]] void refuse(const QString &why)
{
    throw EErro(QStringLiteral("Nenhum consumidor foi alterado. %1").arg(why));
}

// The columns and values of one change: the ticked groups only.
class Assignments
{
public:
    void set(const char *column, Value v)
    {
        const QString name = QString::fromLatin1(column);
        const QString range = TableDef::beyondRange(*Schema::table(u"CONSUMIDOR").column(name), v);
        if (!range.isEmpty())
            refuse(QStringLiteral("O valor não cabe no cadastro: %1.").arg(range));
        m_set.append(QStringLiteral("%1 = :P_%1").arg(name));
        m_columns.append(name);
        // The value as the history writes it, beside the one the UPDATE stores.
        m_shown.insert(name, ConsumerHistory::text(v));
        m_params.insert(QStringLiteral("P_") + name, std::move(v));
    }
    bool isEmpty() const { return m_set.isEmpty(); }
    QString clause() const { return m_set.join(QStringLiteral(", ")); }
    const QHash<QString, Value> &params() const { return m_params; }
    // Each column's change, for the history of the consumers the UPDATE reaches.
    QList<ConsumerHistory::ColumnChange> changes(const DbSession &db) const
    {
        QList<ConsumerHistory::ColumnChange> out;
        for (const QString &c : m_columns) {
            out.append(ConsumerHistory::change(db, c, QStringLiteral("CONSUMIDOR.") + c, QStringLiteral(":P_") + c));
        }
        return out;
    }
    // The values set, as the history shows them after each consumer's change.
    QList<HistoryPack::Field> newValues() const
    {
        QList<HistoryPack::Field> out;
        for (const QString &c : m_columns) {
            out.append({c, m_shown.value(c)});
        }
        return out;
    }
    // The values set, as the call's own history row shows them.
    QString summary() const
    {
        QStringList parts;
        for (const QString &c : m_columns) {
            const Value t = m_shown.value(c);
            parts.append(QStringLiteral("%1 = %2").arg(c, t.isNull() ? QStringLiteral("(vazio)") : t.toString()));
        }
        return parts.join(QStringLiteral(", "));
    }

private:
    QStringList m_set, m_columns;
    QHash<QString, Value> m_params, m_shown;
};

// A filter of AlteraConsumidor: its list text and its "T" (arguments list and list + 1).
ConsumerSelection::Filter filterOf(const MethodCall &call, int list, const char *what)
{
    const QString all = call.text(list + 1).trimmed();
    const QString keys = call.text(list).trimmed();
    const QString name = QString::fromUtf8(what);
    if (all == u"T") {
        if (!keys.isEmpty())
            refuse(QStringLiteral("O filtro de %1 veio como \"Todos\" e com uma lista ao mesmo tempo.").arg(name));
        return {};
    }
    if (!all.isEmpty())
        refuse(QStringLiteral("O filtro de %1 deve ser \"T\" (todos) ou vazio (lista); veio \"%2\".").arg(name, all));
    if (QString(keys).remove(u'_').isEmpty())
        refuse(QStringLiteral("Nenhum item do filtro de %1 foi selecionado.").arg(name));
    return {false, call.text(list)};
}

// A filter as the call's history row shows it: "T" or its list text.
QString filterText(const MethodCall &call, int list)
{
    return call.text(list + 1).trimmed() == u"T" ? QStringLiteral("T") : call.text(list).trimmed();
}

// A balance value as the screen's edit holds it (pt_BR, decimal comma): blank is null.
Value balanceValue(const MethodCall &call, int arg, const char *label)
{
    const QString typed = call.text(arg).trimmed();
    if (typed.isEmpty())
        return {};
    const std::optional<double> v = NumberFormat::parse(typed);
    if (!v)
        refuse(QStringLiteral("%1: \"%2\" não é um valor válido.").arg(QString::fromUtf8(label), typed));
    return Value(*v);
}

void saleType(const MethodCall &call, Assignments &out)
{
    const QString code = call.text(17).trimmed();
    if (code.size() != 1 || code < u"1" || code > u"7")
        refuse(QStringLiteral("O tipo de venda deve ser de 1 a 7; veio \"%1\".").arg(code));
    out.set("IDTPVENDACONS", Value(code));
}

void balance(const MethodCall &call, Assignments &out)
{
    out.set("VRMESUBCONS", balanceValue(call, 0, "Saldo mensal concedido pela empresa"));
    out.set("VRPESUBCONS", balanceValue(call, 1, "Percentual de subsídio em folha"));
}

void verification(const MethodCall &call, Assignments &out)
{
    const QString check = call.text(8).trimmed();
    if (check != u"S" && check != u"N")
        refuse(QStringLiteral("Verifica Saldo na Venda deve ser S ou N; veio \"%1\".").arg(check));
    out.set("IDVERSALDCON", Value(check));
    const char *limits[] = {"VRAVICREDCONS", "VRLIMCREDCONS", "VRMAXCREDCONS", "VRAVIDEBCONS", "VRLIMDEBCONS", "VRMAXDEBCONS"};
    for (int i = 0; i < 6; ++i)
        out.set(limits[i], call.value(2 + i));
}

QString newCode(const MethodCall &call, int arg, const char *what)
{
    const QString code = call.text(arg).trimmed();
    if (code.isEmpty())
        refuse(QStringLiteral("%1 deve ser informado.").arg(QString::fromUtf8(what)));
    return code;
}

void consumerType(MethodCall &call, Assignments &out)
{
    const QString type = newCode(call, 19, "Tipo de Consumidor");
    if (call.db().count(QStringLiteral("SELECT COUNT(*) FROM TIPOCONS WHERE CDTIPOCONS = :T"), {{QStringLiteral("T"), Value(type)}}) == 0)
        refuse(QStringLiteral("Tipo de Consumidor %1 não cadastrado.").arg(type));
    out.set("CDTIPOCONS", Value(type));
}

// A cost centre belongs to a client: every selected consumer's client must have the new one.
void costCentre(MethodCall &call, const ConsumerSelection &selection, Assignments &out)
{
    const QString centre = newCode(call, 18, "Centro de Custo");
    QHash<QString, Value> params = selection.params();
    params.insert(QStringLiteral("P_NOVOCCUS"), Value(centre));
    const Packet lacking = call.db().select(
        QStringLiteral("SELECT MIN(CONSUMIDOR.CDCLIENTE) FROM CONSUMIDOR WHERE %1 AND NOT EXISTS (SELECT 1 FROM CCUSCLIE CC "
                       "WHERE CC.CDCLIENTE = CONSUMIDOR.CDCLIENTE AND CC.CDCCUSCLIE = :P_NOVOCCUS)")
            .arg(selection.condition()),
        params, {textField("CDCLIENTE", 21)});
    if (lacking.rowCount() > 0 && !lacking.value(0, 0).isNull())
        refuse(QStringLiteral("Centro de Custo %1 não cadastrado para o cliente %2, que tem consumidores selecionados.")
                   .arg(centre, lacking.value(0, 0).toString()));
    out.set("CDCCUSCLIE", Value(centre));
}

void checkBranch(MethodCall &call, const QString &branch)
{
    if (branch.isEmpty() || branch == u"T")
        return;
    if (call.db().count(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = :F"), {{QStringLiteral("F"), Value(branch)}}) == 0)
        refuse(QStringLiteral("Filial %1 não cadastrada.").arg(branch));
}

ConsumerSelection selectionOf(MethodCall &call)
{
    // Unaliased: the UPDATE takes the condition as it stands.
    ConsumerSelection selection(call.db().dialect(), QStringLiteral("CONSUMIDOR"));
    selection.setClients(filterOf(call, 9, "clientes"));
    selection.setConsumers(filterOf(call, 11, "consumidores"));
    selection.setCostCentres(filterOf(call, 13, "centros de custo"));
    selection.setTypes(filterOf(call, 15, "tipos de consumidor"));
    const QString branch = call.text(25).trimmed();
    checkBranch(call, branch);
    selection.setBranch(branch);
    return selection;
}

// Changes, in one statement (and the call's one transaction), the ticked groups of every consumer
// that the four filters and the branch select (ConsumerSelection), and answers [how many consumers
// were changed: every selected one, even one that held the new values already].
//
// Arguments, in the screen's order: 0-1 monthly balance and subsidy percentage as typed (pt_BR);
// 2-7 the limits credit warning, blocking, daily maximum, debit warning, blocking, daily maximum
// (a number, or null when blank); 8 balance verification "S"/"N"; 9-16 the filters of clients,
// consumers, cost centres and consumer types, each a list text and a "T" (all of them; the list is
// then empty); 17 sale type; 18 new cost centre; 19 new consumer type; 20-24 the groups ticked:
// sale type, balance, verification with the six limits, cost centre, consumer type; 25 the branch.
//
// Each ticked group is checked before anything is written, and any fault refuses the whole call,
// naming what is wrong: a filter neither "T" nor a list with a key, or both; no group ticked; a sale
// type other than 1 to 7; a balance text that is not a number; a verification other than S or N; a
// value beyond its column; a blank new code; a consumer type that does not exist; a cost centre
// that a selected consumer's client does not have (cost centres are the client's own); a branch
// that does not exist. Blank values (balances, limits) are stored as null. Groups not ticked are
// left as they are, whatever their arguments hold.
Value AlteraConsumidor(MethodCall &call)
{
    const ConsumerSelection selection = selectionOf(call);
    Assignments set;
    if (call.flag(20))
        saleType(call, set);
    if (call.flag(21))
        balance(call, set);
    if (call.flag(22))
        verification(call, set);
    if (call.flag(23))
        costCentre(call, selection, set);
    if (call.flag(24))
        consumerType(call, set);
    if (set.isEmpty())
        refuse(QStringLiteral("Nenhum grupo de dados a alterar foi marcado."));
    QHash<QString, Value> params = selection.params();
    params.insert(set.params());
    call.history().changedConsumers(QStringLiteral("CONSUMIDOR"), selection.condition(), QStringLiteral("CONSUMIDOR"),
                                    set.changes(call.db()), set.newValues(), params);
    const int changed = call.db().exec(
        QStringLiteral("UPDATE CONSUMIDOR SET %1 WHERE %2").arg(set.clause(), selection.condition()), params);
    call.history().call({}, QStringLiteral("%1; filtros: clientes %2, consumidores %3, centros de custo %4, tipos %5, filial %6; "
                                           "consumidores alterados: %7")
                                .arg(set.summary(), filterText(call, 9), filterText(call, 11), filterText(call, 13),
                                     filterText(call, 15), call.text(25).trimmed())
                                .arg(changed));
    return Value(QList<Value> {Value(changed)});
}

QList<RemoteMethod::Arg> alteraArgs()
{
    using Kind = RemoteMethod::Kind;
    QList<RemoteMethod::Arg> args = {text("saldo mensal"), text("percentual de subsídio")};
    for (const char *limit : {"VRAVICREDCONS", "VRLIMCREDCONS", "VRMAXCREDCONS", "VRAVIDEBCONS", "VRLIMDEBCONS", "VRMAXDEBCONS"})
        args.append({QString::fromLatin1(limit), Kind::NumberOrNull});
    args += {text("verifica saldo"), text("clientes"), text("todos os clientes"), text("consumidores"),
             text("todos os consumidores"), text("centros de custo"), text("todos os centros de custo"),
             text("tipos de consumidor"), text("todos os tipos"), text("tipo de venda"), text("novo centro de custo"),
             text("novo tipo de consumidor")};
    for (const char *group : {"altera tipo de venda", "altera saldo", "altera verificação de saldo", "altera centro de custo",
                              "altera tipo de consumidor"})
        args.append({QString::fromUtf8(group), Kind::Flag});
    args.append(text("filial"));
    return args;
}

} // namespace

QList<RemoteMethod> methods()
{
    return {
        {QStringLiteral("getCentroCusto"), {text("clientes")}, false, getCentroCusto},
        {QStringLiteral("getAutTipoCons"), {text("clientes")}, false, getAutTipoCons},
        {QStringLiteral("getAuxCons"),
         {text("clientes"), text("centros de custo"), text("tipos de consumidor"), text("filial")},
         false,
         getAuxCons},
        {QStringLiteral("AlteraConsumidor"), alteraArgs(), true, AlteraConsumidor},
    };
}

} // namespace cns::AutoChangeMethods
