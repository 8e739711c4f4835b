// Paired timing: a baseline and the code under test run in turns within each iteration, and the
// ratio is the median of the iterations' own ratios. On a small shared machine the speed swings
// with whatever else runs; the two halves of one iteration see the same swing.
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

/// The two costs of each iteration, in nanoseconds of the thread's CPU clock.
struct TPairSamples {
    std::vector<double> Base, Subject;
};

inline double CpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double MedianRatio(const TPairSamples& samples) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < samples.Base.size(); ++i) ratios.push_back(samples.Subject[i] / samples.Base[i]);
    return Median(ratios);
}

/// Times Base, then Subject, once each, keeping both costs; After runs untimed after each of
/// them, to free what it made.
template <class Base, class Subject, class After>
void TimePairOnce(TPairSamples& Samples, Base&& base, Subject&& subject, After&& after) {
    double start = CpuNs();
    base();
    Samples.Base.push_back(CpuNs() - start);
    after();
    start = CpuNs();
    subject();
    Samples.Subject.push_back(CpuNs() - start);
    after();
}
