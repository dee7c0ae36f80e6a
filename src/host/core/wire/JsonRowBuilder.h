#pragma once

#include "FieldDef.h"
#include "JsonToken.h"
#include "Row.h"

#include <QList>

namespace cns {

// One row of a packet or change set read from JSON straight into a packed row, each cell checked
// against its column's type. A date or blob cell comes as an object of one member, whose key, text
// and end arrive one after the other.
class JsonRowBuilder
{
public:
    void start(const QList<FieldDef> &fields, qsizetype rowNumber);
    void cell(const JsonToken &t);
    void beginTagged();
    void tagKey(QByteArrayView key);
    void tagValue(const JsonToken &t);
    void endTagged();
    Row finish();

private:
    enum class Tag : unsigned char { AwaitKey, AwaitText, Done };

    const FieldDef &nextField();
    const FieldDef &currentField() const { return m_fields->at(m_col - 1); }
    [[noreturn]] void refuseCell(const FieldDef &f, const QString &what) const;

    const QList<FieldDef> *m_fields = nullptr;
    qsizetype m_rowNumber = 0;
    int m_col = 0;
    Tag m_tag = Tag::Done;
    Row::Builder m_builder;
};

} // namespace cns
