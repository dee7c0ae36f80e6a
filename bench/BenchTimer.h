#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// The time one piece of work takes.
inline double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The median of a few timed runs, after one warm-up run: steadier than the mean on a busy machine.
inline double medianMs(int runs, const std::function<void()> &work)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void report(const char *what, double ms, double referenceMs, double target)
{
    const double ratio = ms / referenceMs;
    std::printf("%-44s %9.1f ms   %5.2fx the reference   target <= %.1fx   %s\n", what, ms, ratio, target,
                ratio <= target ? "ok" : "MISSED");
}
