#pragma once

#include "ChangeSet.h"
#include "FieldDef.h"
#include "JsonToken.h"
#include "Packet.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace cns {

// A packet {"fields": [...], "rows": [...]} or change set {"fields": [...], "changes": [...]} being
// read. Its rows or changes are read straight into packed rows when the fields came first; when
// they come first, only where they start is kept, and they are read again from there once the
// object ends (JsonReader::readBody).
class JsonComposite
{
public:
    enum class Member : unsigned char { Fields, Rows, Changes };

    void setMember(QByteArrayView key); // refuses an unknown or repeated member
    Member member() const { return m_member; }
    bool hasFields() const { return m_hasFields; }
    const QList<FieldDef> &fields() const { return m_fields; }

    // One field definition {"name", "type", "size"}; other members are skipped.
    void beginField();
    void fieldKey(QByteArrayView key);
    bool skipsFieldValue() const { return m_fieldKey == FieldKey::Other; }
    void fieldValue(const JsonToken &t);
    void endField();
    void endFields();

    void beginBody();
    void deferBody(size_t from);
    std::optional<size_t> deferredFrom() const { return m_deferredFrom; }
    void resumeBody(); // before reading the deferred rows or changes
    qsizetype nextRowNumber() { return ++m_count; }
    void addRow(Row row) { m_packet.appendRow(std::move(row)); }

    void beginChange();
    void changeKey(QByteArrayView key);
    bool changeWantsRow() const { return m_changeKey != ChangeKey::Op; }
    void changeValue(const JsonToken &t); // the op; refuses anything else
    qsizetype changeNumber() const { return m_count; }
    void setChangeRow(Row row);
    void endChange();

    void checkComplete() const;
    Value take();

private:
    enum class FieldKey : unsigned char { Name, Type, Size, Other };
    enum class ChangeKey : unsigned char { Op, Old, New };

    QList<FieldDef> m_fields;
    Member m_member = Member::Fields;
    bool m_fieldsSeen = false;
    bool m_hasFields = false;
    std::optional<Member> m_body;
    std::optional<size_t> m_deferredFrom;
    qsizetype m_count = 0;
    Packet m_packet;
    ChangeSet m_changes;

    FieldDef m_field;
    FieldKey m_fieldKey = FieldKey::Other;
    bool m_hasName = false;
    bool m_hasType = false;

    ChangeSet::Change m_change;
    ChangeKey m_changeKey = ChangeKey::Op;
    QByteArray m_op;
    bool m_hasOld = false;
    bool m_hasNew = false;
};

} // namespace cns
