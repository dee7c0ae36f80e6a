#include "TADOIBQuery.h"

#include "EErro.h"
#include "EErroBanco.h"
#include "NamedSql.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>


namespace {
QString g_defaultConnection = QStringLiteral("cns");


QDateTime parseSqlDate(const QString &s)
{
    static const QStringList forms = {QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"), QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                      QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                      QStringLiteral("yyyy-MM-dd")};
    for (const QString &f : forms) {
        const QDateTime dt = QDateTime::fromString(s, f);
        if (dt.isValid())
            return QDateTime(dt.date(), dt.time(), Qt::UTC);
    }
    return {};
}
} // namespace

TADOIBQuery::TADOIBQuery(const QString &name, const QString &connectionName)
    : DataSet(name), m_connectionName(connectionName)
{
}

void TADOIBQuery::setSQL(cns::SqlDialect::Text dialect, const QString &text)
{
    if (Active())
        Close();
    m_texts[size_t(dialect)] = text;
    if (dialect != cns::SqlDialect::Text::Generic)
        return;
    // Values of parameters that the new text still has are kept.
    m_paramNames = cns::NamedSql::parse(text).names();
    QHash<QString, cns::Value> kept;
    for (const QString &n : std::as_const(m_paramNames))
        kept.insert(n, m_params.value(n));
    m_params.swap(kept);
}

QString TADOIBQuery::SQL(cns::SqlDialect::Text dialect) const
{
    return m_texts[size_t(dialect)];
}

cns::Value &TADOIBQuery::ParamByName(QStringView name)
{
    const QString key = name.toString().toUpper();
    auto it = m_params.find(key);
    if (it == m_params.end()) {
        // A parameter only a dialect's own text has.
        for (const QString &t : m_texts) {
            if (!t.isEmpty() && cns::NamedSql::parse(t).names().contains(key))
                return m_params[key];
        }
        throw cns::EErro(QStringLiteral("A consulta %1 não tem o parâmetro %2.").arg(Name(), name));
    }
    return *it;
}

QStringList TADOIBQuery::ParamNames() const
{
    return m_paramNames;
}

void TADOIBQuery::clearParams()
{
    for (auto &v : m_params)
        v = cns::Value();
}

QString TADOIBQuery::connectionName() const
{
    return m_connectionName.isEmpty() ? g_defaultConnection : m_connectionName;
}

void TADOIBQuery::setDefaultConnectionName(const QString &name)
{
    g_defaultConnection = name;
}

QString TADOIBQuery::defaultConnectionName()
{
    return g_defaultConnection;
}

QString TADOIBQuery::activeText() const
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    const QString &own = m_texts[size_t(cns::SqlDialect::of(db).text)];
    return own.isEmpty() ? m_texts[size_t(cns::SqlDialect::Text::Generic)] : own;
}

QVariant TADOIBQuery::toSqlValue(const cns::Value &v)
{
    using K = cns::Value::Kind;
    switch (v.kind()) {
    case K::Null: return QVariant();
    case K::Bool: return v.toBool();
    case K::Int: return qlonglong(v.toInt());
    case K::Float: return v.toDouble();
    case K::Text: return v.toString();
    case K::Date: return QString::fromLatin1(dateText(v.toDateTime()));
    case K::Bytes: return v.toBytes();
    default:
        throw cns::EErro(QStringLiteral("Um valor do tipo %1 não pode ser parâmetro de consulta.")
                             .arg(cns::Value::kindName(v.kind())));
    }
}

