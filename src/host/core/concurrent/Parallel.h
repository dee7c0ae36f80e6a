#pragma once

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

// Work on other threads goes through Qt's thread pool (QtConcurrent), here or directly.
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

} // namespace cns::Parallel
