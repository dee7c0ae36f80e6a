#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// What the host runs with: operator, processing branch, per-branch mode, where the application
// server and the database are, and the automation options. Read from the settings file, each value
// overridable on the command line; with no settings at all, the embedded default: the server runs
// inside the host over a SQLite demo database in the user's data folder.
struct HostSettings
{
    QString operatorCode = QStringLiteral("SUPERVISOR");
    QString operatorName = QStringLiteral("Supervisor do Sistema");
    QString branchCode = QStringLiteral("0001");
    QString branchName = QStringLiteral("Matriz São Paulo");
    bool perBranch = false;
    QString serverHost; // empty: in-process
    int serverPort = 8211;
    QString serverToken;
    QString databaseUrl; // empty: the embedded demo database
    QString idBioLibrary; // the iDBio reader library; empty: found by its name
    QString settingsFile;
    QByteArray installationKey;

    QStringList openEntries;
    QString screenshotFile;
    bool quitAfterScreenshot = false;

    static void addOptions(QCommandLineParser &parser);
    // Settings file first, then the command line; raises EErro on a bad value.
    static HostSettings load(const QCommandLineParser &parser);

    bool embedded() const { return serverHost.isEmpty(); }
    QString effectiveDatabaseUrl() const;
    static QString demoDatabasePath();
};
