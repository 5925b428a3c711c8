// How volmoraRun judges a run, what it prints, and its exit code for every way a run ends, over
// a fake of its Win32 side.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "installerRun.h"
#include "outcomeLog.h"
#include "runOutcome.h"
#include "runRecord.h"

namespace volmora::runner {
namespace {

const LoggedMessage info{MessageKind::information, L"JVM \"J\" successfully registered.", false};
const LoggedMessage failure{MessageKind::error, L"Can't create JVM registry settings: error=5",
                            false};
const LoggedMessage usage{MessageKind::error, L"usage: bindRuntime ...", false};
const LoggedMessage internal{
    MessageKind::error, L"Internal error: number=0x1, source=bindSchema, description=x", false};
const LoggedMessage critical{MessageKind::critical, L"Cannot create Scripting.FileSystemObject",
                             true};

TEST(RunJudgement, OneExitCodeForEachWayARunEnds) {
    const struct {
        std::uint32_t exitCode;
        std::vector<LoggedMessage> messages;
        RunEnd end;
    } cases[] = {
        {0, {}, RunEnd::success},
        {0, {info}, RunEnd::success},
        {0, {info, failure}, RunEnd::errorMessage},
        {0, {failure}, RunEnd::errorMessage},
        {1, {usage}, RunEnd::refusedCommandLine},
        {1, {}, RunEnd::refusedCommandLine},
        {1, {internal}, RunEnd::internalError},
        {126, {internal}, RunEnd::internalError},
        {2147500037u, {}, RunEnd::internalError},
        {4, {critical}, RunEnd::startFailure},
        {0, {critical}, RunEnd::startFailure},
        {4, {}, RunEnd::internalError},  // 4 without the critical message is an error number
    };
    for (const auto& c : cases) {
        const RunRecord record{L"bindRuntime", c.messages, std::nullopt, c.exitCode};
        EXPECT_EQ(judgeRun(c.exitCode, record), c.end) << c.exitCode;
    }
}

// The guide gives installer authors the table; it must say what the code does, row for row.
TEST(RunExitCodes, TheInstallingGuideGivesTheTableOfTheCode) {
    std::ifstream guide(VOLMORA_INSTALLING_GUIDE);
    ASSERT_TRUE(guide.is_open()) << VOLMORA_INSTALLING_GUIDE;
    std::vector<std::string> rows;
    std::string line;
    bool inTable = false;
    while (std::getline(guide, line)) {
        if (line == "| Exit code | The run |") {
            inTable = true;
            rows.clear();
        } else if (inTable && !line.starts_with("|")) {
            break;
        } else if (inTable && !line.starts_with("|---")) {
            rows.push_back(line);
        }
    }
    std::vector<std::string> expected;
    for (const ExitCodeRow& row : exitCodeTable) {
        expected.push_back("| " + std::to_string(exitCodeOf(row.end)) + " | " +
                           std::string(row.meaning) + " |");
    }
    EXPECT_EQ(rows, expected);
}

// No code is one that installers or the programs give a meaning of their own, and each way a run
// ends has a code of its own.
static_assert([] {
    for (const ExitCodeRow& row : exitCodeTable) {
        for (std::uint32_t taken : {1u, 4u, 1602u, 1603u, 1618u, 1641u, 3010u}) {
            if (exitCodeOf(row.end) == taken) {
                return false;
            }
        }
        for (const ExitCodeRow& other : exitCodeTable) {
            if (&other != &row && other.end == row.end) {
                return false;
            }
        }
    }
    return true;
}());

TEST(RunReport, EveryMessageThenTheClosingLine) {
    const RunRecord record{
        L"bindObject",
        {{MessageKind::information, L"Java class successfully registered.\r\nProgId: P", false},
         {MessageKind::error, L"Can't open \"X\" key: error=2", false}},
        std::nullopt,
        0};
    const std::vector<std::wstring> expected = {
        L"bindObject: information: Java class successfully registered.",
        L"    ProgId: P",
        L"bindObject: error: Can't open \"X\" key: error=2",
        L"volmoraRun: bindObject reported an error (exit code 0); volmoraRun exit code 11",
    };
    EXPECT_EQ(runReport(record, 0, RunEnd::errorMessage), expected);
}

class FakeRunnerSystem : public RunnerSystem {
  public:
    ProgramRun result;
    std::uint32_t appendError = 0;
    struct Run {
        std::wstring path;
        std::wstring commandLine;
        std::uint32_t timeoutSeconds;
    };
    std::vector<Run> runs;
    std::vector<std::wstring> printed;
    std::vector<std::wstring> errors;
    std::vector<std::wstring> appended;

