#include "ConsumerBranchMethods.h"

#include "ChangeSetWriter.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"
#include "Pesqlista.h"
#include "Schema.h"
#include "ServerMethodHelpers.h"

#include <QSet>

#include <optional>

namespace cns::ConsumerBranchMethods {

namespace {

using ServerMethodHelpers::text;

// Where the key fields sit in the change set of the branch grid.
struct LinkKey
{
    explicit LinkKey(const ChangeSet &changes)
        : client(changes.indexOf(u"CDCLIENTE")), consumer(changes.indexOf(u"CDCONSUMIDOR")),
          branch(changes.indexOf(u"CDFILIAL"))
    {
        for (const auto &[field, at] :
             {std::pair {"CDCLIENTE", client}, {"CDCONSUMIDOR", consumer}, {"CDFILIAL", branch}}) {
            if (at < 0)
                throw EErro(QStringLiteral("As alterações de CONSUMIFILIAL não trazem o campo %1 da chave.")
                                .arg(QLatin1String(field)));
        }
    }
    QString of(const Row &row) const
    {
        return row.value(client).toString() + u'\x1f' + row.value(consumer).toString() + u'\x1f'
            + row.value(branch).toString();
    }

    int client, consumer, branch;
};

bool exists(DbSession &db, const QString &sql, const QHash<QString, Value> &params)
{
    return db.count(sql, params) > 0;
}

// Whether a new link may be made: the consumer exists and its client is associated with the branch.
void checkNewLink(DbSession &db, const QString &client, const QString &consumer, const QString &branch)
{
    if (branch.trimmed().isEmpty())
        throw EErro(QStringLiteral("Código da filial deve ser informado."));
    const QHash<QString, Value> params = {{QStringLiteral("P_CDCLIENTE"), Value(client)},
                                          {QStringLiteral("P_CDCONSUMIDOR"), Value(consumer)},
                                          {QStringLiteral("P_CDFILIAL"), Value(branch)}};
    if (!exists(
            db,
            QStringLiteral(
                "SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR"),
            params))
        throw EErro(
            QStringLiteral("Consumidor %1 não cadastrado no cliente %2: a filial %3 não pode ser associada a ele.")
                .arg(consumer, client, branch));
    if (!exists(db,
                QStringLiteral(
                    "SELECT COUNT(*) FROM CLIENFILIAL WHERE CDCLIENTE = :P_CDCLIENTE AND CDFILIAL = :P_CDFILIAL"),
                params))
        throw EErro(QStringLiteral(
                        "Apenas filiais associadas ao cliente podem ser associadas ao consumidor: a filial %1 não está "
                        "associada ao cliente %2.")
                        .arg(branch, client));
}

// Refuses a second link of a consumer to the same branch, whether stored or made earlier in the
// same change set; a link the change set deleted before may be made again.
class DuplicateCheck
{
public:
    DuplicateCheck(DbSession &db, const LinkKey &key) : m_db(db), m_key(key) { }

    void deleted(const Row &old)
    {
        m_added.remove(m_key.of(old));
        m_removed.insert(m_key.of(old));
    }
    void inserted(const Row &row)
    {
        const QString k = m_key.of(row);
        if (m_added.contains(k) || (!m_removed.contains(k) && stored(row)))
            throw EErro(QStringLiteral("Filial %1 já cadastrada para o consumidor %2.")
                            .arg(row.value(m_key.branch).toString(), row.value(m_key.consumer).toString()));
        m_removed.remove(k);
        m_added.insert(k);
    }

private:
    bool stored(const Row &row)
    {
        return exists(
            m_db,
            QStringLiteral("SELECT COUNT(*) FROM CONSUMIFILIAL WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = "
                           ":P_CDCONSUMIDOR AND CDFILIAL = :P_CDFILIAL"),
            {{QStringLiteral("P_CDCLIENTE"), row.value(m_key.client)},
             {QStringLiteral("P_CDCONSUMIDOR"), row.value(m_key.consumer)},
             {QStringLiteral("P_CDFILIAL"), row.value(m_key.branch)}});
    }

