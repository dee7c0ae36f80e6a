#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The host's cache of reference tables: a screen that changed a table asks for it to be refreshed.
// The host reads the table's row count again and records what it refreshed and when.
class LocalCache
{
public:
    struct Refresh
    {
        QString table;
        qint64 rows = -1;
        QDateTime when;
    };

    explicit LocalCache(QString connectionName) : m_connection(std::move(connectionName)) {}
    void refresh(const QStringList &tables);
    const QList<Refresh> &history() const { return m_history; }

private:
    QString m_connection;
    QList<Refresh> m_history;
};
