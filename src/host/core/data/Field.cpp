#include "Field.h"

#include "DateSerial.h"
#include "DataSet.h"
#include "EErro.h"
#include "NumberFormat.h"

#include <cmath>

namespace cns {

namespace {

// Date display patterns in the system's style ("dd/mm/yyyy hh:nn": m months, n minutes) to Qt's.
QString qtDatePattern(const QString &pattern)
{
    QString out = pattern;
    for (QChar &c : out) {
        if (c == u'm')
            c = u'M';
        else if (c == u'n')
            c = u'm';
        else if (c == u'h')
            c = u'H';
    }
    return out;
}

QString dateText(const QDateTime &dt)
{
    const QString date = dt.date().toString(QStringLiteral("dd/MM/yyyy"));
    if (dt.time() == QTime(0, 0))
        return date;
    return date + u' ' + dt.time().toString(QStringLiteral("HH:mm:ss"));
}

QDateTime parseDateText(const QString &text, bool *ok)
{
    static const QStringList forms = {QStringLiteral("dd/MM/yyyy HH:mm:ss"), QStringLiteral("dd/MM/yyyy HH:mm"),
                                      QStringLiteral("dd/MM/yyyy"), QStringLiteral("d/M/yyyy")};
    const QString t = text.trimmed();
    for (const QString &f : forms) {
        const QDateTime dt = QDateTime::fromString(t, f);
        if (dt.isValid()) {
            *ok = true;
            return QDateTime(dt.date(), dt.time(), Qt::UTC);
        }
    }
    *ok = false;
    return {};
}

} // namespace

Field::Field(DataSet *dataSet, int index, FieldDef def) : m_dataSet(dataSet), m_index(index), m_def(std::move(def)) {}

Value Field::AsValue() const
{
    return m_dataSet->fieldValue(m_index);
}

void Field::setValue(const Value &v)
{
    m_dataSet->setFieldValue(m_index, v);
}

bool Field::IsNull() const
{
    return AsValue().isNull();
}

void Field::Clear()
{
    setValue(Value());
}

QString Field::textOf(const Value &v) const
{
    if (v.isNull())
        return {};
    switch (m_def.type) {
    case FieldType::Float: return NumberFormat::plain(v.toDouble());
    case FieldType::Boolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::DateTime: return dateText(v.toDateTime());
    case FieldType::Blob: return QString::fromUtf8(v.toBytes());
    default: return v.toString();
    }
}

QString Field::AsString() const
{
    return textOf(AsValue());
}

void Field::setAsString(const QString &s)
{
    switch (m_def.type) {
    case FieldType::String:
    case FieldType::FixedChar: setValue(Value(s)); return;
    case FieldType::Float:
    case FieldType::Integer: {
        if (s.trimmed().isEmpty()) {
            Clear();
            return;
        }
        const auto d = NumberFormat::parse(s);
        if (!d || (m_def.type == FieldType::Integer && *d != std::trunc(*d)))
            throw EErro(QStringLiteral("\"%1\" não é um valor válido para o campo %2.").arg(s, displayLabel()));
        if (m_def.type == FieldType::Integer)
            setValue(Value(qint64(*d)));
        else
            setValue(Value(*d));
        return;
    }
    case FieldType::Boolean: {
        const QString t = s.trimmed();
        if (t.isEmpty()) {
            Clear();
            return;
        }
        if (t.compare(u"S", Qt::CaseInsensitive) == 0 || t.compare(u"True", Qt::CaseInsensitive) == 0)
            setValue(Value(true));
        else if (t.compare(u"N", Qt::CaseInsensitive) == 0 || t.compare(u"False", Qt::CaseInsensitive) == 0)
            setValue(Value(false));
        else
            throw EErro(QStringLiteral("\"%1\" não é um valor válido para o campo %2.").arg(s, displayLabel()));
        return;
    }
    case FieldType::DateTime: {
        if (s.trimmed().isEmpty()) {
            Clear();
            return;
        }
        bool ok = false;
        const QDateTime dt = parseDateText(s, &ok);
        if (!ok)
            throw EErro(QStringLiteral("\"%1\" não é uma data válida para o campo %2.").arg(s, displayLabel()));
        setValue(Value(dt));
        return;
    }
    case FieldType::Blob: setValue(Value::bytes(s.toUtf8())); return;
    }
}

double Field::AsFloat() const
{
    const Value v = AsValue();
    if (v.isNull())
        return 0.0;
    if (m_def.type == FieldType::DateTime)
        return DateSerial::fromDateTime(v.toDateTime());
    if (v.kind() == Value::Kind::Text) {
        const auto d = NumberFormat::parse(v.toString());
        if (!d)
            throw EErro(QStringLiteral("\"%1\" não é um valor numérico (campo %2).").arg(v.toString(), displayLabel()));
        return *d;
    }
    return v.toDouble();
}

void Field::setAsFloat(double d)
{
    if (m_def.type == FieldType::DateTime)
        setValue(Value(DateSerial::toDateTime(d)));
    else if (isTextType(m_def.type))
        setValue(Value(NumberFormat::plain(d)));
    else
        setValue(Value(d));
}

qint64 Field::AsInteger() const
{
    const Value v = AsValue();
    if (v.isNull())
        return 0;
    if (v.kind() == Value::Kind::Text) {
        bool ok = false;
        const qint64 i = v.toString().trimmed().toLongLong(&ok);
        if (!ok)
            throw EErro(QStringLiteral("\"%1\" não é um número inteiro (campo %2).").arg(v.toString(), displayLabel()));
        return i;
    }
    if (m_def.type == FieldType::DateTime)
        return qint64(std::floor(DateSerial::fromDateTime(v.toDateTime())));
    return v.toInt();
}

void Field::setAsInteger(qint64 i)
{
    if (isTextType(m_def.type))
        setValue(Value(QString::number(i)));
    else if (m_def.type == FieldType::Float)
        setValue(Value(double(i)));
    else
        setValue(Value(i));
}

QDateTime Field::AsDateTime() const
{
    const Value v = AsValue();
    if (v.isNull())
        return {};
    if (v.kind() == Value::Kind::Date)
        return v.toDateTime();
    if (v.isNumber())
        return DateSerial::toDateTime(v.toDouble());
    if (v.kind() == Value::Kind::Text) {
        bool ok = false;
        const QDateTime dt = parseDateText(v.toString(), &ok);
        if (ok)
            return dt;
    }
    throw EErro(QStringLiteral("\"%1\" não é uma data (campo %2).").arg(v.toString(), displayLabel()));
}

void Field::setAsDateTime(const QDateTime &dt)
{
    if (isTextType(m_def.type))
        setValue(Value(dt.isValid() ? dateText(dt) : QString()));
    else if (m_def.type == FieldType::Float)
        setValue(dt.isValid() ? Value(DateSerial::fromDateTime(dt)) : Value());
    else
        setValue(Value(dt));
}

bool Field::AsBoolean() const
{
    return AsValue().toBool();
}

void Field::setAsBoolean(bool b)
{
    if (isTextType(m_def.type))
        setValue(Value(b ? QStringLiteral("S") : QStringLiteral("N")));
    else
        setValue(Value(b));
}

QString Field::DisplayText() const
{
    if (OnGetText)
        return OnGetText(*this, true);
    const Value v = AsValue();
    if (v.isNull() || DisplayFormat.isEmpty())
        return textOf(v);
    if (m_def.type == FieldType::Float || m_def.type == FieldType::Integer)
        return NumberFormat::format(DisplayFormat, v.toDouble());
    if (m_def.type == FieldType::DateTime)
        return v.toDateTime().toString(qtDatePattern(DisplayFormat));
    return textOf(v);
}

QString Field::Text() const
{
    if (OnGetText)
        return OnGetText(*this, false);
    return AsString();
}

void Field::setText(const QString &s)
{
    if (OnSetText)
        OnSetText(*this, s);
    else
        setAsString(s);
}

} // namespace cns
