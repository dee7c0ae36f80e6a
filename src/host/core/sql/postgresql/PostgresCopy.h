#pragma once

#include "BulkInsert.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <vector>

struct pg_conn;

namespace cns {

// The load of a PostgreSQL table through COPY … FROM STDIN on the connection's own libpq handle:
// the rows go to the server as one stream of text, parsed there without a statement per batch.
// The rows wait in COPY's text form (about their size as CSV) until finish() streams them: while
// a COPY runs the connection takes no other statement, and the callers of a loader run queries,
// and fill other loaders, between its rows.
class PostgresCopy final : public BulkInsert
{
public:
    // The dialect's loader: COPY where the connection is a libpq one (always, through Qt's
    // PostgreSQL driver), multi-row INSERTs otherwise.
    static std::unique_ptr<BulkInsert> open(QSqlDatabase &db, const QString &table, const QStringList &columns);

    ~PostgresCopy() override;

    void setText(int column, QByteArrayView utf8) override;
    void setNull(int column) override;
    void set(int column, const Value &v) override;
    void endRow() override;
    void finish() override;

private:
    PostgresCopy(QSqlDatabase &db, pg_conn *connection, QString table, QStringList columns);
    void start();
    void readEnd(); // the server's answer to the end of the stream; raises what it reports
    QString lastError() const;

    QSqlDatabase &m_db;
    pg_conn *m_connection;
    bool m_copying = false;
    int m_rows = 0;
    std::vector<QByteArray> m_cells; // the row being set, each cell in COPY's text form
    QByteArray m_buffer;             // rows not sent yet
};

} // namespace cns
