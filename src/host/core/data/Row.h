#pragma once

#include "Value.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace cns {

// One record's values, packed into one shared byte buffer: a tag byte per value, texts as UTF-8.
// A packet of tens of thousands of consumers costs about what its rows cost as CSV, and copying a
// Row (into a change log, from one packet to another) shares the buffer instead of copying it.
class Row
{
public:
    enum Tag : unsigned char {
        TagNull = 0x00,
        TagFalse = 0x01,
        TagTrue = 0x02,
        TagInt = 0x03,   // zigzag varint
        TagFloat = 0x04, // 8 bytes, little endian IEEE 754
        TagDate = 0x05,  // 8 bytes: milliseconds since 1970-01-01T00:00:00 of a naive date-time
        TagText = 0x06,  // varint length, UTF-8
        TagBlob = 0x07,  // varint length, bytes
        TagShortText = 0x80, // 0x80 | length (0 to 127), UTF-8
    };

    Row() = default;
    explicit Row(QByteArray encoded) : m_data(std::move(encoded)) {}

    // Number of values (walks the buffer).
    int count() const;
    Value value(int index) const;
    bool isNull(int index) const;
    const QByteArray &encoded() const { return m_data; }
    bool isEmpty() const { return m_data.isEmpty(); }

    friend bool operator==(const Row &a, const Row &b) { return a.m_data == b.m_data; }
    friend bool operator!=(const Row &a, const Row &b) { return a.m_data != b.m_data; }

    // Walks a row value by value, without building Values where the caller only needs bytes.
    class Reader
    {
    public:
        explicit Reader(const Row &row);
        bool atEnd() const { return m_p >= m_end; }
        // Tag of the next value (TagShortText for every short text).
        Tag peekTag() const;
        Value next();
        void skip();
        // The next value as UTF-8 bytes when it is a text; false (and nothing consumed) otherwise.
        bool nextText(const char **data, qsizetype *size);
        // The next value as text (Value::toString()), without making a Value of a text.
        QString nextString();

    private:
        friend class Row;
        const char *m_p;
        const char *m_end;
    };

    class Builder
    {
    public:
        Builder() = default;
        explicit Builder(qsizetype reserve) { m_data.reserve(reserve); }
        void addNull() { m_data.append(char(TagNull)); }
        void addBool(bool b) { m_data.append(char(b ? TagTrue : TagFalse)); }
        void addInt(qint64 i);
        void addFloat(double d);
        void addDate(const QDateTime &dt); // invalid: null
        void addDateMsecs(qint64 msecs);
        void addText(QStringView s);
        void addTextUtf8(const char *data, qsizetype size);
        void addBlob(const QByteArray &bytes);
        void addValue(const Value &v); // Null, Bool, Int, Float, Text, Date, Bytes only
        void addEncoded(const char *begin, const char *end) { m_data.append(begin, end - begin); }
        Row take() { return Row(std::exchange(m_data, {})); }
        // A row of exactly its size; the builder keeps its buffer for the next row (rows built
        // one after another allocate once each, and hold no spare capacity).
        Row takeExact()
        {
            Row r(QByteArray(m_data.constData(), m_data.size()));
            m_data.resize(0);
            return r;
        }
        void clear() { m_data.resize(0); } // keeps the buffer
        // Whether the row built so far has row's bytes (a copy of row can then stand for it).
        bool sameAs(const Row &row) const { return m_data == row.encoded(); }

    private:
        bool addShortAscii(QStringView s); // false, adding nothing, unless s is short ASCII
        void addLength(unsigned char longTag, qsizetype size);
        void addVarint(quint64 v);
        QByteArray m_data;
    };

    // Position of value `index` in the buffer and of the one after it.
    bool locate(int index, const char **begin, const char **end) const;

private:
    QByteArray m_data;
};

} // namespace cns
