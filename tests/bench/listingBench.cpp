// The listing window timed against the listing floor: both read the same class records and
// show the same text, so that what the listing adds to the least such a window costs on this
// system shows as a ratio that a busy or slower machine moves far less than the seconds.
#include "listingBench.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "benchProcess.h"
#include "benchRecords.h"
#include "childProcess.h"
#include "listingPaintLimit.h"
#include "ownedHandles.h"
#include "recordPaths.h"

namespace volmora::bench {

namespace {

// A window that has not shown its whole text by then is counted as failed.
constexpr double showLimitSeconds = 60;
// Lines of a record's block in the listing: the ProgID and four values (the records written
// here have no ServerId).
constexpr LRESULT linesPerRecord = 5;

// Rounds per listing size: as many as the start-up rounds, but at most 7 of 10,000 records,
// whose two windows take seconds each where those of 100 take a fraction of one. That keeps a
// run of ./bench about as long as when each size showed one listing and the 32-bit build waited
// for three windows that could not paint.
int roundsFor(int records, int runs) {
    return records >= 10000 ? std::min(runs, 7) : runs;
}

// Writes the records of the listing, numbered from 0; the Windows error code of the first write
// that failed, or 0.
LSTATUS writeClassRecords(const std::wstring& classesPath, int count) {
    for (int i = 0; i < count; ++i) {
        const std::wstring record = classesPath + L"\\" + listedClassId(i);
        HKEY created = nullptr;
        LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, record.c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, &created, nullptr);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        const RegistryKey key(created);
        auto put = [&](const wchar_t* name, const std::wstring& text) {
            if (status == ERROR_SUCCESS) {
                status = RegSetValueExW(key.get(), name, 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
            }
        };
        put(L"ProgId", L"VolmoraBench.Listed" + std::to_wstring(i));
        put(L"JavaClassName", L"com.tamsiver.bench.Class" + std::to_wstring(i));
        put(L"JvmId", timedJvm);
        if (status != ERROR_SUCCESS) {
            return status;
        }
    }
    return ERROR_SUCCESS;
}

// Deletes the records writeClassRecords wrote, and nothing else; the Windows error code of the
// first deletion that failed, or 0.
LSTATUS deleteClassRecords(const std::wstring& classesPath, int count) {
    for (int i = 0; i < count; ++i) {
        const std::wstring record = classesPath + L"\\" + listedClassId(i);
        const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, record.c_str());
        if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, record.c_str());
        } else {
            return status;
        }
    }
    return ERROR_SUCCESS;
}

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

HWND listingWindowOf(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(matchListingWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A window's text, read from the process that owns it; nothing when it does not answer.
std::optional<std::wstring> textOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length)) {
        return std::nullopt;
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 10000, &copied)) {
        return std::nullopt;
    }
    text.resize(copied);
    return text;
}

// One listing window, measured when its whole text shows.
struct Shown {
    double seconds = -1;      // negative: the whole text did not show in time
    bool endedFirst = false;  // the process ended (or could not start) before it showed
    double processorSeconds = 0;
    double peakMegabytes = 0;
    // Read after the measurements, when asked for.
    std::optional<std::wstring> caption;
    std::optional<std::wstring> text;
};

Shown showListing(const std::wstring& program, const std::wstring& arguments, LRESULT lines,
                  bool readTexts) {
    Shown shown;
    ChildStart start;
    start.image = program;
    start.commandLine = quoteForCommandLine(program) + (arguments.empty() ? L"" : L" " + arguments);
    const double begin = now();
    ChildProcess process(start);
    if (!process.started()) {
        shown.endedFirst = true;
        return shown;
    }
    // Until the window shows every line, or the process ends without it.
    while (now() - begin < showLimitSeconds) {
        const HWND window = listingWindowOf(process.id());
        const HWND edit = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
        LRESULT count = 0;
        if (edit) {
            SendMessageTimeoutW(edit, EM_GETLINECOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000,
                                reinterpret_cast<PDWORD_PTR>(&count));
        }
        if (count >= lines) {
            shown.seconds = now() - begin;
            shown.processorSeconds = processorSeconds(process.id());
            PROCESS_MEMORY_COUNTERS memory{};
            GetProcessMemoryInfo(process.process(), &memory, sizeof memory);
            shown.peakMegabytes =
                static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
            if (readTexts) {
                shown.caption = textOf(window);
                shown.text = textOf(edit);
            }
            PostMessageW(window, WM_CLOSE, 0, 0);
            break;
        }
        if (process.wait(5)) {
            shown.endedFirst = true;
            break;
        }
    }
    if (!process.wait(10000)) {
        process.terminate(1);
    }
    return shown;
}

// The runs of one program at one size.
struct Runs {
    std::vector<double> seconds;
    std::vector<double> processorSeconds;
    std::vector<double> peakMegabytes;
    int timedOut = 0;
    int endedFirst = 0;

    void add(const Shown& shown) {
        if (shown.seconds < 0) {
            ++(shown.endedFirst ? endedFirst : timedOut);
            return;
        }
        seconds.push_back(shown.seconds);
        if (shown.processorSeconds >= 0) {
            processorSeconds.push_back(shown.processorSeconds);
        }
        peakMegabytes.push_back(shown.peakMegabytes);
    }
};

