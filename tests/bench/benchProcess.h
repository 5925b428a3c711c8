// What the benchmark's timings share: the clock, a process's processor time, and the median of
// repeated runs.
#pragma once

#include <windows.h>

#include <vector>

namespace volmora::bench {

// Seconds on the performance counter.
double now();

// User and kernel time the running process has used so far; negative when it cannot be read.
double processorSeconds(DWORD processId);

double median(std::vector<double> values);

}  // namespace volmora::bench
