// The outcome log under Wine: one whole JSON line per run, appended to the file VOLMORA_LOG
// names, for every way a run ends; a log that cannot be written changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "childProcess.h"
#include "expectations.h"
#include "expectedUsage.h"
#include "harness.h"
#include "platformLimits.h"
#include "programWithoutScripting.h"
#include "testFolder.h"

namespace volmora::e2e {
namespace {

using Json = nlohmann::ordered_json;

const std::wstring serversKey = L"SOFTWARE\\Tamsiver Software\\VOLM\\Servers";
const std::wstring classRecordsKey = L"SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";
const std::wstring listingSettingsKey = L"Software\\Tamsiver Software\\Volmora";

std::string readFile(const std::wstring& path) {
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

// The file's lines; a last line without its line feed is kept as it is, so it shows as broken.
std::vector<std::string> lines(const std::string& bytes) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        result.push_back(bytes.substr(start, end - start));
    }
    if (start < bytes.size()) {
        result.push_back(bytes.substr(start));
    }
    return result;
}

// The record without its time and pid, after checking their form.
Json withoutTimeAndPid(const std::string& line) {
    Json record = Json::parse(line);
    static const std::regex utc(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    EXPECT_TRUE(std::regex_match(record["time"].get<std::string>(), utc)) << line;
    EXPECT_TRUE(record["pid"].is_number_unsigned() && record["pid"] != 0) << line;
    record.erase("time");
    record.erase("pid");
    return record;
}

std::wstring systemRoot() {
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", folder, MAX_PATH);
    return folder;
}

Json message(const char* kind, const std::wstring& text, bool shown) {
    return {{"kind", kind}, {"text", narrow(text)}, {"shown", shown}};
}

// Each case runs in a folder of its own, removed afterwards with the log, the registrations and
// the listing window's placement.
class OutcomeLog : public ::testing::Test {
  protected:
    void SetUp() override { cleanRegistry(); }
    void TearDown() override { cleanRegistry(); }
    static void cleanRegistry() {
        deleteTree(HKEY_LOCAL_MACHINE, serversKey);
        deleteTree(HKEY_LOCAL_MACHINE, classRecordsKey);
        deleteTree(HKEY_CURRENT_USER, listingSettingsKey);
    }

    // A run with the log named relative to the current folder, as setups often do.
    RunResult run(const std::wstring& tool, const std::wstring& arguments,
                  const std::wstring& program = {}) {
        RunOptions options;
        options.program = program;
        options.currentFolder = folder_;
        options.environment = {{L"VOLMORA_LOG", L"setup.log"}};
        return runTool(tool, arguments, options);
    }
    std::string log() const { return readFile(folder_ + L"\\setup.log"); }

    const TestFolder scratch_{L"volmora-outcome-log"};
    const std::wstring folder_ = scratch_.path();
};

struct RecordCase {
    const char* name;
    std::wstring tool;
    std::wstring arguments;
    bool unscripted;  // run a copy that cannot create the file-system object
    bool silent;
    std::vector<Json> messages;
    const char* listing;  // the listing window's caption, or nullptr
    std::uint32_t exitCode;
};

TEST_F(OutcomeLog, AppendsOneRecordPerRunForEveryWayARunEnds) {
    // A negative number, measured: what COM returns depends on the prefix.
    const std::uint32_t failure = fileSystemObjectFailureWithoutScripting();
    wchar_t failureText[11] = {};
    swprintf(failureText, 11, L"0x%08X", failure);
    const std::wstring registeredA =
        L"Server \"ServerA\" successfully registered.\r\n    Classpath: \tC:\\a.jar";
    const std::wstring foreign = L"\u0421\u0435\u0440\u0432\u0435\u0440\u65E5\u672C";
    const std::wstring lone(1, wchar_t(0xD800));
    const RecordCase cases[] = {
        {"registered, shown",
         L"bindHost",
         L"ServerA C:\\a.jar",
         false,
         false,
         {message("information", registeredA, true)},
         nullptr,
         0},
        {"silent failed registration",
         L"bindObject",
         L"/s Bad.Clsid {A}\\{B} com.x.Y JvmA",
         false,
         true,
         {message("error", L"Can't create VOLM CLSID registry settings: error=161", false)},
         nullptr,
         0},
        {"refused silently",
         L"bindHost",
         L"/s",
         false,
         true,
         {message("error", volmora::testing::expectedServerUsage, false)},
         nullptr,
         1},
        {"listing", L"bindHost", L"/l", false, false, {}, "Volmora - Registered Servers", 0},
        {"start-up failure",
         L"bindHost",
         L"/s ServerB C:\\b.jar",
         true,
         false,
         {message("critical",
                  L"Cannot create Scripting.FileSystemObject .. is " + systemRoot() +
                      L"\\System32\\scrrun.dll registered?",
                  true)},
         nullptr,
         4},
        {"internal error with a negative number",
         L"bindRuntime",
         L"/s JvmA C:\\jvm.dll -Xmx1m",
         true,
         false,
         {message("error",
                  L"Internal error: number=" + std::wstring(failureText) +
                      L", source=bindRuntimeProject, "
                      L"description=Cannot create Scripting.FileSystemObject",
                  true)},
         nullptr,
         failure},
        {"text outside the ANSI code page",
         L"bindHost",
         L"/s /u " + foreign + lone,
         false,
         true,
         {message("error", L"Server \"" + foreign + L"\uFFFD\" isn't registered.", false)},
         nullptr,
         0},
    };
    // The log starts with a line of its own, which every run must leave in place.
    const std::string earlier = "{\"written\":\"before\"}\n";
    const HANDLE file = CreateFileW((folder_ + L"\\setup.log").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, earlier.data(), static_cast<DWORD>(earlier.size()), &written, nullptr);
    CloseHandle(file);

    std::size_t records = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.listing != nullptr &&
            !checkableHere(PlatformLimit::noListingPaint, "the record of a listing")) {
            continue;
        }
        std::wstring program = builtToolPath(c.tool);
        std::optional<ProgramWithoutScripting> unscripted;
        if (c.unscripted) {
            program = unscripted.emplace(c.tool).path();
        }
        const RunResult result = run(c.tool, c.arguments, program);
        EXPECT_EQ(result.exitCode, c.exitCode);
        const std::vector<std::string> logged = lines(log());
        ASSERT_EQ(logged.size(), ++records);
        EXPECT_EQ(logged.front() + "\n", earlier);
        // A surrogate without its partner is logged as U+FFFD.
        std::wstring commandLine = L"\"" + program + L"\" " + c.arguments;
        std::replace(commandLine.begin(), commandLine.end(), lone[0], L'\uFFFD');
        Json expected = {{"program", narrow(c.tool)},
                         {"commandLine", narrow(commandLine)},
                         {"silent", c.silent},
                         {"messages", c.messages}};
        if (c.listing != nullptr) {
            expected["listing"] = c.listing;
        }
        expected["exitCode"] = c.exitCode;
        EXPECT_EQ(withoutTimeAndPid(logged.back()), expected);
    }
    EXPECT_EQ(log().back(), '\n');
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, classRecordsKey + L"\\{A}"));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, serversKey + L"\\ServerA"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, serversKey + L"\\ServerB"));
}

