#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>
#include <variant>

namespace cns {

class Packet;
class ChangeSet;

// One value of the wire and of a packet's cell: null, flag, integer, float, text, date-time, byte
// blob, array, data packet, change set, or the error text of a failed server call.
//
// Null, empty text and 0 are different values. Date-times are naive (no time zone): they are held
// as UTC so that no daylight-saving rule of the machine can move a date of birth.
// Arrays, packets and change sets are immutable and shared, so copying a Value is cheap.
class Value
{
public:
    enum class Kind : unsigned char { Null, Bool, Int, Float, Text, Date, Bytes, Array, Packet, ChangeSet, Error };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : m_v(b) {}
    Value(int i) : m_v(qint64(i)) {}
    Value(qint64 i) : m_v(i) {}
    Value(double d) : m_v(d) {}
#ifdef QT_NO_CAST_FROM_ASCII
    Value(const char *) = delete; // a C string would silently become a flag; build a QString
#else
    Value(const char *utf8) : m_v(QString::fromUtf8(utf8)) {}
#endif
    Value(const QString &s) : m_v(s) {}
    Value(QString &&s) : m_v(std::move(s)) {}
    Value(const QDateTime &dt);
    Value(QList<Value> items);
    Value(Packet packet);
    Value(ChangeSet changes);
    Value(std::shared_ptr<const Packet> packet);

    static Value bytes(QByteArray data);
    static Value error(QString text);
    static Value date(QDate date, QTime time = QTime(0, 0));

    Kind kind() const { return Kind(m_v.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    bool isError() const { return kind() == Kind::Error; }
    bool isNumber() const { return kind() == Kind::Int || kind() == Kind::Float; }

    // Conversions. An error value raises its text (EErroServidor) from every conversion, so a reply
    // that failed can never be read as data. A value of a kind that does not convert raises EErro.
    bool toBool() const;
    qint64 toInt() const;
    double toDouble() const;
    QString toString() const;
    // The value's own text without a copy; nullptr when it is not a text.
    const QString *textIf() const noexcept { return std::get_if<QString>(&m_v); }
    QDateTime toDateTime() const;
    QByteArray toBytes() const;
    const QList<Value> &toArray() const;
    const Packet &toPacket() const;
    std::shared_ptr<const Packet> packetPtr() const;
    const ChangeSet &toChangeSet() const;
    QString errorText() const;

    // Element i of an array value; a clear error when there is no such element.
    const Value &at(qsizetype i) const;

    static QString kindName(Kind kind);

    friend bool operator==(const Value &a, const Value &b);
    friend bool operator!=(const Value &a, const Value &b) { return !(a == b); }

private:
    struct ErrorText
    {
        QString text;
    };
    struct Blob
    {
        QByteArray data;
    };
    void raiseIfError() const;
    [[noreturn]] void raiseKind(const char *wanted) const;

    std::variant<std::monostate, bool, qint64, double, QString, QDateTime, Blob, std::shared_ptr<const QList<Value>>,
                 std::shared_ptr<const Packet>, std::shared_ptr<const ChangeSet>, ErrorText>
        m_v;
};

// Text form of a value for messages (never personal data in logs: callers decide what to print).
QString debugText(const Value &v);

} // namespace cns
