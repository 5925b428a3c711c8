// How a run ended, the runner's exit code for it, and the report the runner prints: every
// message of the program's record, then one closing line.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runRecord.h"

namespace volmora::runner {

// The runner's exit codes, one for each way a run can end. None of them is one that installers
// give a meaning of their own (1602, 1603, 1618, 1641, 3010), and none is 1 or 4, which the
// programs themselves return.
enum class RunEnd : std::uint32_t {
    success = 0,
    refusedCommandLine = 10,
    errorMessage = 11,
    internalError = 12,
    startFailure = 13,
    misuse = 14,
    timedOut = 15,
};

// What each exit code says: the words of the report's closing line, and its meaning as the
// installing guide's table gives it, row for row.
struct ExitCodeRow {
    RunEnd end;
    std::wstring_view outcome;
    std::string_view meaning;
};

inline constexpr std::array<ExitCodeRow, 7> exitCodeTable{{
    {RunEnd::success, L"succeeded",
     "the program ended with exit code 0 and showed no error or critical message"},
    {RunEnd::refusedCommandLine, L"refused its command line",
     "the program refused its command line (its exit code 1: wrong operands, or JVM options that "
     "`bindRuntime` refuses; the usage or the reason is printed)"},
    {RunEnd::errorMessage, L"reported an error",
     "the program accepted the command line but reported an error (its exit code 0, an error "
     "message)"},
    {RunEnd::internalError, L"ended with an internal error",
     "the program ended through its internal-error handler (any other exit code, or an "
     "\"Internal error: ...\" message), or it ended without leaving a readable record of its run "
     "(a crash), or its exit code could not be read"},
    {RunEnd::startFailure, L"could not start",
     "the program did not start: its critical \"Cannot create Scripting.FileSystemObject ...\" "
     "message (its exit code 4), or `volmoraRun` could not start it (it is not beside "
     "`volmoraRun`, for example, or it could not be put into a job of its own)"},
    {RunEnd::misuse, L"was not run",
     "`volmoraRun`'s own command line was refused and nothing was started: no program or an "
     "unknown one named, `/log` without a file, a wrong `/timeout`, or a command line that would "
     "make the program wait for a user (without `/s`, with `/?` or `/l`, or with a switch that "
     "the program does not accept)"},
    {RunEnd::timedOut, L"did not end in time",
     "the program did not end within the bound of the wait and was ended, with every process it "
     "started"},
}};

constexpr std::uint32_t exitCodeOf(RunEnd end) {
    return static_cast<std::uint32_t>(end);
}

// Judges a finished run by the program's exit code and its record.
RunEnd judgeRun(std::uint32_t programExitCode, const RunRecord& record);

// The lines printed for a finished run: "<program>: <kind>: <text>" for each message (further
// lines of a text indented by four blanks), then the closing line.
std::vector<std::wstring> runReport(const RunRecord& record, std::uint32_t programExitCode,
                                    RunEnd end);

// "<program>: <label>: <first line of text>", then each further line indented by four blanks.
std::vector<std::wstring> messageLines(const std::wstring& program, std::wstring_view label,
                                       const std::wstring& text);

// The line printed when the run ended without a record to report: the reason, and the runner's
// exit code.
std::wstring runnerLine(const std::wstring& reason, RunEnd end);

}  // namespace volmora::runner
