#include "tools/lab/timer_stats.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace torvex::lab {

namespace {

bool AllFinite(const std::vector<double>& values)
{
    return std::all_of(values.begin(), values.end(), [](double value) { return std::isfinite(value); });
}

// The middle of a sorted, non-empty list; an even count takes the mean of
// the two middle values.
double Median(const std::vector<double>& sorted)
{
    const std::size_t middle = sorted.size() / 2;
    if (sorted.size() % 2 == 1)
        return sorted[middle];
    return (sorted[middle - 1] + sorted[middle]) / 2;
}

// Nearest rank: the smallest value that at least 99% of the list does not
// exceed, so one late tick in a hundred shows in the figure and not only in
// the maximum.
double Percentile99(const std::vector<double>& sorted)
{
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

} // namespace

TimerStats MeasureTimer(const std::vector<double>& callbackTimesMs, double periodMs)
{
    // A time that is no number (a broken clock reading) would make every
    // figure meaningless, and would break the ordering the sort relies on.
    if (callbackTimesMs.size() < 2 || !std::isfinite(periodMs) || !AllFinite(callbackTimesMs))
        return {};

    std::vector<double> errors;
    errors.reserve(callbackTimesMs.size() - 1);
    for (std::size_t i = 1; i < callbackTimesMs.size(); ++i)
        errors.push_back(std::fabs(callbackTimesMs[i] - callbackTimesMs[i - 1] - periodMs));
    std::sort(errors.begin(), errors.end());

    TimerStats stats;
    stats.periods = errors.size();
    stats.medianErrorMs = Median(errors);
    stats.p99ErrorMs = Percentile99(errors);
    stats.maxErrorMs = errors.back();
    stats.meanPeriodMs =
        (callbackTimesMs.back() - callbackTimesMs.front()) / static_cast<double>(stats.periods);
    return stats;
}

} // namespace torvex::lab
