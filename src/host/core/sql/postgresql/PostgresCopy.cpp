#include "PostgresCopy.h"

#include "EErro.h"
#include "MultiRowInsert.h"
#include "TADOIBQuery.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <libpq-fe.h>

namespace cns {

namespace {

constexpr qsizetype kPiece = 1 << 20; // bytes of rows handed to libpq at a time
const QByteArray kNull = QByteArrayLiteral("\\N");

// A value in COPY's text form: backslash, tab, line feed and carriage return escaped.
void appendEscaped(QByteArray &out, QByteArrayView utf8)
{
    out.reserve(out.size() + utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '\\': out.append("\\\\", 2); break;
        case '\t': out.append("\\t", 2); break;
        case '\n': out.append("\\n", 2); break;
        case '\r': out.append("\\r", 2); break;
        default: out.append(c);
        }
    }
}

pg_conn *libpqConnection(QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    // Qt names the handle's type after libpq's structure.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<pg_conn *const *>(handle.constData());
}

} // namespace

std::unique_ptr<BulkInsert> PostgresCopy::open(QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    pg_conn *connection = libpqConnection(db);
    if (!connection)
        return std::make_unique<MultiRowInsert>(db, table, columns);
    return std::unique_ptr<BulkInsert>(new PostgresCopy(db, connection, table, columns));
}

PostgresCopy::PostgresCopy(QSqlDatabase &db, pg_conn *connection, QString table, QStringList columns)
    : BulkInsert(std::move(table), std::move(columns)), m_db(db), m_connection(connection), m_cells(size_t(m_columns.size()))
{
}

PostgresCopy::~PostgresCopy()
{
    if (!m_copying)
        return;
    // Unwinding: the stream is cancelled and its answer read, so that the connection can roll back.
    PQputCopyEnd(m_connection, "cancelada");
    while (PGresult *r = PQgetResult(m_connection))
        PQclear(r);
}

QString PostgresCopy::lastError() const
{
    return QString::fromUtf8(PQerrorMessage(m_connection)).trimmed();
}

void PostgresCopy::setText(int column, QByteArrayView utf8)
{
    QByteArray &cell = m_cells[size_t(column)];
    cell.resize(0);
    appendEscaped(cell, utf8);
}

void PostgresCopy::setNull(int column)
{
    m_cells[size_t(column)] = kNull;
}

void PostgresCopy::set(int column, const Value &v)
{
    using K = Value::Kind;
    QByteArray &cell = m_cells[size_t(column)];
    switch (v.kind()) {
    case K::Null: cell = kNull; return;
    case K::Bool: cell = v.toBool() ? QByteArrayLiteral("t") : QByteArrayLiteral("f"); return;
    case K::Int: cell = QByteArray::number(v.toInt()); return;
    case K::Float: cell = QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest); return;
    case K::Bytes: cell = QByteArrayLiteral("\\\\x") + v.toBytes().toHex(); return;
    case K::Date: {
        const QByteArray t = TADOIBQuery::dateText(v.toDateTime());
        cell = t.isEmpty() ? kNull : t;
        return;
    }
    default:
        // Texts.
        cell.resize(0);
        appendEscaped(cell, TADOIBQuery::toSqlValue(v).toString().toUtf8());
    }
}

void PostgresCopy::endRow()
{
    for (size_t c = 0; c < m_cells.size(); ++c) {
        if (c > 0)
            m_buffer.append('\t');
        m_buffer.append(m_cells[c]);
    }
    m_buffer.append('\n');
    ++m_rows;
}

void PostgresCopy::start()
{
    // A result Qt's driver still holds would make libpq refuse the command: a statement of the
    // driver's own, read to its end, settles it first.
    // It must be gone before the stream starts: its end reads what the connection has pending.
    {
        QSqlQuery settle(m_db);
        settle.exec(QStringLiteral("SELECT 1"));
    }
    const QByteArray command = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(m_table, m_columns.join(u',')).toUtf8();
    PGresult *r = PQexec(m_connection, command.constData());
    const bool ok = PQresultStatus(r) == PGRES_COPY_IN;
    PQclear(r);
    if (!ok)
        fail(lastError());
    m_copying = true;
}

void PostgresCopy::finish()
{
    if (m_buffer.isEmpty())
        return;
    start();
    for (qsizetype at = 0; at < m_buffer.size(); at += kPiece) {
        if (PQputCopyData(m_connection, m_buffer.constData() + at, int(qMin(kPiece, m_buffer.size() - at))) != 1)
            fail(lastError());
    }
    m_buffer = QByteArray();
    if (PQputCopyEnd(m_connection, nullptr) != 1)
        fail(lastError());
    m_copying = false;
    readEnd();
}

void PostgresCopy::readEnd()
{
    QString error;
    while (PGresult *r = PQgetResult(m_connection)) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK && error.isEmpty())
            error = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        PQclear(r);
    }
    if (!error.isEmpty())
        fail(error);
    m_written = m_rows;
}

} // namespace cns
