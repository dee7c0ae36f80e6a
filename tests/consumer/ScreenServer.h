#pragma once

#include "Corvane.h"
#include "DatabaseUrl.h"
#include "Dispatcher.h"
#include "RecordingTarget.h"
#include "ServerFixture.h"
#include "TADOIBQuery.h"
#include "TNetConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <memory>

// What a consumer-screen suite runs against: the server fixture's database on SQLite, its
// dispatcher behind a recording target that the screens' connection calls in-process, the host's
// query connection on the same database, and the context of branch 0001.
struct ScreenServer
{
    QString url;
    std::unique_ptr<cns::Dispatcher> dispatcher;
    std::unique_ptr<RecordingTarget> target;
    Corvane::SimpleContext ctx;

    // backend "postgresql" needs the tests' cluster: url is empty without it.
    void start(const QString &suite, const QString &backend = "sqlite")
    {
        url = ServerFixture::create(backend, suite);
        if (url.isEmpty())
            return;
        dispatcher = ServerFixture::dispatcher(url);
        target = std::make_unique<RecordingTarget>(*dispatcher);
        TNetConnection::setInProcessTarget(target.get());
        cns::DatabaseUrl::parse(url).open(TADOIBQuery::defaultConnectionName());
        ctx.filiProc = "0001";
        ctx.chaveInstalacao = "chave-de-teste";
        Corvane::install(&ctx);
    }

    // The first column of the first row, through the screens' own connection; the database's
    // complaint in angle brackets when there is none.
    static QString column(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(TADOIBQuery::defaultConnectionName()));
        if (!q.exec(sql) || !q.next())
            return "<" + q.lastError().text() + ">";
        return q.value(0).toString();
    }
};
