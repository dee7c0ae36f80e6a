#include "Value.h"

#include "ChangeSet.h"
#include "EErro.h"
#include "Packet.h"

#include <cmath>

namespace cns {

Value::Value(const QDateTime &dt)
{
    if (!dt.isValid())
        return; // an invalid date-time is the null value
    m_v = QDateTime(dt.date(), dt.time(), Qt::UTC);
}

Value::Value(QList<Value> items) : m_v(std::make_shared<const QList<Value>>(std::move(items))) {}
Value::Value(Packet packet) : m_v(std::shared_ptr<const Packet>(std::make_shared<Packet>(std::move(packet)))) {}
Value::Value(ChangeSet changes)
    : m_v(std::shared_ptr<const ChangeSet>(std::make_shared<ChangeSet>(std::move(changes))))
{
}
Value::Value(std::shared_ptr<const Packet> packet)
{
    if (packet)
        m_v = std::move(packet);
}

Value Value::bytes(QByteArray data)
{
    Value v;
    v.m_v = Blob{std::move(data)};
    return v;
}

Value Value::error(QString text)
{
    Value v;
    v.m_v = ErrorText{std::move(text)};
    return v;
}

Value Value::date(QDate date, QTime time)
{
    return Value(QDateTime(date, time, Qt::UTC));
}

QString Value::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Null: return QStringLiteral("nulo");
    case Kind::Bool: return QStringLiteral("lógico");
    case Kind::Int: return QStringLiteral("inteiro");
    case Kind::Float: return QStringLiteral("número");
    case Kind::Text: return QStringLiteral("texto");
    case Kind::Date: return QStringLiteral("data");
    case Kind::Bytes: return QStringLiteral("bytes");
    case Kind::Array: return QStringLiteral("lista");
    case Kind::Packet: return QStringLiteral("pacote de dados");
    case Kind::ChangeSet: return QStringLiteral("conjunto de alterações");
    case Kind::Error: return QStringLiteral("erro");
    }
    return {};
}

void Value::raiseIfError() const
{
    if (const auto *e = std::get_if<ErrorText>(&m_v))
        throw EErroServidor(e->text);
}

void Value::raiseKind(const char *wanted) const
{
    raiseIfError();
    throw EErro(QStringLiteral("Valor do tipo %1 não pode ser lido como %2.")
                    .arg(kindName(kind()), QString::fromUtf8(wanted)));
}

bool Value::toBool() const
{
    switch (kind()) {
    case Kind::Bool: return std::get<bool>(m_v);
    case Kind::Int: return std::get<qint64>(m_v) != 0;
    case Kind::Text: {
        const QString &s = std::get<QString>(m_v);
        if (s == u"S" || s == u"s" || s.compare(u"true", Qt::CaseInsensitive) == 0 || s == u"1")
            return true;
        if (s == u"N" || s == u"n" || s.compare(u"false", Qt::CaseInsensitive) == 0 || s == u"0" || s.isEmpty())
            return false;
        break;
    }
    case Kind::Null: return false;
    default: break;
    }
    raiseKind("lógico");
}

qint64 Value::toInt() const
{
    switch (kind()) {
    case Kind::Int: return std::get<qint64>(m_v);
    case Kind::Float: {
        const double d = std::get<double>(m_v);
        if (std::isfinite(d) && std::fabs(d) < 9.2e18)
            return qint64(std::llround(d));
        break;
    }
    case Kind::Bool: return std::get<bool>(m_v) ? 1 : 0;
    case Kind::Text: {
        bool ok = false;
        const qint64 i = std::get<QString>(m_v).trimmed().toLongLong(&ok);
        if (ok)
            return i;
        break;
    }
    case Kind::Null: return 0;
    default: break;
    }
    raiseKind("inteiro");
}

double Value::toDouble() const
{
    switch (kind()) {
    case Kind::Float: return std::get<double>(m_v);
    case Kind::Int: return double(std::get<qint64>(m_v));
    case Kind::Text: {
        bool ok = false;
        const double d = std::get<QString>(m_v).trimmed().toDouble(&ok);
        if (ok)
            return d;
        break;
    }
    case Kind::Null: return 0.0;
    default: break;
    }
    raiseKind("número");
}

