#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <functional>

namespace cns {

// The replies of the server's recent write calls, by the id their caller gave (X-Cns-Chamada), so
// that a call sent again after its connection dropped (the client cannot tell whether the first one
// arrived) is answered with the first reply instead of running twice. A repeat that arrives while
// the first still runs waits for its reply. Reads are not kept: running one again changes nothing.
// Used on the server's thread only.
class CallMemory
{
public:
    using Answer = std::function<void(const QByteArray &reply)>;

    enum class Start { Run, Answered, Conflict };

    // A call with this id and body arrives. Run: the caller runs it (then finish() follows);
    // Answered: it ran or runs already, and answer gets its reply, now or when it ends; Conflict:
    // the id named a call of another body, which is not the same call.
    Start begin(const QByteArray &id, const QByteArray &body, Answer answer);
    // The call with this id ended with reply; kept when it wrote.
    void finish(const QByteArray &id, const QByteArray &reply, bool writes);

    qsizetype size() const { return m_calls.size(); }

    static constexpr int kKeepMs = 15 * 60 * 1000;
    static constexpr qsizetype kMaxCalls = 1000;
    static constexpr qsizetype kMaxBytes = qsizetype(64) << 20;

private:
    struct Call
    {
        size_t bodyHash = 0;
        bool done = false;
        QByteArray reply;
        QList<Answer> waiting;
        QDeadlineTimer expires;
    };

    void forgetOld();

    QHash<QByteArray, Call> m_calls;
    QList<QByteArray> m_order; // ids of finished calls, oldest first
    qsizetype m_bytes = 0;
};

} // namespace cns
