#pragma once

#include "FieldDef.h"
#include "Row.h"

#include <QList>
#include <vector>

namespace cns {

// A data packet: column definitions and rows, as the server returns them and a DataSet loads them.
// Every row holds one value per column, of the column's kind or null (checked where rows come in).
class Packet
{
public:
    Packet() = default;
    explicit Packet(QList<FieldDef> fields) : m_fields(std::move(fields)) {}

    const QList<FieldDef> &fields() const { return m_fields; }
    void setFields(QList<FieldDef> fields) { m_fields = std::move(fields); }
    int indexOf(QStringView name) const; // case-insensitive; -1 when absent

    const std::vector<Row> &rows() const { return m_rows; }
    std::vector<Row> &rows() { return m_rows; }
    qsizetype rowCount() const { return qsizetype(m_rows.size()); }
    Value value(qsizetype row, int field) const { return m_rows.at(size_t(row)).value(field); }
    Value value(qsizetype row, QStringView field) const;

    // Appends a row from loose values, each brought to its column's type (checkRow's rules).
    void addRow(const QList<Value> &values);
    void appendRow(Row row) { m_rows.push_back(std::move(row)); }
    void reserve(qsizetype n) { m_rows.reserve(size_t(n)); }

    // Raises EErro naming the row and column when a row's width or a value's kind is wrong.
    void checkRow(const Row &row, qsizetype rowNumber) const;

    friend bool operator==(const Packet &a, const Packet &b)
    {
        return a.m_fields == b.m_fields && a.m_rows == b.m_rows;
    }

private:
    QList<FieldDef> m_fields;
    std::vector<Row> m_rows;
};

// Brings a loose value to a column's type: integral numbers to a float column, texts cut to the
// column's size, numbers given as text where the column wants a number. Raises EErro naming the
// column when the value cannot be taken.
Value coerceToField(const FieldDef &field, const Value &v);

// Whether a packed value of kind `kind` may stand in a column of type `type`.
bool kindFitsType(Value::Kind kind, FieldType type);

// Checks a packet's field list: names present and unique.
void checkFieldDefs(const QList<FieldDef> &fields, const QString &what);

} // namespace cns