// Two processes at a time, 100 runs each: every record arrives whole, on a line of its own.
TEST_F(OutcomeLog, RunsLoggingAtOnceNeverMixTheirLines) {
    constexpr int runsEach = 100;
    const std::wstring program = builtToolPath(L"bindHost");
    // Long records give the two writers more chance to meet inside a line.
    const std::wstring streams[] = {L"A" + std::wstring(300, L'a'), L"B" + std::wstring(300, L'b')};
    // Each run is started as the tools' own runner starts programs, which tries again a start
    // that Wine refuses now and then; a run that does not end well stops its stream with the
    // reason.
    auto runMany = [&](const std::wstring& serverId, int& ended, std::string& failure) {
        for (int i = 0; i < runsEach; ++i) {
            ChildStart start;
            start.image = program;
            start.commandLine = L"\"" + program + L"\" /s /u " + serverId;
            start.currentFolder = folder_;
            ChildProcess child(start);
            if (!child.started()) {
                failure = narrow(child.failedStep()) + " failed with error " +
                          std::to_string(child.error());
                return;
            }
            if (!child.waitSeconds(30)) {
                child.terminate(0xDEAD);
                failure = "a run did not end within 30 s";
                return;
            }
            const ChildProcess::ExitStatus status = child.exitStatus();
            if (!status.read || status.code != 0) {
                failure = status.read ? "a run ended with " + std::to_string(status.code)
                                      : "an exit code could not be read: error " +
                                            std::to_string(status.error);
                return;
            }
            ++ended;
        }
    };
    int endedA = 0;
    int endedB = 0;
    std::string failureA;
    std::string failureB;
    // The runs inherit the variable from here.
    ASSERT_TRUE(SetEnvironmentVariableW(L"VOLMORA_LOG", L"setup.log"));
    std::thread first(runMany, std::cref(streams[0]), std::ref(endedA), std::ref(failureA));
    std::thread second(runMany, std::cref(streams[1]), std::ref(endedB), std::ref(failureB));
    first.join();
    second.join();
    SetEnvironmentVariableW(L"VOLMORA_LOG", nullptr);
    ASSERT_EQ(endedA + endedB, 2 * runsEach) << "A: " << failureA << "; B: " << failureB;

    const std::string bytes = log();
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), '\n');
    int perStream[2] = {0, 0};
    for (const std::string& line : lines(bytes)) {
        const Json record = withoutTimeAndPid(line);
        const std::string text = record["messages"][0]["text"];
        perStream[0] += text == narrow(L"Server \"" + streams[0] + L"\" isn't registered.");
        perStream[1] += text == narrow(L"Server \"" + streams[1] + L"\" isn't registered.");
    }
    EXPECT_EQ(perStream[0], runsEach);
    EXPECT_EQ(perStream[1], runsEach);
}

