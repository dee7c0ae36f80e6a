#include "CallMemory.h"

namespace cns {

CallMemory::Start CallMemory::begin(const QByteArray &id, const QByteArray &body, Answer answer)
{
    forgetOld();
    const size_t hash = qHash(body);
    const auto it = m_calls.find(id);
    if (it == m_calls.end()) {
        Call call;
        call.bodyHash = hash;
        m_calls.insert(id, std::move(call));
        return Start::Run;
    }
    if (it->bodyHash != hash)
        return Start::Conflict;
    if (it->done)
        answer(it->reply);
    else
        it->waiting.append(std::move(answer));
    return Start::Answered;
}

void CallMemory::finish(const QByteArray &id, const QByteArray &reply, bool writes)
{
    const auto it = m_calls.find(id);
    if (it == m_calls.end())
        return;
    const QList<Answer> waiting = std::exchange(it->waiting, {});
    // A reply too large to keep is not kept: its repeat runs again, as without an id.
    if (writes && reply.size() <= kMaxBytes / 4) {
        it->done = true;
        it->reply = reply;
        it->expires = QDeadlineTimer(kKeepMs);
        m_order.append(id);
        m_bytes += reply.size();
    } else {
        m_calls.erase(it);
    }
    for (const Answer &answer : waiting)
        answer(reply);
    forgetOld();
}

void CallMemory::forgetOld()
{
    while (!m_order.isEmpty()) {
        const auto it = m_calls.find(m_order.first());
        const bool stale = it == m_calls.end() || !it->done || it->expires.hasExpired();
        if (!stale && m_order.size() <= kMaxCalls && m_bytes <= kMaxBytes)
            return;
        if (it != m_calls.end() && it->done) {
            m_bytes -= it->reply.size();
            m_calls.erase(it);
        }
        m_order.removeFirst();
    }
}

} // namespace cns