QString Value::toString() const
{
    switch (kind()) {
    case Kind::Null: return {};
    case Kind::Bool: return std::get<bool>(m_v) ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Int: return QString::number(std::get<qint64>(m_v));
    case Kind::Float: return QString::number(std::get<double>(m_v), 'g', QLocale::FloatingPointShortest);
    case Kind::Text: return std::get<QString>(m_v);
    case Kind::Date: return std::get<QDateTime>(m_v).toString(Qt::ISODateWithMs);
    default: break;
    }
    raiseKind("texto");
}

QDateTime Value::toDateTime() const
{
    switch (kind()) {
    case Kind::Date: return std::get<QDateTime>(m_v);
    case Kind::Null: return {};
    case Kind::Text: {
        QDateTime dt = QDateTime::fromString(std::get<QString>(m_v), Qt::ISODateWithMs);
        if (dt.isValid())
            return QDateTime(dt.date(), dt.time(), Qt::UTC);
        break;
    }
    default: break;
    }
    raiseKind("data");
}

QByteArray Value::toBytes() const
{
    switch (kind()) {
    case Kind::Bytes: return std::get<Blob>(m_v).data;
    case Kind::Null: return {};
    case Kind::Text: return std::get<QString>(m_v).toUtf8();
    default: break;
    }
    raiseKind("bytes");
}

const QList<Value> &Value::toArray() const
{
    if (kind() != Kind::Array)
        raiseKind("lista");
    return *std::get<std::shared_ptr<const QList<Value>>>(m_v);
}

const Packet &Value::toPacket() const
{
    return *packetPtr();
}

std::shared_ptr<const Packet> Value::packetPtr() const
{
    if (kind() != Kind::Packet)
        raiseKind("pacote de dados");
    return std::get<std::shared_ptr<const Packet>>(m_v);
}

const ChangeSet &Value::toChangeSet() const
{
    if (kind() != Kind::ChangeSet)
        raiseKind("conjunto de alterações");
    return *std::get<std::shared_ptr<const ChangeSet>>(m_v);
}

QString Value::errorText() const
{
    if (const auto *e = std::get_if<ErrorText>(&m_v))
        return e->text;
    return {};
}

const Value &Value::at(qsizetype i) const
{
    const QList<Value> &items = toArray();
    if (i < 0 || i >= items.size())
        throw EErro(QStringLiteral("A resposta não tem o elemento %1 (tem %2).").arg(i).arg(items.size()));
    return items.at(i);
}

bool operator==(const Value &a, const Value &b)
{
    if (a.kind() != b.kind())
        return false;
    switch (a.kind()) {
    case Value::Kind::Null: return true;
    case Value::Kind::Bool: return std::get<bool>(a.m_v) == std::get<bool>(b.m_v);
    case Value::Kind::Int: return std::get<qint64>(a.m_v) == std::get<qint64>(b.m_v);
    case Value::Kind::Float: {
        const double x = std::get<double>(a.m_v), y = std::get<double>(b.m_v);
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    case Value::Kind::Text: return std::get<QString>(a.m_v) == std::get<QString>(b.m_v);
    case Value::Kind::Date: return std::get<QDateTime>(a.m_v) == std::get<QDateTime>(b.m_v);
    case Value::Kind::Bytes: return std::get<Value::Blob>(a.m_v).data == std::get<Value::Blob>(b.m_v).data;
    case Value::Kind::Array: return a.toArray() == b.toArray();
    case Value::Kind::Packet: return a.toPacket() == b.toPacket();
    case Value::Kind::ChangeSet: return a.toChangeSet() == b.toChangeSet();
    case Value::Kind::Error: return a.errorText() == b.errorText();
    }
    return false;
}

QString debugText(const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::Null: return QStringLiteral("null");
    case Value::Kind::Array: return QStringLiteral("[%1 elementos]").arg(v.toArray().size());
    case Value::Kind::Packet: return QStringLiteral("<pacote>");
    case Value::Kind::ChangeSet: return QStringLiteral("<alterações>");
    case Value::Kind::Bytes: return QStringLiteral("<%1 bytes>").arg(v.toBytes().size());
    case Value::Kind::Error: return QStringLiteral("erro: ") + v.errorText();
    default: return v.toString();
    }
}

} // namespace cns