struct UnwritableCase {
    const char* name;
    std::wstring log;
    bool inherited;  // set in the harness's own environment, where an empty value stays set
};

bool appendable(const std::wstring& path) {
    const HANDLE file =
        CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

// The run shows, writes and returns exactly what it would without the variable.
TEST_F(OutcomeLog, ALogThatCannotBeWrittenChangesNothing) {
    const std::wstring readOnly = folder_ + L"\\readOnly.log";
    const std::wstring held = folder_ + L"\\held.log";
    for (const auto& [path, attributes] :
         {std::pair{readOnly, FILE_ATTRIBUTE_READONLY}, std::pair{held, FILE_ATTRIBUTE_NORMAL}}) {
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    const UnwritableCase cases[] = {
        {"a folder", folder_, false},
        {"a missing folder", folder_ + L"\\missing\\setup.log", false},
        {"a read-only file", readOnly, false},
        {"a file another program holds", held, false},
        {"an empty variable", L"", true},
        {"no variable", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.log == readOnly && appendable(readOnly)) {
            // Wine run by root opens a read-only file for writing all the same.
            std::printf("  skipped \"%s\": this system lets read-only files be written\n", c.name);
            continue;
        }
        RunOptions options;
        options.currentFolder = folder_;
        if (c.inherited) {
            ASSERT_TRUE(SetEnvironmentVariableW(L"VOLMORA_LOG", c.log.c_str()));
        } else {
            options.environment = {{L"VOLMORA_LOG", c.log}};
        }
        const HANDLE holding = c.log == held ? CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr,
                                                           OPEN_EXISTING, 0, nullptr)
                                             : INVALID_HANDLE_VALUE;
        const RunResult result = runTool(L"bindHost", L"ServerA C:\\a.jar", options);
        if (holding != INVALID_HANDLE_VALUE) {
            CloseHandle(holding);
        }
        SetEnvironmentVariableW(L"VOLMORA_LOG", nullptr);
        expectOneBox(result, BoxIcon::information, L"Volmora - Bind Host",
                     L"Server \"ServerA\" successfully registered.\r\n    Classpath: \tC:\\a.jar");
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, serversKey + L"\\ServerA"));
        EXPECT_EQ(readFile(readOnly), "");
        EXPECT_EQ(readFile(held), "");
        EXPECT_EQ(GetFileAttributesW((folder_ + L"\\missing").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesW((folder_ + L"\\setup.log").c_str()), INVALID_FILE_ATTRIBUTES);
        deleteTree(HKEY_LOCAL_MACHINE, serversKey);
    }
}

}  // namespace
}  // namespace volmora::e2e
