#pragma once

#include <QtGlobal>
#include <exception>
#include <thread>

namespace cns {

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
    std::exception_ptr second;
    std::thread t([&] {
        try {
            work(middle, count);
        } catch (...) {
            second = std::current_exception();
        }
    });
    std::exception_ptr first;
    try {
        work(qsizetype(0), middle);
    } catch (...) {
        first = std::current_exception();
    }
    t.join();
    if (first)
        std::rethrow_exception(first);
    if (second)
        std::rethrow_exception(second);
}

} // namespace cns
