// What the benchmark's timings share.
#include "benchProcess.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>

namespace volmora::bench {

namespace {

constexpr NTSTATUS statusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

// The start of an entry of the system's process list, with the times that the SDK's
// declaration leaves among its reserved bytes.
struct ProcessListEntry {
    ULONG nextEntryOffset;
    ULONG numberOfThreads;
    LARGE_INTEGER workingSetPrivateSize;
    ULONG hardFaultCount;
    ULONG numberOfThreadsHighWatermark;
    ULONGLONG cycleTime;
    LARGE_INTEGER createTime;
    LARGE_INTEGER userTime;
    LARGE_INTEGER kernelTime;
    UNICODE_STRING imageName;
    LONG basePriority;
    HANDLE uniqueProcessId;
};
static_assert(offsetof(ProcessListEntry, uniqueProcessId) ==
              offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId));
static_assert(offsetof(ProcessListEntry, imageName) ==
              offsetof(SYSTEM_PROCESS_INFORMATION, ImageName));

}  // namespace

double now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double processorSeconds(DWORD processId) {
    // Asked through the process's handle (GetProcessTimes), Wine 8 answers with the caller's own
    // times: measured here, a child that worked for 2 s read 0.00 s while the caller slept, and
    // the caller's time while it worked. The system's process list holds each process's own.
    std::vector<BYTE> list(256 * 1024);
    ULONG needed = 0;
    NTSTATUS status = 0;
    while ((status = NtQuerySystemInformation(SystemProcessInformation, list.data(),
                                              static_cast<ULONG>(list.size()), &needed)) ==
           statusInfoLengthMismatch) {
        list.resize(std::max<std::size_t>(needed, list.size() * 2));
    }
    if (status != 0) {
        return -1;
    }
    for (std::size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const ProcessListEntry*>(list.data() + offset);
        if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry->uniqueProcessId)) == processId) {
            return static_cast<double>(entry->userTime.QuadPart + entry->kernelTime.QuadPart) / 1e7;
        }
        if (entry->nextEntryOffset == 0) {
            return -1;
        }
        offset += entry->nextEntryOffset;
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace volmora::bench
