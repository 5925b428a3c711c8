// Times the tools under Wine against two programs started the same way, one that does nothing
// and one that only starts COM and creates the file-system object: medians of repeated runs as
// ratios to both floors, listing windows of 100 to 10,000 records, and the listing process's
// peak working set. Usage: volmoraBench <bin folder> <bench folder> [runs]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Process {
    PROCESS_INFORMATION info{};
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (info.hProcess)
            CloseHandle(info.hProcess);
        if (info.hThread)
            CloseHandle(info.hThread);
    }
};

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool start(const std::wstring& program, const std::wstring& arguments, Process& process) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process.info) != FALSE;
}

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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
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

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchListingWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) &&
        FindWindowExW(window, nullptr, L"Edit", nullptr) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// User and kernel time the process has used so far.
double processorSeconds(HANDLE process) {
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        return -1;
    }
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

HWND listingWindowOf(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(matchListingWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

const wchar_t* classesPath = L"SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";

void writeClassRecords(int count) {
    for (int i = 0; i < count; ++i) {
        wchar_t clsid[64];
        swprintf(clsid, 64, L"{B0000000-0000-0000-0000-%012d}", i);
        std::wstring record = std::wstring(classesPath) + L"\\" + clsid;
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, record.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        auto put = [&](const wchar_t* name, const std::wstring& text) {
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        };
        put(L"ProgId", L"Bench.Class" + std::to_wstring(i));
        put(L"JavaClassName", L"com.tamsiver.bench.Class" + std::to_wstring(i));
        put(L"JvmId", L"BenchJVM");
        RegCloseKey(key);
    }
}

void listingScale(const std::wstring& bin) {
    std::printf(
        "\nListing window (bindObject /l): time until the whole text shows, the listing\n"
        "process's processor time by then (which a busy machine does not inflate), and\n"
        "its peak working set\n");
    std::printf("%10s %12s %12s %16s\n", "records", "seconds", "cpu seconds", "peak MB");
    double previous = 0;
    for (int count : {100, 1000, 10000}) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, classesPath);
        writeClassRecords(count);
        Process process;
        double begin = now();
        if (!start(bin + L"\\bindObject.exe", L"/l", process)) {
            std::printf("%10d   could not start\n", count);
            continue;
        }
        double shown = -1;
        while (now() - begin < 60) {
            HWND window = listingWindowOf(process.info.dwProcessId);
            HWND edit = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
            LRESULT lines = 0;
            if (edit)
                SendMessageTimeoutW(edit, EM_GETLINECOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000,
                                    reinterpret_cast<PDWORD_PTR>(&lines));
            if (lines >= 5 * count) {
                shown = now() - begin;
                PROCESS_MEMORY_COUNTERS memory{};
                GetProcessMemoryInfo(process.info.hProcess, &memory, sizeof memory);
                PostMessageW(window, WM_CLOSE, 0, 0);
                std::printf("%10d %12.3f %12.3f %16.1f", count, shown,
                            processorSeconds(process.info.hProcess),
                            static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
                if (previous > 0)
                    std::printf("   growth x%.1f", shown / previous);
                std::printf("\n");
                previous = shown;
                break;
            }
            Sleep(5);
        }
        if (shown < 0) {
            std::printf("%10d   the window did not show the whole text\n", count);
            TerminateProcess(process.info.hProcess, 1);
        }
        WaitForSingleObject(process.info.hProcess, 10000);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, classesPath);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: volmoraBench <bin folder> <bench folder> [runs]\n");
        return 2;
    }
    const std::wstring bin = argv[1];
    const std::wstring bench = argv[2];
    const int runs = argc > 3 ? _wtoi(argv[3]) : 21;

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
    listingScale(bin);
    return 0;
}
