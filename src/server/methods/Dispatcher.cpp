#include "Dispatcher.h"

#include "DbSession.h"
#include "EAbort.h"
#include "EErro.h"
#include "MethodCall.h"
#include "RdmConsumidor.h"
#include "RdmImportConsu.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <cstdio>

namespace cns {

QString RemoteMethod::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Text: return QStringLiteral("um texto");
    case Kind::Flag: return QStringLiteral("um valor lógico");
    case Kind::Number: return QStringLiteral("um número");
    case Kind::Packet: return QStringLiteral("um pacote de dados");
    case Kind::ChangeSet: return QStringLiteral("um conjunto de alterações");
    }
    return {};
}

namespace {

bool fits(const Value &v, RemoteMethod::Kind kind)
{
    switch (kind) {
    case RemoteMethod::Kind::Text: return v.kind() == Value::Kind::Text || v.isNull();
    case RemoteMethod::Kind::Flag:
        return v.kind() == Value::Kind::Bool
            || (v.kind() == Value::Kind::Int && (v.toInt() == -1 || v.toInt() == 0 || v.toInt() == 1));
    case RemoteMethod::Kind::Number: return v.isNumber();
    case RemoteMethod::Kind::Packet: return v.kind() == Value::Kind::Packet;
    case RemoteMethod::Kind::ChangeSet: return v.kind() == Value::Kind::ChangeSet;
    }
    return false;
}

// A name from the wire as it may go into the log: printable and short.
QString loggable(const QString &name)
{
    QString out = name.left(60);
    for (QChar &c : out) {
        if (!c.isPrint())
            c = u'?';
    }
    return out;
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

QString Dispatcher::checkArgs(const QString &module, const RemoteMethod &entry, const QList<Value> &args) const
{
    if (args.size() != entry.args.size())
        return QStringLiteral("%1.%2 espera %3 argumento(s); recebeu %4.")
            .arg(module, entry.name)
            .arg(entry.args.size())
            .arg(args.size());
    for (int i = 0; i < args.size(); ++i) {
        if (!fits(args.at(i), entry.args.at(i).kind))
            return QStringLiteral("%1.%2: o argumento %3 (%4) deve ser %5; veio %6.")
                .arg(module, entry.name)
                .arg(i + 1)
                .arg(entry.args.at(i).name, RemoteMethod::kindName(entry.args.at(i).kind), Value::kindName(args.at(i).kind()));
    }
    return {};
}

Value Dispatcher::run(const RemoteMethod &entry, const QList<Value> &args)
{
    DbSession &session = DbSession::forThread(m_url);
    session.begin(entry.writes);
    try {
        MethodCall call(entry, args, session);
        Value result = entry.handler(call);
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

Value Dispatcher::call(const QString &module, const QString &method, const QList<Value> &args)
{
    QElapsedTimer timer;
    timer.start();
    Value result;
    QString outcome = QStringLiteral("ok");
    const RemoteMethod *entry = find(module, method);
    if (!m_modules.contains(module)) {
        result = Value::error(QStringLiteral("Módulo \"%1\" desconhecido no servidor de aplicação.").arg(module));
        outcome = QStringLiteral("recusado");
    } else if (!entry) {
        result = Value::error(QStringLiteral("Método \"%1\" desconhecido em %2.").arg(method, module));
        outcome = QStringLiteral("recusado");
    } else if (const QString bad = checkArgs(module, *entry, args); !bad.isEmpty()) {
        result = Value::error(bad);
        outcome = QStringLiteral("recusado");
    } else {
        try {
            result = run(*entry, args);
        } catch (const EErro &e) {
            result = Value::error(e.message());
            outcome = QStringLiteral("erro");
        } catch (const EAbort &) {
            result = Value::error(QStringLiteral("Operação cancelada no servidor."));
            outcome = QStringLiteral("erro");
        } catch (const std::exception &e) {
            result = Value::error(QStringLiteral("Erro interno no servidor de aplicação: %1").arg(QString::fromUtf8(e.what())));
            outcome = QStringLiteral("falha");
        }
    }
    if (m_log)
        m_log(QStringLiteral("%1.%2 %3 ms %4")
                  .arg(loggable(module), entry ? entry->name : loggable(method))
                  .arg(double(timer.nsecsElapsed()) / 1e6, 0, 'f', 1)
                  .arg(outcome));
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
