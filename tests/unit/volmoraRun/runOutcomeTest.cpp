// How volmoraRun judges a run, what it prints, and its exit code for every way a run ends, over
// a fake of its Win32 side.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installerRun.h"
#include "outcomeLog.h"
#include "runOutcome.h"

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
        std::uint32_t runnerExit;
    } cases[] = {
        {0, {}, RunEnd::success, 0},
        {0, {info}, RunEnd::success, 0},
        {0, {info, failure}, RunEnd::errorMessage, 11},
        {0, {failure}, RunEnd::errorMessage, 11},
        {1, {usage}, RunEnd::refusedCommandLine, 10},
        {1, {}, RunEnd::refusedCommandLine, 10},
        {1, {internal}, RunEnd::internalError, 12},
        {126, {internal}, RunEnd::internalError, 12},
        {2147500037u, {}, RunEnd::internalError, 12},
        {4, {critical}, RunEnd::startFailure, 13},
        {0, {critical}, RunEnd::startFailure, 13},
        {4, {}, RunEnd::internalError, 12},  // 4 without the critical message is an error number
    };
    for (const auto& c : cases) {
        const RunRecord record{L"bindRuntime", c.messages, std::nullopt, c.exitCode};
        EXPECT_EQ(judgeRun(c.exitCode, record), c.end) << c.exitCode;
        EXPECT_EQ(exitCodeOf(c.end), c.runnerExit);
    }
    // None of the codes is one that installers or the programs give a meaning of their own.
    for (RunEnd end : {RunEnd::refusedCommandLine, RunEnd::errorMessage, RunEnd::internalError,
                       RunEnd::startFailure, RunEnd::misuse}) {
        for (std::uint32_t taken : {0u, 1u, 4u, 1602u, 1603u, 1618u, 1641u, 3010u}) {
            EXPECT_NE(exitCodeOf(end), taken);
        }
    }
}

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
    std::vector<std::pair<std::wstring, std::wstring>> runs;  // program path, command line
    std::vector<std::wstring> printed;
    std::vector<std::wstring> appended;

    std::wstring ownFolder() override { return L"C:\\Program Files\\VOLM\\bin"; }
    ProgramRun run(const std::wstring& path, const std::wstring& commandLine) override {
        runs.emplace_back(path, commandLine);
        return result;
    }
    void print(const std::vector<std::wstring>& lines) override {
        printed.insert(printed.end(), lines.begin(), lines.end());
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
    run.started = true;
    run.exitCode = exitCode;
    run.log = std::move(log);
    return run;
}

TEST(InstallerRun, RunsTheProgramBesideItselfAndReportsEachEnding) {
    ProgramRun notStarted;
    notStarted.error = 2;
    notStarted.failedStep = L"CreateProcess";
    const struct {
        const char* name;
        std::vector<std::wstring> arguments;
        ProgramRun run;
        std::uint32_t appendError;
        std::uint32_t exitCode;
        bool runs;
        std::wstring lastLine;
    } cases[] = {
        {"success",
         {L"bindRuntime", L"/s", L"J"},
         finished(0, recordOf(L"bindRuntime", {info}, 0)),
         0,
         0,
         true,
         L"volmoraRun: bindRuntime succeeded (exit code 0); volmoraRun exit code 0"},
        {"error",
         {L"bindRuntime", L"/s", L"J"},
         finished(0, recordOf(L"bindRuntime", {failure}, 0)),
         0,
         11,
         true,
         L"volmoraRun: bindRuntime reported an error (exit code 0); volmoraRun exit code 11"},
        {"misuse",
         {L"bindRuntime", L"/l"},
         {},
         0,
         14,
         false,
         L"volmoraRun: A listing (/l) waits for a user and is not run unattended. (volmoraRun "
         L"exit code 14)"},
        {"notStarted",
         {L"bindHost"},
         notStarted,
         0,
         14,
         true,
         L"volmoraRun: cannot run \"C:\\Program Files\\VOLM\\bin\\bindHost.exe\": CreateProcess "
         L"error=2 (volmoraRun exit code 14)"},
        {"noRecord",
         {L"bindHost", L"/s"},
         finished(3221225477u, ""),
         0,
         14,
         true,
         L"volmoraRun: bindHost left no record of its run (exit code 3221225477) (volmoraRun exit "
         L"code 14)"},
        {"logNotWritten",
         {L"/log", L"Z:\\x.log", L"bindRuntime", L"/s", L"J"},
         finished(0, recordOf(L"bindRuntime", {info}, 0)),
         5,
         14,
         true,
         L"volmoraRun: cannot write the log file \"Z:\\x.log\": error=5 (volmoraRun exit code "
         L"14)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRunnerSystem system;
        system.result = c.run;
        system.appendError = c.appendError;
        ArgumentList arguments{L"volmoraRun"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(runForInstaller(system, arguments), c.exitCode);
        ASSERT_EQ(system.runs.size(), c.runs ? 1u : 0u);
        ASSERT_FALSE(system.printed.empty());
        EXPECT_EQ(system.printed.back(), c.lastLine);
    }
}

TEST(InstallerRun, HandsOnTheArgumentsAndCopiesTheReportToTheLogFile) {
    FakeRunnerSystem system;
    system.result = finished(0, recordOf(L"bindRuntime", {info}, 0));
    const ArgumentList arguments{L"volmoraRun", L"/log", L"C:\\t\\a.log",       L"bindRuntime",
                                 L"/s",         L"J",    L"C:\\My JVM\\jvm.dll"};
    EXPECT_EQ(runForInstaller(system, arguments), 0u);
    ASSERT_EQ(system.runs.size(), 1u);
    EXPECT_EQ(system.runs[0].first, L"C:\\Program Files\\VOLM\\bin\\bindRuntime.exe");
    EXPECT_EQ(system.runs[0].second,
              L"\"C:\\Program Files\\VOLM\\bin\\bindRuntime.exe\" /s J \"C:\\My JVM\\jvm.dll\"");
    EXPECT_EQ(system.printed.front(), L"bindRuntime: information: " + info.text);
    EXPECT_EQ(system.appended, system.printed);
}

}  // namespace
}  // namespace volmora::runner
