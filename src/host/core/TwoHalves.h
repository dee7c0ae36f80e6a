#pragma once

#include <QtGlobal>
#include <exception>
#include <thread>

namespace cns {

// Runs here() on the calling thread and there() on a thread of its own at the same time, for two
// pieces of work that share nothing they write. What either raises is raised once both have
// stopped, here()'s first.
template <class Here, class There>
void bothAtOnce(Here &&here, There &&there)
{
    std::exception_ptr second;
    std::thread t([&] {
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
    t.join();
    if (first)
        std::rethrow_exception(first);
    if (second)
        std::rethrow_exception(second);
}

// Runs work(begin, end) over [0, count) in two halves, the second half on a thread of its own, for
// work on many independent items (each item's result in its own slot). Small counts run in one
// piece. What either half raises is raised once both have stopped, the first half's first.
template <class Work>
void inTwoHalves(qsizetype count, Work &&work)
{
    constexpr qsizetype kWorthASecondThread = 4096;
    if (count < kWorthASecondThread) {
        work(qsizetype(0), count);
        return;
    }
    const qsizetype middle = count / 2;
    bothAtOnce([&] { work(qsizetype(0), middle); }, [&] { work(middle, count); });
}

} // namespace cns
