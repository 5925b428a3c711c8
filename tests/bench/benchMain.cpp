// Times the tools under Wine against programs started the same way: medians of repeated runs as
// ratios to one that does nothing and to the COM floor (COM started and the file-system object
// created), then the listing window against the listing floor for 100 to 10,000 records.
// Usage: volmoraBench <bin folder> <bench folder> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "benchProcess.h"
#include "configBench.h"
#include "listingBench.h"

namespace {

using volmora::bench::median;
using volmora::bench::now;
using volmora::bench::Process;
using volmora::bench::start;

// Seconds from start to exit of one run; negative when the run failed or did not exit with 0.
double timedRun(const std::wstring& program, const std::wstring& arguments) {
    Process process;
    double begin = now();
    if (!start(program, arguments, process))
        return -1;
    if (WaitForSingleObject(process.info.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.info.hProcess, 1);
        return -1;
    }
    double elapsed = now() - begin;
    DWORD code = 1;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code == 0 ? elapsed : -1;
}

// One program and command line timed in every round.
struct Timed {
    Timed(std::wstring whatRuns, std::wstring programPath, std::wstring commandArguments)
        : what(std::move(whatRuns)),
          program(std::move(programPath)),
          arguments(std::move(commandArguments)) {}
    std::wstring what;
    std::wstring program;
    std::wstring arguments;
    std::vector<double> times;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: volmoraBench <bin folder> <bench folder> [runs]\n");
        return 2;
    }
    const std::wstring bin = argv[1];
    const std::wstring bench = argv[2];
    const int runs = argc > 3 ? std::max(_wtoi(argv[3]), 1) : 21;

    // Two floors: a program that does nothing, and one that only does what every tool must do
    // at start (COM and the file-system object), so that a tool's own work shows on its own.
    // Every round runs each program once, in this order (a registration before its removal), so
    // that a machine busy with other work slows the floors and the tools alike.
    std::vector<Timed> timed = {
        {L"do-nothing program", bench + L"\\nothing.exe", L""},
        {L"COM floor", bench + L"\\comFloor.exe", L""},
        // A tool's start-up alone: the frame and its COM work, then "/?" in silent mode.
        {L"start-up only (bindObject /s /?)", bin + L"\\bindObject.exe", L"/s /?"},
        {L"register class", bin + L"\\bindObject.exe",
         L"/s Bench.Class {B036ABD6-EE02-4d8e-8D67-186DFEE9A903} com.tamsiver.bench.Cls BenchJVM"},
        {L"unregister class", bin + L"\\bindObject.exe", L"/s /u Bench.Class"},
        {L"register JVM", bin + L"\\bindRuntime.exe",
         L"/s BenchJVM C:\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"},
        {L"unregister JVM", bin + L"\\bindRuntime.exe", L"/s /u BenchJVM"},
        {L"register server", bin + L"\\bindHost.exe", L"/s BenchServer C:\\a.jar ServerB ServerC"},
        {L"unregister server", bin + L"\\bindHost.exe", L"/s /u BenchServer"},
    };
    const std::wstring typeLibrary = bench + L"\\benchTypeLibrary.tlb";
    if (GetFileAttributesW(typeLibrary.c_str()) != INVALID_FILE_ATTRIBUTES) {
        timed.push_back(
            {L"register type library", bin + L"\\bindSchema.exe", L"/s \"" + typeLibrary + L"\""});
    }
    for (int round = 0; round < runs; ++round) {
        for (auto& run : timed) {
            run.times.push_back(timedRun(run.program, run.arguments));
        }
    }
    const double floor = median(timed[0].times);
    const double comFloor = median(timed[1].times);
    std::printf(
        "Medians of %d runs under Wine, as ratios to two floors: a do-nothing program,\n"
        "and the COM floor (COM started and \"Scripting.FileSystemObject\" created)\n",
        runs);
    std::printf("%-34s %10s %8s %8s\n", "run", "ms", "x floor", "x COM");
    for (const auto& run : timed) {
        const double m = median(run.times);
        std::printf("%-34ls %10.1f %8.2f %8.2f%s\n", run.what.c_str(), m * 1000, m / floor,
                    m / comFloor,
                    std::any_of(run.times.begin(), run.times.end(), [](double t) { return t < 0; })
                        ? "  (a run failed)"
                        : "");
    }
    volmora::bench::listingRows(bin, bench, runs);
    volmora::bench::configRows(bin, bench, runs);
    return 0;
}
