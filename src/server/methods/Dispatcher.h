#pragma once

#include "CallTarget.h"
#include "DatabaseUrl.h"
#include "RemoteMethod.h"

#include <QHash>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>

namespace cns {

// The application server's registry of remote data modules: maps module and method names to their
// handlers and answers calls, from HTTP workers or in-process, on any thread at once. Each call
// comes on behalf of an operator and branch (CallOrigin), which the methods write in the
// consumers' history of what they change; it has its arguments checked (ArgumentCheck: an error names the method and the argument), runs in
// one transaction of the calling thread's database session, commits only when the handler
// succeeded, and never throws: failures come back as error values with a Portuguese text. A
// failure of the database or of the server itself is answered with a text of the server's own
// naming the call; what the database said (its English text, the statement, perhaps a value) goes
// to the log alone. When the last running call ends after writes, the database tidies up.
// One log line per call: module, method, duration and outcome, never arguments; for a failure, its
// own text.
class Dispatcher : public CallTarget
{
public:
    using LogSink = std::function<void(const QString &line)>;

    explicit Dispatcher(DatabaseUrl url);

    void addModule(const QString &module, const QList<RemoteMethod> &methods);
    const RemoteMethod *find(const QString &module, const QString &method) const;
    QStringList modules() const { return m_modules.keys(); }
    const DatabaseUrl &url() const { return m_url; }

    using CallTarget::call;
    Value call(const QString &module, const QString &method, const QList<Value> &args, const CallOrigin &origin) override;
    bool writes(const QString &module, const QString &method) const override;

    void setLogSink(LogSink sink) { m_log = std::move(sink); }
    static LogSink stderrLog();

    // The standard server: both remote data modules of the consumer system.
    static std::unique_ptr<Dispatcher> standard(const DatabaseUrl &url);

private:
    // How a call ended, for its log line: a word, and what only the log may see (a database's own
    // text, a failure's).
    struct Outcome
    {
        QString text, detail;
    };
    Value run(const RemoteMethod &method, const QList<Value> &args, const CallOrigin &origin);
    // The method's answer, or the error value that stands for its failure.
    Value answer(const QString &module, const RemoteMethod &method, const QList<Value> &args, const CallOrigin &origin,
                 Outcome &outcome);
    // A call that ran is over: when no other runs and writes happened since the database last
    // tidied up in full, it tidies up on this thread's connection (DbSession::idle).
    void tidyWhenIdle(bool wrote, Outcome &outcome);

    DatabaseUrl m_url;
    QHash<QString, QHash<QString, RemoteMethod>> m_modules; // by lower-case method name
    LogSink m_log;
    std::atomic<int> m_running{0}; // calls inside run()
    std::atomic<bool> m_wrote{false}; // a write call ended since the database last tidied up in full
};

} // namespace cns
