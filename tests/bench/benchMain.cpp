// Times the tools under Wine against programs started the same way: medians of repeated runs as
// ratios to one that does nothing and to the COM floor (COM started and the file-system object
// created), then the listing window against the listing floor for 100 to 10,000 records.
// Usage: volmoraBench <run token> [runs]; it runs only in the prefix that ./bench made for it
// (runGuard.h), and finds the tools in <build>\bin and the floors in <build>\probes, beside its
// own folder <build>\bench.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "benchProcess.h"
#include "benchRecords.h"
#include "childProcess.h"
#include "configBench.h"
#include "fileHandle.h"
#include "listingBench.h"
#include "runGuard.h"
#include "utf8.h"

namespace {

using volmora::bench::median;
using volmora::bench::now;
using volmora::bench::timedClassId;
using volmora::bench::timedJvm;
using volmora::bench::timedProgId;
using volmora::bench::timedServer;

constexpr int refusedExitCode = 3;

// Seconds from start to exit of one run; negative when the run failed or did not exit with 0.
double timedRun(const std::wstring& program, const std::wstring& arguments) {
    volmora::ChildStart start;
    start.image = program;
    start.commandLine = volmora::quoteForCommandLine(program) + L" " + arguments;
    const double begin = now();
    volmora::ChildProcess child(start);
    if (!child.started()) {
        return -1;
    }
    if (!child.wait(60000)) {
        child.terminate(1);
        return -1;
    }
    const double elapsed = now() - begin;
    const volmora::ChildProcess::ExitStatus status = child.exitStatus();
    return status.read && status.code == 0 ? elapsed : -1;
}

std::wstring windowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0);
}

// The marker's bytes (at most a line's worth); nothing when there is no such file.
std::optional<std::string> readMarker(const std::wstring& path) {
    const volmora::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    std::string bytes(256, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return std::nullopt;
    }
    bytes.resize(read);
    return bytes;
}

// <build>: the parent of this program's folder.
std::wstring buildFolder() {
    std::wstring path = volmora::ownProgramPath();
    for (int up = 0; up < 2; ++up) {
        path.erase(std::min(path.find_last_of(L'\\'), path.size()));
    }
    return path;
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
    // "quick" measures the smallest sizes only: the guard's test runs the whole program that way.
    // "removal" measures volmoraConfig's removal rows alone, runs rounds each.
    const bool quick = argc == 4 && std::wstring_view(argv[3]) == L"quick";
    const bool removal = argc == 4 && std::wstring_view(argv[3]) == L"removal";
    if (argc < 2 || argc > 4 || (argc == 4 && !quick && !removal)) {
        std::fprintf(stderr, "usage: volmoraBench <run token> [runs [quick|removal]]\n");
        return 2;
    }
    // Refused before anything is written: it deletes what it registers, under names of its own.
    const std::wstring marker = windowsFolder() + L"\\" + volmora::bench::runMarkerName;
    const std::optional<std::string> markerText = readMarker(marker);
    const std::string token = volmora::utf8(argv[1]);
    if (const auto refusal = volmora::bench::runRefusal(
            token, markerText ? std::optional<std::string_view>(*markerText) : std::nullopt)) {
        std::fprintf(stderr, "volmoraBench refuses to run: %s.\n", refusal->c_str());
        return refusedExitCode;
    }
    // One run per marker: the prefix is not named to a second one.
    DeleteFileW(marker.c_str());
    const std::wstring build = buildFolder();
    const std::wstring bin = build + L"\\bin";
    const std::wstring probes = build + L"\\probes";
    const std::wstring bench = build + L"\\bench";
    const int runs = argc > 2 ? std::max(_wtoi(argv[2]), 1) : 21;

    if (removal) {
        volmora::bench::configRows(bin, probes, bench, runs, {1000, 10000}, true);
        return 0;
    }
    // Two floors: a program that does nothing, and one that only does what every tool must do
    // at start (COM and the file-system object), so that a tool's own work shows on its own.
    // Every round runs each program once, in this order (a registration before its removal), so
    // that a machine busy with other work slows the floors and the tools alike.
    std::vector<Timed> timed = {
        {L"do-nothing program", probes + L"\\nothing.exe", L""},
        {L"COM floor", probes + L"\\comFloor.exe", L""},
        // A tool's start-up alone: the frame and its COM work, then "/?" in silent mode.
        {L"start-up only (bindObject /s /?)", bin + L"\\bindObject.exe", L"/s /?"},
        {L"register class", bin + L"\\bindObject.exe",
         L"/s " + std::wstring(timedProgId) + L" " + timedClassId + L" com.tamsiver.bench.Cls " +
             timedJvm},
        {L"unregister class", bin + L"\\bindObject.exe", L"/s /u " + std::wstring(timedProgId)},
        {L"register JVM", bin + L"\\bindRuntime.exe",
         L"/s " + std::wstring(timedJvm) +
             L" C:\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"},
        {L"unregister JVM", bin + L"\\bindRuntime.exe", L"/s /u " + std::wstring(timedJvm)},
        {L"register server", bin + L"\\bindHost.exe",
         L"/s " + std::wstring(timedServer) + L" C:\\a.jar ServerB ServerC"},
        {L"unregister server", bin + L"\\bindHost.exe", L"/s /u " + std::wstring(timedServer)},
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
    volmora::bench::listingRows(bin, probes, runs,
                                quick ? std::vector<int>{100} : std::vector<int>{100, 1000, 10000});
    volmora::bench::configRows(bin, probes, bench, runs,
                               quick ? std::vector<int>{100} : std::vector<int>{1000, 10000});
    return 0;
}
