#pragma once

#include "FieldDef.h"
#include "Value.h"

#include <QString>
#include <functional>

namespace cns {

class DataSet;

// One column of a DataSet, read and written on the DataSet's current record (or on the record
// the DataSet is examining for a filter or an index). Texts are cut to the field's size when they
// are assigned. Numbers and dates as text follow the pt_BR locale ("1.234,56", "31/12/1899").
class Field
{
public:
    using GetTextHandler = std::function<QString(const Field &, bool displayText)>;
    using SetTextHandler = std::function<void(Field &, const QString &)>;
    using ChangeHandler = std::function<void(Field &)>;

    Field(DataSet *dataSet, int index, FieldDef def);
    Field(const Field &) = delete;
    Field &operator=(const Field &) = delete;

    DataSet &dataSet() const { return *m_dataSet; }
    int Index() const { return m_index; }
    const QString &FieldName() const { return m_def.name; }
    FieldType DataType() const { return m_def.type; }
    int Size() const { return m_def.size; }
    const FieldDef &def() const { return m_def; }

    // Presentation, kept for the controls and grids bound to the field.
    QString DisplayLabel;     // empty: the field name
    bool Visible = true;
    QString DisplayFormat;    // numbers: a NumberFormat pattern; dates: "dd/mm/yyyy" style
    QString EditMask;
    int DisplayWidth = 0;     // in characters; 0: from the size
    bool ReadOnly = false;    // advisory: bound controls do not write it
    int Tag = 0;
    GetTextHandler OnGetText;
    SetTextHandler OnSetText;
    ChangeHandler OnChange;   // after a value was assigned

    QString displayLabel() const { return DisplayLabel.isEmpty() ? m_def.name : DisplayLabel; }

    Value AsValue() const;
    void setValue(const Value &v);
    bool IsNull() const;
    void Clear();

    QString AsString() const;
    void setAsString(const QString &s);
    double AsFloat() const;
    void setAsFloat(double d);
    qint64 AsInteger() const;
    void setAsInteger(qint64 i);
    QDateTime AsDateTime() const;
    void setAsDateTime(const QDateTime &dt);
    bool AsBoolean() const;
    void setAsBoolean(bool b);

    // The text a control shows: the get-text handler's, else the display format's, else AsString.
    QString DisplayText() const;
    // The text a control edits: the get-text handler's (displayText false), else AsString.
    QString Text() const;
    // Assigns typed text through the set-text handler, else through setAsString.
    void setText(const QString &s);

    // Text of a value of this field's type, without handlers (AsString's rules).
    QString textOf(const Value &v) const;

private:
    friend class DataSet;
    DataSet *m_dataSet;
    int m_index;
    FieldDef m_def;
};

} // namespace cns