// Why the floor's window and the listing's are not the same listing; nothing when they are.
std::optional<std::string> differenceOf(const Shown& floor, const Shown& listing) {
    if (!floor.text || !listing.text || !floor.caption || !listing.caption) {
        return "their texts could not be read to compare";
    }
    if (*floor.caption != *listing.caption) {
        return "the floor's caption differs from the listing's";
    }
    if (*floor.text == *listing.text) {
        return std::nullopt;
    }
    const auto at = std::mismatch(floor.text->begin(), floor.text->end(), listing.text->begin(),
                                  listing.text->end())
                        .first;
    char line[160];
    std::snprintf(line, sizeof line,
                  "the floor's text differs from the listing's at character %zu (of %zu and %zu)",
                  static_cast<std::size_t>(at - floor.text->begin()), floor.text->size(),
                  listing.text->size());
    return line;
}

void printRow(int records, int rounds, const Runs& floor, const Runs& listing) {
    std::printf("%10d %6d", records, rounds);
    if (floor.seconds.empty() || listing.seconds.empty()) {
        std::printf("   %s did not show the whole text in any round\n",
                    floor.seconds.empty() ? "the floor" : "the listing");
        return;
    }
    const double floorSeconds = median(floor.seconds);
    const double listingSeconds = median(listing.seconds);
    std::printf(" %7.3f %7.3f %7.2f", floorSeconds, listingSeconds, listingSeconds / floorSeconds);
    if (floor.processorSeconds.empty() || listing.processorSeconds.empty()) {
        std::printf("  %7s %7s %7s", "-", "-", "-");
    } else {
        const double floorCpu = median(floor.processorSeconds);
        const double listingCpu = median(listing.processorSeconds);
        std::printf("  %7.3f %7.3f %7.2f", floorCpu, listingCpu, listingCpu / floorCpu);
    }
    std::printf("  %6.1f %6.1f\n", median(floor.peakMegabytes), median(listing.peakMegabytes));
    for (const auto& [what, runs] : {std::pair{"floor", &floor}, std::pair{"listing", &listing}}) {
        if (runs->timedOut > 0) {
            std::printf("%17s %s: %d of %d rounds did not show the whole text in %.0f s\n", "",
                        what, runs->timedOut, rounds, showLimitSeconds);
        }
        if (runs->endedFirst > 0) {
            std::printf("%17s %s: %d of %d rounds ended before the whole text showed\n", "", what,
                        runs->endedFirst, rounds);
        }
    }
}

}  // namespace

void listingRows(const std::wstring& bin, const std::wstring& probes, int runs,
                 const std::vector<int>& counts) {
    std::printf("\n");
    if (const auto limit = listingPaintLimit(probes + L"\\listingPaintProbe.exe")) {
        std::printf("Listing windows not measured: %ls.\n", limit->c_str());
        return;
    }
    std::printf(
        "Listing window (bindObject /l) against the listing floor, a program that reads the same\n"
        "records with the fewest calls and shows the same text in a plain edit control. Medians\n"
        "of rounds that show the floor, then the listing: the time until the whole text shows,\n"
        "the processor time by then (which a busy machine does not inflate), the peak working\n"
        "set.\n");
    std::printf("%17s %-24s %-24s %s\n", "", "   seconds", "   cpu seconds", "  peak MB");
    std::printf("%10s %6s %7s %7s %7s  %7s %7s %7s  %6s %6s\n", "records", "rounds", "floor",
                "listing", "x floor", "floor", "listing", "x floor", "floor", "listing");
    const std::wstring classesPath = recordsPath(recordCollection::classes);
    const std::wstring floorProgram = probes + L"\\listingFloor.exe";
    const std::wstring listingProgram = bin + L"\\bindObject.exe";
    // The collection's key stays when this run did not make it.
    const bool hadCollection = [&] {
        HKEY opened = nullptr;
        const LSTATUS status =
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, classesPath.c_str(), 0, KEY_READ, &opened);
        const RegistryKey key(status == ERROR_SUCCESS ? opened : nullptr);
        return key.valid();
    }();
    int written = 0;
    for (const int count : counts) {
        LSTATUS status = deleteClassRecords(classesPath, written);
        written = 0;
        if (status == ERROR_SUCCESS) {
            status = writeClassRecords(classesPath, count);
            written = count;
        }
        if (status != ERROR_SUCCESS) {
            std::printf("%10d   not measured: the records could not be written (error %ld)\n",
                        count, static_cast<long>(status));
            break;
        }
        const int rounds = roundsFor(count, runs);
        const LRESULT lines = linesPerRecord * count;
        Runs floor;
        Runs listing;
        std::optional<std::string> difference;
        for (int round = 0; round < rounds; ++round) {
            // The first round that shows both also compares what they show.
            const bool compare = floor.seconds.empty() || listing.seconds.empty();
            const Shown floorShown = showListing(floorProgram, L"", lines, compare);
            const Shown listingShown = showListing(listingProgram, L"/l", lines, compare);
            if (compare && floorShown.seconds >= 0 && listingShown.seconds >= 0) {
                difference = differenceOf(floorShown, listingShown);
            }
            floor.add(floorShown);
            listing.add(listingShown);
        }
        printRow(count, rounds, floor, listing);
        if (difference) {
            std::printf("%17s not the same listing: %s\n", "", difference->c_str());
        }
    }
    if (const LSTATUS status = deleteClassRecords(classesPath, written)) {
        std::printf("The listing's records could not all be deleted (error %ld)\n",
                    static_cast<long>(status));
    } else if (!hadCollection) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, classesPath.c_str());  // refused while it holds keys
    }
}

}  // namespace volmora::bench
