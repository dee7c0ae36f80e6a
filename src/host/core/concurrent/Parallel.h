#pragma once

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <memory>
#include <type_traits>

namespace cns::Parallel {

// Runs here() on the calling thread and there() on a thread of Qt's pool at the same time, for two
// pieces of work that share nothing they write (here() may use what belongs to the calling thread,
// such as its database connection; there() may not). What either raises is raised once both have
// stopped, here()'s first.
template <class Here, class There>
void bothAtOnce(Here &&here, There &&there)
{
    std::exception_ptr second;
    QFuture<void> other = QtConcurrent::run([&] {
        try {
            there();
        } catch (...) {
            second = std::current_exception();
        }
    });
    std::exception_ptr first;
    try {
        here();
    } catch (...) {
        first = std::current_exception();
    }
    // Runs there() here when the pool had no thread free to start it.
    other.waitForFinished();
    if (first)
        std::rethrow_exception(first);
    if (second)
        std::rethrow_exception(second);
}

// Frees object on a thread of the pool, so that whoever is done with a large structure (an import's
// hundred thousand rows, keys and sets: freeing them takes as long as a phase of the import) goes on
// at once. T must not need the calling thread to be destroyed (no Qt objects with a thread affinity).
// QThreadPool::globalInstance()->waitForDone() waits for it, as for every task of the pool.
template <class T>
void dispose(T &&object)
{
    // The task holds the only reference, so the object is freed there, whichever ends first.
    QThreadPool::globalInstance()->start(
        [held = std::make_shared<std::decay_t<T>>(std::forward<T>(object))]() mutable { held.reset(); });
}

} // namespace cns::Parallel
