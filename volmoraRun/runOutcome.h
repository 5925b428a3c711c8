// How a run ended, the runner's exit code for it, and the report the runner prints: every
// message of the program's record, then one closing line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recordReading.h"

namespace volmora::runner {

// The runner's exit codes, one for each way a run can end. None of them is one that installers
// give a meaning of their own (1602, 1603, 1618, 1641, 3010), and none is 1 or 4, which the
// programs themselves return.
enum class RunEnd : std::uint32_t {
    success = 0,              // exit code 0 and no error or critical message
    refusedCommandLine = 10,  // the program refused its command line (its exit code 1)
    errorMessage = 11,        // the program accepted the command line but reported an error
    internalError = 12,       // the program ended through its internal-error handler
    startFailure = 13,        // the program could not start (a critical message, exit code 4)
    misuse = 14,  // the runner's own command line, or it could not start the program or read its
                  // record
};

constexpr std::uint32_t exitCodeOf(RunEnd end) {
    return static_cast<std::uint32_t>(end);
}

// Judges a finished run by the program's exit code and its record.
RunEnd judgeRun(std::uint32_t programExitCode, const RunRecord& record);

// The lines printed for a finished run: "<program>: <kind>: <text>" for each message (further
// lines of a text indented by four blanks), then the closing line.
std::vector<std::wstring> runReport(const RunRecord& record, std::uint32_t programExitCode,
                                    RunEnd end);

// The line printed when the run could not be judged or not even started: the reason, and the
// runner's exit code.
std::wstring misuseReport(const std::wstring& reason);

}  // namespace volmora::runner
