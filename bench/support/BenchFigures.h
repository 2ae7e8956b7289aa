#pragma once

// Shared by every benchmark: time repeated runs and summarise them as
// min / median / p95 (and p99) in milliseconds. Figures only; nothing passes or fails.

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tesk::bench {

struct Figures {
    double min = 0;
    double median = 0;
    double p95 = 0;
    double p99 = 0;
};

inline Figures Summarise(std::vector<double> ms)
{
    Figures f;
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    f.min = ms.front();
    f.median = ms[ms.size() / 2];
    // Nearest rank: the smallest value at or above 95 % of the runs.
    const auto rank = [&](double share) {
        return static_cast<std::size_t>(std::max(1.0, std::ceil(share * double(ms.size()))));
    };
    f.p95 = ms[std::min(rank(0.95), ms.size()) - 1];
    f.p99 = ms[std::min(rank(0.99), ms.size()) - 1];
    return f;
}

// Runs body once to warm caches, then `runs` times, timing each run.
template <typename Body>
std::vector<double> TimeRuns(int runs, Body&& body)
{
    body();
    std::vector<double> ms;
    ms.reserve(std::size_t(std::max(runs, 0)));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return ms;
}

template <typename Body>
Figures Measure(int runs, Body&& body)
{
    return Summarise(TimeRuns(runs, std::forward<Body>(body)));
}

} // namespace tesk::bench
