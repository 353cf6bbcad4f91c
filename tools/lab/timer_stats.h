// How regularly a periodic timer fired: the error of each period against
// the one asked for.
#pragma once

#include <vector>

namespace torvex::lab {

struct TimerStats {
    std::size_t periods = 0;  // intervals measured (callbacks - 1)
    double medianErrorMs = 0; // of |interval - period|
    double p99ErrorMs = 0;
    double maxErrorMs = 0;
    double meanPeriodMs = 0;
};

// `callbackTimesMs`: when each callback began, in order, in milliseconds
// (fractions allowed). Fewer than two times give all zeros.
TimerStats MeasureTimer(const std::vector<double>& callbackTimesMs, double periodMs);

} // namespace torvex::lab
