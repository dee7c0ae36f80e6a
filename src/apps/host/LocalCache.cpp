#include "LocalCache.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

void LocalCache::refresh(const QStringList &tables)
{
    static const QRegularExpression tableName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    for (const QString &t : tables) {
        Refresh r{t.trimmed().toUpper(), -1, QDateTime::currentDateTime()};
        // Only a plain table name goes into the statement.
        if (db.isOpen() && tableName.match(r.table).hasMatch()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + r.table) && q.next())
                r.rows = q.value(0).toLongLong();
        }
        m_history.append(r);
        if (m_history.size() > 500)
            m_history.removeFirst();
    }
}