    std::wstring ownFolder() override { return L"C:\\Program Files\\VOLM\\bin"; }
    ProgramRun run(const std::wstring& path, const std::wstring& commandLine,
                   std::uint32_t timeoutSeconds) override {
        runs.push_back({path, commandLine, timeoutSeconds});
        return result;
    }
    void print(const std::vector<std::wstring>& lines) override {
        printed.insert(printed.end(), lines.begin(), lines.end());
    }
    void printError(const std::vector<std::wstring>& lines) override {
        errors.insert(errors.end(), lines.begin(), lines.end());
    }
    std::uint32_t appendToFile(const std::wstring&,
                               const std::vector<std::wstring>& lines) override {
        appended.insert(appended.end(), lines.begin(), lines.end());
        return appendError;
    }
};

std::string recordOf(std::wstring program, std::vector<LoggedMessage> messages,
                     std::uint32_t exitCode) {
    OutcomeRecord record;
    record.program = std::move(program);
    record.messages = std::move(messages);
    record.exitCode = exitCode;
    return recordLine(record);
}

ProgramRun finished(std::uint32_t exitCode, std::string log) {
    ProgramRun run;
    run.exitCode = exitCode;
    run.log = std::move(log);
    return run;
}

ProgramRun stopped(ProgramEnding ending, std::uint32_t error, std::wstring step = {}) {
    ProgramRun run;
    run.ending = ending;
    run.error = error;
    run.failedStep = std::move(step);
    return run;
}

TEST(InstallerRun, RunsTheProgramBesideItselfAndReportsEachEnding) {
    const std::string twoRecords =
        recordOf(L"bindHost", {info}, 0) + recordOf(L"bindHost", {failure}, 0);
    const struct {
        const char* name;
        std::vector<std::wstring> arguments;
        ProgramRun run;
        std::uint32_t exitCode;
        bool runs;
        std::wstring lastLine;
    } cases[] = {
        {"success",
         {L"bindRuntime", L"/s", L"J"},
         finished(0, recordOf(L"bindRuntime", {info}, 0)),
         0,
         true,
         L"volmoraRun: bindRuntime succeeded (exit code 0); volmoraRun exit code 0"},
        {"refused",
         {L"bindRuntime", L"/s", L"J"},
         finished(1, recordOf(L"bindRuntime", {usage}, 1)),
         10,
         true,
         L"volmoraRun: bindRuntime refused its command line (exit code 1); volmoraRun exit code "
         L"10"},
        {"error",
         {L"bindRuntime", L"/s", L"J"},
         finished(0, recordOf(L"bindRuntime", {failure}, 0)),
         11,
         true,
         L"volmoraRun: bindRuntime reported an error (exit code 0); volmoraRun exit code 11"},
        {"noRecord",
         {L"bindHost", L"/s"},
         finished(3221225477u, ""),
         12,
         true,
         L"volmoraRun: bindHost ended without a readable record of its run (exit code "
         L"3221225477) (volmoraRun exit code 12)"},
        {"twoRecords",
         {L"bindHost", L"/s"},
         finished(0, twoRecords),
         12,
         true,
         L"volmoraRun: bindHost ended without a readable record of its run (exit code 0) "
         L"(volmoraRun exit code 12)"},
        {"notStarted",
         {L"bindHost", L"/s", L"S"},
         stopped(ProgramEnding::notStarted, 2, L"CreateProcess"),
         13,
         true,
         L"volmoraRun: bindHost could not start: \"C:\\Program Files\\VOLM\\bin\\bindHost.exe\": "
         L"CreateProcess error=2 (volmoraRun exit code 13)"},
        {"misuse",
         {L"bindRuntime", L"/l"},
         {},
         14,
         false,
         L"volmoraRun: A listing (/l) waits for a user and is not run unattended. (volmoraRun "
         L"exit code 14)"},
        {"withoutSilence",
         {L"bindHost", L"S", L"C:\\a.jar"},
         {},
         14,
         false,
         L"volmoraRun: Without /s, bindHost shows its messages in boxes that wait for a user: put "
         L"/s before its operands. (volmoraRun exit code 14)"},
        {"timedOut",
         {L"/timeout", L"2", L"bindHost", L"/s", L"S"},
         stopped(ProgramEnding::timedOut, 0),
         15,
         true,
         L"volmoraRun: bindHost did not end within 2 s and was ended, with every process it "
         L"started (volmoraRun exit code 15)"},
        // Never read as the program's success.
        {"exitCodeUnread",
         {L"bindHost", L"/s", L"S"},
         stopped(ProgramEnding::exitCodeUnread, 6),
         12,
         true,
         L"volmoraRun: bindHost ended, but its exit code could not be read: GetExitCodeProcess "
         L"error=6 (volmoraRun exit code 12)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRunnerSystem system;
        system.result = c.run;
        ArgumentList arguments{L"volmoraRun"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(runForInstaller(system, arguments), c.exitCode);
        ASSERT_EQ(system.runs.size(), c.runs ? 1u : 0u);
        ASSERT_FALSE(system.printed.empty());
        EXPECT_EQ(system.printed.back(), c.lastLine);
        EXPECT_TRUE(system.errors.empty());
    }
}

TEST(InstallerRun, HandsOnTheArgumentsAndCopiesTheReportToTheLogFile) {
    FakeRunnerSystem system;
    system.result = finished(0, recordOf(L"bindRuntime", {info}, 0));
    const ArgumentList arguments{L"volmoraRun", L"/log", L"C:\\t\\a.log",
                                 L"/timeout",   L"7",    L"bindRuntime",
                                 L"/s",         L"J",    L"C:\\My JVM\\jvm.dll"};
    EXPECT_EQ(runForInstaller(system, arguments), 0u);
    ASSERT_EQ(system.runs.size(), 1u);
    EXPECT_EQ(system.runs[0].path, L"C:\\Program Files\\VOLM\\bin\\bindRuntime.exe");
    EXPECT_EQ(system.runs[0].commandLine,
              L"\"C:\\Program Files\\VOLM\\bin\\bindRuntime.exe\" /s J \"C:\\My JVM\\jvm.dll\"");
    EXPECT_EQ(system.runs[0].timeoutSeconds, 7u);
    EXPECT_EQ(system.printed.front(), L"bindRuntime: information: " + info.text);
    EXPECT_EQ(system.appended, system.printed);
}

// The bound ends a run whatever held it; a box the program showed is the clue, printed first.
TEST(InstallerRun, NamesTheBoxesLeftOpenWhenTheBoundEndsTheRun) {
    FakeRunnerSystem system;
    system.result = stopped(ProgramEnding::timedOut, 0);
    system.result.waitingBoxes = {L"Cannot create Scripting.FileSystemObject\r\nsecond line"};
    EXPECT_EQ(runForInstaller(system, {L"volmoraRun", L"/log", L"a.log", L"/timeout", L"9",
                                       L"bindObject", L"/s", L"P", L"C", L"J", L"V"}),
              15u);
    const std::vector<std::wstring> expected = {
        L"bindObject: box left open: Cannot create Scripting.FileSystemObject",
        L"    second line",
        L"volmoraRun: bindObject did not end within 9 s and was ended, with every process it "
        L"started (volmoraRun exit code 15)",
    };
    EXPECT_EQ(system.printed, expected);
    EXPECT_EQ(system.appended, expected);
}

// A copy that cannot be written is said on standard error; the run's own outcome stands, so a
// registration that succeeded does not fail the install.
TEST(InstallerRun, KeepsItsOwnCodeWhenTheLogCopyCannotBeWritten) {
    const std::pair<std::string, std::uint32_t> outcomes[] = {
        {recordOf(L"bindRuntime", {info}, 0), 0},
        {recordOf(L"bindRuntime", {failure}, 0), 11},
    };
    for (const auto& [log, exitCode] : outcomes) {
        FakeRunnerSystem system;
        system.result = finished(0, log);
        system.appendError = 5;
        EXPECT_EQ(runForInstaller(
                      system, {L"volmoraRun", L"/log", L"Z:\\x.log", L"bindRuntime", L"/s", L"J"}),
                  exitCode);
        EXPECT_EQ(system.errors,
                  std::vector<std::wstring>{
                      L"volmoraRun: cannot write the log file \"Z:\\x.log\": error=5"});
        EXPECT_TRUE(system.printed.back().ends_with(L"; volmoraRun exit code " +
                                                    std::to_wstring(exitCode)));
    }
}

}  // namespace
}  // namespace volmora::runner