    DbSession &m_db;
    const LinkKey &m_key;
    QSet<QString> m_added, m_removed;
};

// Stores the changes of a consumer's branch grid in one transaction, all or nothing. Links are
// made and deleted, never edited: an update is refused. A new link is refused, naming the branch,
// when its consumer does not exist, when the consumer's client is not associated with the branch
// (CLIENFILIAL), or when the consumer has that branch already (stored, or made earlier in the same
// change set). Whatever the screen checked: another caller, or a change made meanwhile, is held to
// the same rules. Deleting a link that someone else deleted since it was read is refused as any
// change made meanwhile (ChangeSetWriter).
Value SetConsFilial(MethodCall &call)
{
    const ChangeSet &changes = call.changes(0);
    const LinkKey key(changes);
    DuplicateCheck duplicates(call.db(), key);
    for (const ChangeSet::Change &c : changes.changes()) {
        switch (c.op) {
        case ChangeSet::Op::Insert:
            checkNewLink(call.db(), c.newRow.value(key.client).toString(), c.newRow.value(key.consumer).toString(),
                         c.newRow.value(key.branch).toString());
            duplicates.inserted(c.newRow);
            break;
        case ChangeSet::Op::Update:
            throw EErro(QStringLiteral(
                            "O vínculo do consumidor %1 com a filial %2 não pode ser alterado: exclua-o e inclua o da "
                            "outra filial.")
                            .arg(c.oldRow.value(key.consumer).toString(), c.oldRow.value(key.branch).toString()));
        case ChangeSet::Op::Delete:
            duplicates.deleted(c.oldRow);
            break;
        }
    }
    ChangeSetWriter writer(call.db(), Schema::table(u"CONSUMIFILIAL"));
    writer.setHistory(&call.history());
    writer.apply(changes);
    return Value(QList<Value> {Value(true)});
}

// Ties every active consumer of the clients associated with the branch (of the one client, when
// given) to the branch, in one statement; links that exist stay as they are. Returns how many were
// made. The ignoring insert lets a call that runs beside another one skip what that one made. The
// links about to be made go to the history first, from the same rows.
int tieActiveConsumers(MethodCall &call, const QString &branch, const std::optional<QString> &client = std::nullopt)
{
    DbSession &db = call.db();
    QHash<QString, Value> params = {{QStringLiteral("P_CDFILIAL"), Value(branch)}};
    QString from = QStringLiteral("FROM CLIENFILIAL CF "
                                  "JOIN CONSUMIDOR C ON C.CDCLIENTE = CF.CDCLIENTE "
                                  "WHERE CF.CDFILIAL = :P_CDFILIAL AND C.IDSITCONSUMI = '1' "
                                  "AND NOT EXISTS (SELECT 1 FROM CONSUMIFILIAL X WHERE X.CDCLIENTE = C.CDCLIENTE AND "
                                  "X.CDCONSUMIDOR = C.CDCONSUMIDOR "
                                  "AND X.CDFILIAL = CF.CDFILIAL)");
    if (client) {
        from += QStringLiteral(" AND CF.CDCLIENTE = :P_CDCLIENTE");
        params.insert(QStringLiteral("P_CDCLIENTE"), Value(*client));
    }
    call.history().rows(QStringLiteral("C.CDCLIENTE, C.CDCONSUMIDOR, 'CONSUMIFILIAL', NULL, 'CDFILIAL', NULL, CF.CDFILIAL"), from,
                        params);
    return db.exec(db.dialect().insertIgnoringDuplicates.arg(
                       QStringLiteral("CONSUMIFILIAL (CDCLIENTE, CDCONSUMIDOR, CDFILIAL)"),
                       QStringLiteral("SELECT C.CDCLIENTE, C.CDCONSUMIDOR, CF.CDFILIAL %1").arg(from)),
                   params);
}

Value done(int tied)
{
    return Value(QList<Value> {Value(true), Value(tied)});
}

// "Atualizar Filial Logada (Todos Clientes)": ties every active consumer ("1") of every client
// associated with the branch to it; adds the missing links and removes none. An empty or unknown
// branch is refused. Answers [true, links made].
Value setAtuFiliCons(MethodCall &call)
{
    const QString branch = call.text(0).trimmed();
    if (branch.isEmpty())
        throw EErro(QStringLiteral("Código da filial deve ser informado."));
    if (!exists(call.db(), QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"),
                {{QStringLiteral("P_CDFILIAL"), Value(branch)}}))
        throw EErro(QStringLiteral("Filial %1 não cadastrada: os consumidores não foram atualizados.").arg(branch));
    const int tied = tieActiveConsumers(call, branch);
    call.history().call({}, QStringLiteral("filial %1; vínculos criados: %2").arg(branch).arg(tied));
    return done(tied);
}

// The branches of a list text: "_0001_0002_" as the dialog builds it, or one bare code; each once.
QStringList branchesOf(const QString &list)
{
    QStringList out;
    for (const QString &key : Pesqlista::keysOf(list)) {
        const QString code = key.trimmed();
        if (!code.isEmpty() && !out.contains(code))
            out.append(code);
    }
    return out;
}

QStringList branchesOfClient(DbSession &db, const QString &client)
{
    const Packet p
        = db.select(QStringLiteral("SELECT CDFILIAL FROM CLIENFILIAL WHERE CDCLIENTE = :P_CDCLIENTE"),
                    {{QStringLiteral("P_CDCLIENTE"), Value(client)}}, {ServerMethodHelpers::textField("CDFILIAL", 4)});
    QStringList out;
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        out.append(p.value(i, 0).toString());
    return out;
}

// "Atualizar Lista de Filiais (Cliente da Tela)": ties every active consumer ("1") of the client
// to each listed branch; adds the missing links and removes none. Refused before anything is
// written: an unknown client, an empty list, and a listed branch the client is not associated
// with (all such named). Answers [true, links made].
Value setAtuFiliConsLista(MethodCall &call)
{
    DbSession &db = call.db();
    const QString client = call.text(1).trimmed();
    if (!exists(db, QStringLiteral("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = :P_CDCLIENTE"),
                {{QStringLiteral("P_CDCLIENTE"), Value(client)}}))
        throw EErro(QStringLiteral("Cliente %1 não cadastrado: os consumidores não foram atualizados.").arg(client));
    const QStringList listed = branchesOf(call.text(0));
    if (listed.isEmpty())
        throw EErro(QStringLiteral("Nenhuma filial foi selecionada. Selecione ao menos uma filial para atualizar."));
    const QStringList own = branchesOfClient(db, client);
    QStringList outside;
    for (const QString &b : listed) {
        if (!own.contains(b))
            outside.append(b);
    }
    if (!outside.isEmpty())
        throw EErro(
            QStringLiteral("%1 %2 não %3 ao cliente %4: os consumidores não foram atualizados.")
                .arg(outside.size() == 1 ? QStringLiteral("A filial") : QStringLiteral("As filiais"),
                     outside.join(QStringLiteral(", ")),
                     outside.size() == 1 ? QStringLiteral("está associada") : QStringLiteral("estão associadas"),
                     client));
    int tied = 0;
    for (const QString &b : listed)
        tied += tieActiveConsumers(call, b, client);
    call.history().call(client, QStringLiteral("filiais %1; vínculos criados: %2").arg(listed.join(u',')).arg(tied));
    return done(tied);
}

} // namespace

QList<RemoteMethod> methods()
{
    return {
        {QStringLiteral("SetConsFilial"),
         {{QStringLiteral("alterações"), RemoteMethod::Kind::ChangeSet}},
         true,
         SetConsFilial},
        {QStringLiteral("setAtuFiliCons"), {text("filial")}, true, setAtuFiliCons},
        {QStringLiteral("setAtuFiliConsLista"), {text("lista de filiais"), text("cliente")}, true, setAtuFiliConsLista},
    };
}

} // namespace cns::ConsumerBranchMethods
