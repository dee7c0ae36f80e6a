#include "ConsumerAddressMethods.h"

#include "ChangeSetWriter.h"
#include "DbSession.h"
#include "EErro.h"
#include "MethodCall.h"
#include "Schema.h"

#include <QHash>
#include <QSet>

namespace cns::ConsumerAddressMethods {

namespace {

// The address number is two characters wide: "01" to "99", as the addresses were always numbered.
constexpr int kLastNumber = 99;

QString numberText(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Where the key fields sit in the change set.
struct AddressKey
{
    explicit AddressKey(const ChangeSet &changes)
        : client(changes.indexOf(u"CDCLIENTE")), consumer(changes.indexOf(u"CDCONSUMIDOR")),
          number(changes.indexOf(u"CDENDECONS"))
    {
        for (const auto &[field, at] :
             {std::pair {"CDCLIENTE", client}, {"CDCONSUMIDOR", consumer}, {"CDENDECONS", number}}) {
            if (at < 0)
                throw EErro(QStringLiteral("As alterações de ENDECONS não trazem o campo %1 da chave.")
                                .arg(QLatin1String(field)));
        }
    }
    QString owner(const Row &row) const
    {
        return row.value(client).toString() + u'\x1f' + row.value(consumer).toString();
    }

    int client, consumer, number;
};

// Numbers the new addresses of each consumer as the change set goes, so that two new addresses in
// one call get two numbers and a number an earlier delete freed can be given again.
class AddressNumbers
{
public:
    AddressNumbers(DbSession &db, const AddressKey &key) : m_db(db), m_key(key) { }

    void deleted(const Row &old) { used(old).remove(old.value(m_key.number).toString()); }
    void taken(const Row &row) { used(row).insert(row.value(m_key.number).toString()); }

    // The number after the highest in use, so that addresses keep the order they were made in;
    // past 99 the first free one, so that a consumer is refused only with 99 addresses.
    QString next(const Row &row)
    {
        const QSet<QString> &numbers = used(row);
        int highest = 0;
        for (const QString &n : numbers)
            highest = std::max(highest, n.toInt());
        for (int n = highest + 1; n <= kLastNumber; ++n) {
            if (!numbers.contains(numberText(n)))
                return numberText(n);
        }
        for (int n = 1; n <= kLastNumber; ++n) {
            if (!numbers.contains(numberText(n)))
                return numberText(n);
        }
        throw EErro(
            QStringLiteral("O consumidor %1 do cliente %2 já tem %3 endereços, o máximo que o número do endereço "
                           "comporta. Exclua um endereço antes de incluir outro.")
                .arg(row.value(m_key.consumer).toString(), row.value(m_key.client).toString())
                .arg(kLastNumber));
    }

    // A new address of a consumer that does not exist would belong to no one.
    void checkOwner(const Row &row)
    {
        if (m_owners.contains(m_key.owner(row)))
            return;
        if (m_db.count(QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR "
                                      "= :P_CDCONSUMIDOR"),
                       ownerParams(row))
            == 0)
            throw EErro(QStringLiteral("Consumidor %1 não cadastrado no cliente %2: o endereço não pode ser incluído.")
                            .arg(row.value(m_key.consumer).toString(), row.value(m_key.client).toString()));
        m_owners.insert(m_key.owner(row));
    }

private:
    QHash<QString, Value> ownerParams(const Row &row) const
    {
        return {{QStringLiteral("P_CDCLIENTE"), row.value(m_key.client)},
                {QStringLiteral("P_CDCONSUMIDOR"), row.value(m_key.consumer)}};
    }

    // The numbers the consumer's addresses hold, as stored before this call and then as its
    // changes leave them.
    QSet<QString> &used(const Row &row)
    {
        const QString owner = m_key.owner(row);
        auto it = m_used.find(owner);
        if (it != m_used.end())
            return *it;
        const Packet p = m_db.select(QStringLiteral("SELECT CDENDECONS FROM ENDECONS WHERE CDCLIENTE = :P_CDCLIENTE "
                                                    "AND CDCONSUMIDOR = :P_CDCONSUMIDOR"),
                                     ownerParams(row), {{QStringLiteral("CDENDECONS"), FieldType::String, 2}});
        QSet<QString> numbers;
        for (qsizetype i = 0; i < p.rowCount(); ++i)
            numbers.insert(p.value(i, 0).toString());
        return *m_used.insert(owner, numbers);
    }

    DbSession &m_db;
    const AddressKey &m_key;
    QHash<QString, QSet<QString>> m_used;
    QSet<QString> m_owners; // consumers known to exist
};

Row withValue(const Row &row, int field, const Value &value)
{
    Row::Builder b;
    Row::Reader r(row);
    for (int i = 0; !r.atEnd(); ++i) {
        const Value v = r.next();
        b.addValue(i == field ? value : v);
    }
    return b.take();
}

// An address stays with its consumer and its number: moving it would leave the screen that read it
// pointing at a row that is no longer there.
void refuseKeyChange(const AddressKey &key, const ChangeSet::Change &c)
{
    for (const int field : {key.client, key.consumer, key.number}) {
        if (!(c.oldRow.value(field) == c.newRow.value(field)))
            throw EErro(
                QStringLiteral("O endereço %1 do consumidor %2 não pode mudar de consumidor nem de número: exclua-o e "
                               "inclua-o no outro consumidor.")
                    .arg(c.oldRow.value(key.number).toString(), c.oldRow.value(key.consumer).toString()));
    }
}

// Stores the changes of the further address grid in one transaction, all or nothing.
// - A new address whose number is blank (the screen never sets it) gets the consumer's next free
//   number, "01" to "99"; a given number is kept. With 99 addresses a new one is refused: the
//   number has two characters, and a longer one would be cut into another address's number.
// - A new address of a consumer that does not exist is refused.
// - An update may not move an address to another consumer or number.
// - A row that another operator changed or deleted since it was read is refused (ChangeSetWriter),
//   as is a key longer than its column; other texts are cut to their columns as the packets cut them.
Value SetEndeCons(MethodCall &call)
{
    const ChangeSet &given = call.changes(0);
    const AddressKey key(given);
    AddressNumbers numbers(call.db(), key);
    ChangeSet changes(given.fields());
    for (ChangeSet::Change c : given.changes()) {
        switch (c.op) {
        case ChangeSet::Op::Insert:
            numbers.checkOwner(c.newRow);
            if (c.newRow.value(key.number).toString().trimmed().isEmpty())
                c.newRow = withValue(c.newRow, key.number, Value(numbers.next(c.newRow)));
            numbers.taken(c.newRow);
            break;
        case ChangeSet::Op::Update:
            refuseKeyChange(key, c);
            break;
        case ChangeSet::Op::Delete:
            numbers.deleted(c.oldRow);
            break;
        }
        changes.add(std::move(c));
    }
    ChangeSetWriter writer(call.db(), Schema::table(u"ENDECONS"));
    writer.setHistory(&call.history());
    writer.apply(changes);
    return Value(QList<Value> {Value(true)});
}

} // namespace

QList<RemoteMethod> methods()
{
    return {{QStringLiteral("SetEndeCons"),
             {{QStringLiteral("alterações"), RemoteMethod::Kind::ChangeSet}},
             true,
             SetEndeCons}};
}

} // namespace cns::ConsumerAddressMethods
