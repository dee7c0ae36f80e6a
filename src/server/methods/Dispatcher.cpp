#include "Dispatcher.h"

#include "ArgumentCheck.h"
#include "DbSession.h"
#include "EAbort.h"
#include "EErro.h"
#include "EErroBanco.h"
#include "MethodCall.h"
#include "RdmConsumidor.h"
#include "RdmImportConsu.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <cstdio>

namespace cns {

namespace {

// A text as it may go into the log line: on one line, printable.
QString oneLine(const QString &text)
{
    QString out = text.simplified();
    for (QChar &c : out) {
        if (!c.isPrint())
            c = u'?';
    }
    return out;
}

// A name from the wire as it may go into the log: printable and short.
QString loggable(const QString &name)
{
    return oneLine(name.left(60));
}

} // namespace

Dispatcher::Dispatcher(DatabaseUrl url) : m_url(std::move(url)), m_log(stderrLog()) {}

Dispatcher::LogSink Dispatcher::stderrLog()
{
    return [](const QString &line) {
        const QByteArray text = (QDateTime::currentDateTime().toString(Qt::ISODate) + u' ' + line + u'\n').toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    };
}

void Dispatcher::addModule(const QString &module, const QList<RemoteMethod> &methods)
{
    auto &table = m_modules[module];
    for (const RemoteMethod &m : methods)
        table.insert(m.name.toLower(), m);
}

const RemoteMethod *Dispatcher::find(const QString &module, const QString &method) const
{
    const auto mod = m_modules.constFind(module);
    if (mod == m_modules.constEnd())
        return nullptr;
    const auto it = mod->constFind(method.toLower());
    return it == mod->constEnd() ? nullptr : &*it;
}

Value Dispatcher::run(const RemoteMethod &entry, const QList<Value> &args, const CallOrigin &origin)
{
    DbSession &session = DbSession::forThread(m_url);
    session.begin(entry.writes);
    try {
        MethodCall call(entry, args, session, origin);
        Value result = entry.handler(call);
        call.finish();
        session.commit();
        return result;
    } catch (...) {
        session.rollback();
        throw;
    }
}

bool Dispatcher::writes(const QString &module, const QString &method) const
{
    const RemoteMethod *entry = find(module, method);
    return entry && entry->writes;
}

Value Dispatcher::answer(const QString &module, const RemoteMethod &entry, const QList<Value> &args, const CallOrigin &origin,
                         Outcome &outcome)
{
    const QString call = module + u'.' + entry.name;
    try {
        Value result = run(entry, args, origin);
        outcome.text = QStringLiteral("ok");
        return result;
    } catch (const EErroBanco &e) {
        outcome = {QStringLiteral("erro do banco"), e.message()};
        return Value::error(QStringLiteral("Erro no banco de dados ao atender %1. Os detalhes foram registrados no log do "
                                           "servidor de aplicação.")
                                .arg(call));
    } catch (const EErro &e) {
        outcome.text = QStringLiteral("erro");
        return Value::error(e.message());
    } catch (const EAbort &) {
        outcome.text = QStringLiteral("erro");
        return Value::error(QStringLiteral("Operação cancelada no servidor."));
    } catch (const std::exception &e) {
        outcome = {QStringLiteral("falha"), QString::fromUtf8(e.what())};
    } catch (...) {
        outcome = {QStringLiteral("falha"), QStringLiteral("exceção desconhecida")};
    }
    return Value::error(QStringLiteral("Erro interno no servidor de aplicação ao atender %1. Os detalhes foram registrados no "
                                       "log do servidor de aplicação.")
                            .arg(call));
}

void Dispatcher::tidyWhenIdle(bool wrote, Outcome &outcome)
{
    if (wrote)
        m_wrote = true;
    if (--m_running > 0 || !m_wrote.exchange(false))
        return;
    try {
        if (!DbSession::forThread(m_url).idle())
            m_wrote = true;
    } catch (const std::exception &e) {
        outcome.detail += QStringLiteral(" (ao arrumar o banco ocioso: %1)").arg(QString::fromUtf8(e.what()));
    }
}

Value Dispatcher::call(const QString &module, const QString &method, const QList<Value> &args, const CallOrigin &origin)
{
    QElapsedTimer timer;
    timer.start();
    Value result;
    Outcome outcome{QStringLiteral("recusado"), {}};
    const RemoteMethod *entry = find(module, method);
    if (!m_modules.contains(module)) {
        result = Value::error(QStringLiteral("Módulo \"%1\" desconhecido no servidor de aplicação.").arg(module));
    } else if (!entry) {
        result = Value::error(QStringLiteral("Método \"%1\" desconhecido em %2.").arg(method, module));
    } else if (const QString bad = ArgumentCheck::refusal(module, *entry, args); !bad.isEmpty()) {
        result = Value::error(bad);
    } else {
        ++m_running;
        result = answer(module, *entry, args, origin, outcome);
        tidyWhenIdle(entry->writes && !result.isError(), outcome);
    }
    if (m_log)
        m_log(QStringLiteral("%1.%2 %3 ms %4%5")
                  .arg(loggable(module), entry ? entry->name : loggable(method))
                  .arg(double(timer.nsecsElapsed()) / 1e6, 0, 'f', 1)
                  .arg(outcome.text, outcome.detail.isEmpty() ? QString() : QStringLiteral(": ") + oneLine(outcome.detail)));
    return result;
}

std::unique_ptr<Dispatcher> Dispatcher::standard(const DatabaseUrl &url)
{
    auto d = std::make_unique<Dispatcher>(url);
    d->addModule(RdmConsumidor::moduleName(), RdmConsumidor::methods());
    d->addModule(RdmImportConsu::moduleName(), RdmImportConsu::methods());
    return d;
}

} // namespace cns
