#pragma once

#include <algorithm>
#include <vector>

// The middle of the times (the upper middle of an even number): one run slowed by other work
// on the machine does not move it.
inline double median(std::vector<double> times)
{
    std::nth_element(times.begin(), times.begin() + std::ptrdiff_t(times.size() / 2), times.end());
    return times[times.size() / 2];
}