QByteArray TADOIBQuery::dateText(const QDateTime &dt)
{
    if (!dt.isValid())
        return {};
    const QDate d = dt.date();
    const QTime t = dt.time();
    // Written digit by digit, without QDateTime's formatter: an import binds one per consumer.
    if (d.year() < 1000 || d.year() > 9999)
        return dt.toString(t.msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
    QByteArray out(t.msec() ? 23 : 19, Qt::Uninitialized);
    auto put = [&out](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            out[at + i] = char('0' + value % 10);
    };
    put(0, d.year(), 4);
    out[4] = '-';
    put(5, d.month(), 2);
    out[7] = '-';
    put(8, d.day(), 2);
    out[10] = ' ';
    put(11, t.hour(), 2);
    out[13] = ':';
    put(14, t.minute(), 2);
    out[16] = ':';
    put(17, t.second(), 2);
    if (t.msec()) {
        out[19] = '.';
        put(20, t.msec(), 3);
    }
    return out;
}

cns::Value TADOIBQuery::fromSqlValue(const QVariant &v, cns::FieldType type)
{
    if (v.isNull())
        return {};
    switch (type) {
    case cns::FieldType::String:
    case cns::FieldType::FixedChar: return cns::Value(v.toString());
    case cns::FieldType::Integer: return cns::Value(qint64(v.toLongLong()));
    case cns::FieldType::Float: return cns::Value(v.toDouble());
    case cns::FieldType::Boolean: return cns::Value(v.toBool());
    case cns::FieldType::Blob: return cns::Value::bytes(v.toByteArray());
    case cns::FieldType::DateTime: {
        if (v.metaType().id() == QMetaType::QDateTime || v.metaType().id() == QMetaType::QDate) {
            const QDateTime dt = v.toDateTime();
            return cns::Value(QDateTime(dt.date(), dt.time(), Qt::UTC));
        }
        const QDateTime dt = parseSqlDate(v.toString());
        return dt.isValid() ? cns::Value(dt) : cns::Value();
    }
    }
    return {};
}

void TADOIBQuery::prepare(QSqlQuery &q) const
{
    const cns::NamedSql sql = cns::NamedSql::parse(activeText());
    q.setForwardOnly(true);
    if (!q.prepare(sql.positional()))
        throw cns::EErroBanco(QStringLiteral("Erro na consulta %1: %2").arg(Name(), q.lastError().text()));
    for (const QString &name : sql.occurrences())
        q.addBindValue(toSqlValue(m_params.value(name)));
}

QList<cns::FieldDef> TADOIBQuery::describe(const QSqlQuery &q, const cns::SqlDialect &dialect) const
{
    const QSqlRecord rec = q.record();
    QList<cns::FieldDef> defs;
    for (int i = 0; i < rec.count(); ++i) {
        const QSqlField f = rec.field(i);
        cns::FieldDef d{f.name().toUpper(), cns::FieldType::String, f.length() > 0 ? f.length() : 0};
        switch (f.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short: d.type = cns::FieldType::Integer; d.size = 0; break;
        case QMetaType::Double:
        case QMetaType::Float: d.type = cns::FieldType::Float; d.size = 0; break;
        case QMetaType::Bool: d.type = cns::FieldType::Boolean; d.size = 0; break;
        case QMetaType::QDate:
        case QMetaType::QDateTime: d.type = cns::FieldType::DateTime; d.size = 0; break;
        case QMetaType::QByteArray: d.type = cns::FieldType::Blob; d.size = 0; break;
        default: break;
        }
        if (dialect.declaredType) {
            if (const auto t = cns::SqlDialect::typeFromDeclaration(dialect.declaredType(q, i))) {
                d.type = t->first;
                d.size = t->second;
            }
        }
        defs.append(d);
    }
    return defs;
}

void TADOIBQuery::Open()
{
    if (Active())
        return;
    QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    if (!db.isValid() || !db.isOpen())
        throw cns::EErro(QStringLiteral("A consulta %1 não tem conexão com o banco (%2).").arg(Name(), connectionName()));
    const cns::SqlDialect &dialect = cns::SqlDialect::of(db);
    QSqlQuery q(db);
    prepare(q);
    if (!q.exec())
        throw cns::EErroBanco(QStringLiteral("Erro na consulta %1: %2").arg(Name(), q.lastError().text()));

    const QList<cns::FieldDef> result = describe(q, dialect);
    QList<int> source; // result column of each field
    if (!hasPersistentFields()) {
        setDynamicFieldDefs(result);
        for (int i = 0; i < result.size(); ++i)
            source.append(i);
    } else {
        for (int i = 0; i < FieldCount(); ++i) {
            int col = -1;
            for (int j = 0; j < result.size(); ++j) {
                if (result.at(j).name.compare(Fields(i).FieldName(), Qt::CaseInsensitive) == 0)
                    col = j;
            }
            if (col < 0)
                throw cns::EErro(QStringLiteral("A consulta %1 não devolveu o campo %2.").arg(Name(), Fields(i).FieldName()));
            source.append(col);
        }
    }
    std::vector<cns::Row> rows;
    while (q.next()) {
        cns::Row::Builder b;
        for (int i = 0; i < FieldCount(); ++i)
            b.addValue(cns::coerceToField(Fields(i).def(), fromSqlValue(q.value(source.at(i)), Fields(i).DataType())));
        rows.push_back(b.take());
    }
    if (q.lastError().isValid())
        throw cns::EErroBanco(QStringLiteral("Erro na consulta %1: %2").arg(Name(), q.lastError().text()));
    openWithRows(std::move(rows));
}

int TADOIBQuery::ExecSQL()
{
    QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    if (!db.isValid() || !db.isOpen())
        throw cns::EErro(QStringLiteral("A consulta %1 não tem conexão com o banco (%2).").arg(Name(), connectionName()));
    QSqlQuery q(db);
    prepare(q);
    if (!q.exec())
        throw cns::EErroBanco(QStringLiteral("Erro na consulta %1: %2").arg(Name(), q.lastError().text()));
    return q.numRowsAffected();
}
