#include "ArgumentCheck.h"

#include "ChangeSet.h"
#include "Packet.h"

#include <cstring>
#include <optional>

namespace cns {

QString RemoteMethod::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Text: return QStringLiteral("um texto");
    case Kind::Flag: return QStringLiteral("um valor lógico");
    case Kind::Number: return QStringLiteral("um número");
    case Kind::NumberOrNull: return QStringLiteral("um número ou nulo");
    case Kind::Packet: return QStringLiteral("um pacote de dados");
    case Kind::ChangeSet: return QStringLiteral("um conjunto de alterações");
    }
    return {};
}

namespace ArgumentCheck {

namespace {

bool fits(const Value &v, RemoteMethod::Kind kind)
{
    switch (kind) {
    case RemoteMethod::Kind::Text: return v.kind() == Value::Kind::Text || v.isNull();
    case RemoteMethod::Kind::Flag:
        return v.kind() == Value::Kind::Bool
            || (v.kind() == Value::Kind::Int && (v.toInt() == -1 || v.toInt() == 0 || v.toInt() == 1));
    case RemoteMethod::Kind::Number: return v.isNumber();
    case RemoteMethod::Kind::NumberOrNull: return v.isNumber() || v.isNull();
    case RemoteMethod::Kind::Packet: return v.kind() == Value::Kind::Packet;
    case RemoteMethod::Kind::ChangeSet: return v.kind() == Value::Kind::ChangeSet;
    }
    return false;
}

// The first field of the row whose text holds a NUL; -1 when none does.
int fieldWithNul(const Row &row)
{
    int field = 0;
    for (Row::Reader r(row); !r.atEnd(); ++field) {
        const char *data = nullptr;
        qsizetype size = 0;
        if (!r.nextText(&data, &size))
            r.skip();
        else if (size > 0 && std::memchr(data, 0, size_t(size)))
            return field;
    }
    return -1;
}

std::optional<QString> nulInRow(const QList<FieldDef> &fields, const Row &row, qsizetype rowNo)
{
    const int field = fieldWithNul(row);
    if (field < 0)
        return std::nullopt;
    const QString name = field < fields.size() ? fields.at(field).name : QString::number(field + 1);
    return QStringLiteral(" no campo %1 da linha %2").arg(name).arg(rowNo + 1);
}

// Where a NUL stands in the argument: nothing when it holds none, an empty text for a plain text,
// else its field and row.
std::optional<QString> nulIn(const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::Text:
        return v.textIf()->contains(QChar(0)) ? std::optional<QString>(QString()) : std::nullopt;
    case Value::Kind::Packet: {
        const Packet &p = v.toPacket();
        for (qsizetype i = 0; i < p.rowCount(); ++i) {
            if (auto where = nulInRow(p.fields(), p.rows()[size_t(i)], i))
                return where;
        }
        return std::nullopt;
    }
    case Value::Kind::ChangeSet: {
        const ChangeSet &changes = v.toChangeSet();
        for (qsizetype i = 0; i < changes.size(); ++i) {
            const ChangeSet::Change &c = changes.changes()[size_t(i)];
            for (const Row *row : {&c.oldRow, &c.newRow}) {
                if (auto where = nulInRow(changes.fields(), *row, i))
                    return where;
            }
        }
        return std::nullopt;
    }
    default: return std::nullopt;
    }
}

} // namespace

QString refusal(const QString &module, const RemoteMethod &method, const QList<Value> &args)
{
    if (args.size() != method.args.size())
        return QStringLiteral("%1.%2 espera %3 argumento(s); recebeu %4.")
            .arg(module, method.name)
            .arg(method.args.size())
            .arg(args.size());
    for (int i = 0; i < args.size(); ++i) {
        const RemoteMethod::Arg &declared = method.args.at(i);
        if (!fits(args.at(i), declared.kind))
            return QStringLiteral("%1.%2: o argumento %3 (%4) deve ser %5; veio %6.")
                .arg(module, method.name)
                .arg(i + 1)
                .arg(declared.name, RemoteMethod::kindName(declared.kind), Value::kindName(args.at(i).kind()));
    }
    for (int i = 0; i < args.size(); ++i) {
        if (const auto where = nulIn(args.at(i)))
            return QStringLiteral("%1.%2: o argumento %3 (%4) traz o caractere nulo (\\u0000)%5, que um texto não pode "
                                  "conter. Remova-o e repita a operação.")
                .arg(module, method.name)
                .arg(i + 1)
                .arg(method.args.at(i).name, *where);
    }
    return {};
}

} // namespace ArgumentCheck

} // namespace cns
