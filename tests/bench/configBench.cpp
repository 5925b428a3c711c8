// volmoraConfig against its floors, each timed in the same rounds so that a busy machine moves
// the ratios far less than the seconds: export against a program that makes the same reads with
// the fewest registry calls, apply to an empty view against one that makes the same writes, and a
// second apply (no change) against export. The per-class peer registers each class with one
// volmoraRun bindObject run, as an installer script without volmoraConfig would.
#include "configBench.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "benchProcess.h"
#include "childProcess.h"
#include "classRecord.h"
#include "configBenchData.h"
#include "jvmRecord.h"
#include "recordPaths.h"
#include "serverRecord.h"
#include "utf8.h"

namespace volmora::bench {

namespace {

constexpr DWORD runLimitMilliseconds = 600000;
constexpr DWORD sampleMilliseconds = 20;
// The per-class peer is timed over this many classes and scaled to 1,000: each run registers one
// class into a view that grows by one record, so a run costs the same whichever it is.
constexpr int peerSample = 100;
constexpr int peerClasses = 1000;

struct Measured {
    double seconds = -1;  // negative: the run failed or did not exit with 0
    double peakMegabytes = -1;
};

Measured timed(const std::wstring& program, const std::wstring& arguments) {
    ChildStart request;
    request.image = program;
    request.commandLine = quoteForCommandLine(program) + L" " + arguments;
    request.captureOutput = true;  // the plans of thousands of lines stay out of the report
    Measured measured;
    const double begin = now();
    ChildProcess child(request);
    if (!child.started()) {
        return measured;
    }
    // The peak working set is read while the child runs: of an ended process, Wine 8 answered
    // with 0 here for the runs of 1,000 classes and with the peak for those of 10,000.
    SIZE_T peakBytes = 0;
    const auto notePeak = [&] {
        PROCESS_MEMORY_COUNTERS memory{};
        if (GetProcessMemoryInfo(child.process(), &memory, sizeof memory)) {
            peakBytes = std::max(peakBytes, memory.PeakWorkingSetSize);
        }
    };
    for (DWORD waited = 0; !child.wait(sampleMilliseconds); waited += sampleMilliseconds) {
        notePeak();
        if (waited >= runLimitMilliseconds) {
            child.terminate(1);
            return measured;
        }
    }
    const double seconds = now() - begin;
    notePeak();
    child.output();
    if (peakBytes > 0) {
        measured.peakMegabytes = static_cast<double>(peakBytes) / (1024.0 * 1024.0);
    }
    if (const ChildProcess::ExitStatus status = child.exitStatus();
        status.read && status.code == 0) {
        measured.seconds = seconds;
    }
    return measured;
}

std::string jsonText(const std::wstring& text) {
    std::string quoted = "\"";
    for (const char c : utf8(text)) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

// The file apply reads, in the form export writes, so that the floor's writes can be proven
// the same by exporting them.
std::string configurationFile(int count) {
    std::string jvms, servers, classes;
    const auto record =
        [](std::string& out, const std::wstring& name,
           std::initializer_list<std::pair<std::wstring_view, std::wstring>> values) {
            out += out.empty() ? "\n" : ",\n";
            out += "    " + jsonText(name) + ": {\n";
            bool first = true;
            for (const auto& [valueName, text] : values) {
                out += first ? "" : ",\n";
                out += "      " + jsonText(std::wstring(valueName)) + ": " + jsonText(text);
                first = false;
            }
            out += "\n    }";
        };
    for (int i = 0; i < count; ++i) {
        const BenchClass c = benchClass(i);
        record(jvms, c.jvmId, {{dllPathValue, c.jvmLibrary}, {jvmOptionsValue, c.jvmOptions}});
        record(servers, c.serverId, {{classpathValueName, c.classpath}, {importsValueName, L""}});
        record(classes, c.clsid,
               {{recordValue::javaClassName, c.javaClassName},
                {recordValue::jvmId, c.jvmId},
                {recordValue::progId, c.progId},
                {recordValue::serverId, c.serverId}});
    }
    return "{\n  \"formatVersion\": 1,\n  \"jvms\": {" + jvms + "\n  },\n  \"servers\": {" +
           servers + "\n  },\n  \"classes\": {" + classes + "\n  }\n}\n";
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Removes exactly what the rows write, the records and COM keys of the first count classes, with
// the delete floor's calls: the fewest, so that the clean-up between rounds costs little.
void removeClasses(int count) {
    for (int i = 0; i < count; ++i) {
        for (const auto& [machine, path] : benchKeysLeavesFirst(benchClass(i))) {
            RegDeleteKeyW(machine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT, path.c_str());
        }
    }
}

struct Series {
    std::vector<double> seconds;
    std::vector<double> peaks;
    int failed = 0;
    void add(const Measured& measured) {
        if (measured.seconds < 0) {
            ++failed;
            return;
        }
        seconds.push_back(measured.seconds);
        if (measured.peakMegabytes >= 0) {
            peaks.push_back(measured.peakMegabytes);
        }
    }
    double value() const { return median(seconds); }
};

// A tool against its floor, both timed in every round from the same starting state, in turns
// first: the ratio of each round, so that what slows one round slows both sides of its ratio.
struct Pair {
    Series tool;
    Series floor;
    std::vector<double> ratios;
    void add(const Measured& toolRun, const Measured& floorRun) {
        tool.add(toolRun);
        floor.add(floorRun);
        if (toolRun.seconds > 0 && floorRun.seconds > 0) {
            ratios.push_back(toolRun.seconds / floorRun.seconds);
        }
    }
};

// Below this, a tool is faster than the fewest calls that do its work: the floor is at fault.
constexpr double floorFault = 0.9;

// A goal of 0: the row has none.
void printPair(const char* what, const Pair& pair, const char* against, double goal) {
    if (pair.ratios.empty()) {
        std::printf("  %-30s no round succeeded\n", what);
        return;
    }
    const double ratio = median(pair.ratios);
    const auto [lowest, highest] = std::minmax_element(pair.ratios.begin(), pair.ratios.end());
    std::printf("  %-30s %8.3f s  %-16s %8.3f s  %5.2fx (%.2f-%.2f)  ", what, pair.tool.value(),
                against, pair.floor.value(), ratio, *lowest, *highest);
    if (ratio < floorFault) {
        std::printf("floor fault: below %.1fx, the floor does more than the tool\n", floorFault);
    } else if (goal <= 0) {
        std::printf("\n");
    } else {
        std::printf("goal <= %.2fx: %s\n", goal, ratio <= goal ? "met" : "missed");
    }
    if (pair.tool.failed + pair.floor.failed > 0) {
        std::printf("  (%d runs failed)\n", pair.tool.failed + pair.floor.failed);
    }
}

std::string peak(const Series& series) {
    if (series.peaks.empty()) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB",
                  *std::max_element(series.peaks.begin(), series.peaks.end()));
    return text;
}

// Runs first and second in this order, or in the other one.
template <typename First, typename Second>
std::pair<Measured, Measured> inTurn(bool swap, const First& first, const Second& second) {
    if (!swap) {
        const Measured a = first();
        return {a, second()};
    }
    const Measured b = second();
    return {first(), b};
}

}  // namespace

namespace {

// Whether a collection of the view holds a record, with the benchmark's removed.
bool otherRecordsThere() {
    for (const std::wstring_view collection :
         {recordCollection::jvms, recordCollection::servers, recordCollection::classes}) {
        HKEY records = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, recordsPath(collection).c_str(), 0, KEY_READ,
                          &records) != ERROR_SUCCESS) {
            continue;
        }
        DWORD subkeys = 0;
        const LONG result = RegQueryInfoKeyW(records, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(records);
        if (result != ERROR_SUCCESS || subkeys > 0) {
            return true;
        }
    }
    return false;
}

// The removal rows: an apply of an empty file with /prune, and a restore of the backup taken
// before an apply to an empty view, each against the delete floor and against the same deletes
// after reading every value they remove (what a removal that can be put back must read first).
// Every run starts from a view that the write floor filled; a round runs the four in one order,
// the next in the other.
void removalRows(const std::wstring& config, const std::wstring& floorProgram,
                 const std::wstring& library, const std::wstring& bench, int count, int rounds) {
    const std::wstring file = bench + L"\\config-" + std::to_wstring(count) + L".json";
    const std::wstring empty = bench + L"\\empty.json";
    const std::wstring backup = bench + L"\\empty.backup";
    if (!writeFile(file, configurationFile(count)) ||
        !writeFile(empty, "{\"formatVersion\": 1}\n")) {
        std::printf("  %d classes: cannot write the files to apply\n", count);
        return;
    }
    removeClasses(count);
    DeleteFileW(backup.c_str());
    // apply /prune removes every record that the file does not name: only where the view holds
    // none but the benchmark's, so that it never takes a record of someone else's.
    const bool othersThere = otherRecordsThere();
    const bool backedUp = timed(config, L"apply /check /backup " + quoteForCommandLine(backup) +
                                            L" " + quoteForCommandLine(file))
                              .seconds >= 0;
    const std::wstring classes = std::to_wstring(count);
    const auto filled = [&](const std::wstring& program, const std::wstring& arguments) {
        timed(floorProgram, L"write " + classes + L" " + quoteForCommandLine(library));
        return timed(program, arguments);
    };
    Pair pruned, restored, prunedRead, restoredRead;
    for (int round = 0; round < rounds; ++round) {
        Measured runs[4];  // prune, restore, delete floor, read-and-delete floor
        const auto run = [&](int which) {
            switch (which) {
                case 0:
                    if (!othersThere) {
                        runs[0] = filled(config, L"apply /prune " + quoteForCommandLine(empty));
                    }
                    break;
                case 1:
                    if (backedUp) {
                        runs[1] = filled(config, L"restore " + quoteForCommandLine(backup));
                    }
                    break;
                case 2:
                    runs[2] = filled(floorProgram, L"delete " + classes);
                    break;
                default:
                    runs[3] = filled(floorProgram, L"read-delete " + classes);
            }
        };
        for (const int which : {0, 2, 1, 3}) {
            run(round % 2 == 1 ? 3 - which : which);
        }
        if (!othersThere) {
            pruned.add(runs[0], runs[2]);
            prunedRead.add(runs[0], runs[3]);
        }
        if (backedUp) {
            restored.add(runs[1], runs[2]);
            restoredRead.add(runs[1], runs[3]);
        }
    }
    std::printf("%d classes removed, each with its JVM and server, %d rounds:\n", count, rounds);
    if (othersThere) {
        std::printf("  %-30s not measured: the view holds records that are not the benchmark's\n",
                    "apply /prune of an empty file");
    } else {
        printPair("apply /prune of an empty file", pruned, "delete floor", 1.25);
        printPair("", prunedRead, "read, delete", 0);
    }
    printPair("restore to empty", restored, "delete floor", 1.25);
    printPair("", restoredRead, "read, delete", 0);
    removeClasses(count);
    DeleteFileW(file.c_str());
    DeleteFileW(empty.c_str());
    DeleteFileW(backup.c_str());
}

}  // namespace

void configRows(const std::wstring& bin, const std::wstring& probes, const std::wstring& bench,
                int runs, const std::vector<int>& counts, bool removalOnly) {
    const std::wstring config = bin + L"\\volmoraConfig.exe";
    const std::wstring floorProgram = probes + L"\\configFloor.exe";
    if (GetFileAttributesW(config.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("\nvolmoraConfig not measured: %ls is not built.\n", config.c_str());
        return;
    }
    // The runtime is not registered in the benchmark's prefix: apply names VOLM.dll beside
    // itself, and so does the floor.
    const std::wstring library = bin + L"\\VOLM.dll";
    std::printf(
        "\nvolmoraConfig against its floors (the same registry reads or writes with the fewest\n"
        "calls): each round times a tool and its floor from the same starting state, in turns\n"
        "first; the median of the rounds' ratios, with their spread (lowest-highest):\n");
    for (const int count : counts) {
        const int rounds = count >= 10000 ? 5 : count >= 1000 ? 7 : std::min(runs, 3);
        // Each removal round fills the view four times: of 10,000 classes, three rounds, so that
        // the whole benchmark of both builds stays within half an hour.
        const int removalRounds = count >= 10000 ? 3 : rounds;
        removalRows(config, floorProgram, library, bench, count,
                    removalOnly ? runs : removalRounds);
        if (removalOnly) {
            continue;
        }
        const std::wstring file = bench + L"\\config-" + std::to_wstring(count) + L".json";
        const std::wstring exported = bench + L"\\exported.json";
        const std::wstring floorRead = bench + L"\\floorRead.txt";
        const std::string wanted = configurationFile(count);
        if (!writeFile(file, wanted)) {
            std::printf("  %d classes: cannot write %ls\n", count, file.c_str());
            continue;
        }
        const auto apply = [&] { return timed(config, L"apply " + quoteForCommandLine(file)); };
        const auto writeFloor = [&] {
            return timed(floorProgram,
                         L"write " + std::to_wstring(count) + L" " + quoteForCommandLine(library));
        };
        const auto emptied = [count](const auto& run) {
            return [count, run] {
                removeClasses(count);
                return run();
            };
        };
        Pair writes, reads, compares, againstExport;
        bool sameWrites = true;
        for (int round = 0; round < rounds; ++round) {
            const bool swap = round % 2 == 1;
            const auto [applied, written] = inTurn(swap, emptied(apply), emptied(writeFloor));
            writes.add(applied, written);
            // Whichever ran last, the view now holds what the floor writes, which is what apply
            // writes: export shows the same file.
            if (round == 0) {
                timed(config, L"export " + quoteForCommandLine(exported));
                sameWrites = readFile(exported) == wanted;
            }
            const auto [exportRun, readRun] = inTurn(
                swap, [&] { return timed(config, L"export " + quoteForCommandLine(exported)); },
                [&] { return timed(floorProgram, L"read " + quoteForCommandLine(floorRead)); });
            reads.add(exportRun, readRun);
            const auto [again, compared] = inTurn(swap, apply, [&] {
                return timed(floorProgram, L"compare " + quoteForCommandLine(floorRead));
            });
            compares.add(again, compared);
            againstExport.add(again, exportRun);
        }
        const bool roundTrip = readFile(exported) == wanted;
        std::printf("%d classes, each with its JVM and server, %d rounds:\n", count, rounds);
        printPair("export", reads, "read floor", 1.15);
        printPair("apply to an empty view", writes, "write floor", 1.25);
        printPair("apply again (no change)", compares, "compare floor", 1.25);
        printPair("apply again (no change)", againstExport, "export", 1.5);
        std::printf(
            "  peak working set: apply %s, export %s (goal at 10,000 classes: apply <= 40 "
            "MB, export <= 24 MB)\n",
            peak(writes.tool).c_str(), peak(reads.tool).c_str());
        if (!sameWrites) {
            std::printf("  the floor's writes export differently from the applied file\n");
        }
        if (!roundTrip) {
            std::printf("  the export after apply differs from the applied file\n");
        }
        if (count == peerClasses) {
            removeClasses(count);
            Series peer;
            const std::wstring runner = bin + L"\\volmoraRun.exe";
            const double begin = now();
            int failed = 0;
            for (int i = 0; i < peerSample; ++i) {
                const BenchClass c = benchClass(i);
                const Measured one =
                    timed(runner, L"bindObject /s " + c.progId + L" " + c.clsid + L" " +
                                      c.javaClassName + L" " + c.jvmId + L" " + c.serverId);
                failed += one.seconds < 0 ? 1 : 0;
            }
            const double peerSeconds = (now() - begin) * peerClasses / peerSample;
            const double speedup = peerSeconds / writes.tool.value();
            std::printf(
                "  per-class peer (volmoraRun bindObject /s, %d runs timed, scaled to %d): "
                "%.1f s; apply is %.0fx faster (goal >= 20x: %s)%s\n",
                peerSample, peerClasses, peerSeconds, speedup, speedup >= 20 ? "met" : "missed",
                failed ? " (runs failed)" : "");
        }
        removeClasses(count);
        DeleteFileW(file.c_str());
        DeleteFileW(exported.c_str());
        DeleteFileW(floorRead.c_str());
    }
}

}  // namespace volmora::bench
