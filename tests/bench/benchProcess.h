// What the benchmark's timings share: a started program's handles, the clock, a process's
// processor time, and the median of repeated runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace volmora::bench {

// A started program, its handles closed when it goes out of scope.
struct Process {
    PROCESS_INFORMATION info{};
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
};

// Seconds on the performance counter.
double now();

bool start(const std::wstring& program, const std::wstring& arguments, Process& process);

// User and kernel time the running process has used so far; negative when it cannot be read.
double processorSeconds(DWORD processId);

double median(std::vector<double> values);

}  // namespace volmora::bench
