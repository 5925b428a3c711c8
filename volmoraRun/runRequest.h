// volmoraRun's command line: its own switches, which program to run with which arguments (only a
// command line that the program runs silently, without waiting for anyone), and the bound of a
// caller's wait for the runner.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "arguments.h"

namespace volmora::runner {

// The runner's own switches, before the program name: a file that receives a copy of the
// report, and the bound of the wait for the program.
inline constexpr std::wstring_view logSwitch = L"/log";
inline constexpr std::wstring_view timeoutSwitch = L"/timeout";

// How long the runner waits for the program unless /timeout says otherwise. A registration takes
// well under a second; the bound only ends what can no longer end by itself.
inline constexpr std::uint32_t defaultTimeoutSeconds = 300;
// The most /timeout accepts: the wait counts milliseconds in 32 bits, below the value that means
// no bound at all.
inline constexpr std::uint32_t maxTimeoutSeconds = 4294967;
// What the runner may still take after its bound for the program has run out, before it ends by
// itself: ending the program and waiting for it to go (10 s at most), reading the boxes it left
// open (2 s each at most), and appending to the /log file under its lock (5 s at most).
inline constexpr std::uint32_t runnerMarginSeconds = 60;

struct RunRequest {
    std::wstring program;                 // one of the four programs, spelt as the programs are
    std::vector<std::wstring> arguments;  // what the program receives, in order
    std::optional<std::wstring> logFile;
    std::uint32_t timeoutSeconds = defaultTimeoutSeconds;
};

// Why the runner refuses to start anything: the text it prints.
struct Misuse {
    std::wstring text;
};

// Reads the runner's arguments (element 0, the runner's path, is ignored). The program's own
// switches are read with the program's own scanner: a command line is run only when the program
// would be silent and run an operation, so that no message box can wait for a user who is not
// there. A program still refuses wrong operands itself (silently, since /s is there).
std::variant<RunRequest, Misuse> readRequest(const ArgumentList& arguments);

// How long a caller that starts the runner with these arguments (element 0, its path, ignored)
// waits for it at most: the runner's own bound for the program (its /timeout, or the default),
// read from the same arguments as the runner reads them, plus the margin, so that the runner
// always ends the program and reports before its caller gives up on it. The runner refuses
// arguments it cannot read at once; the default bound covers them.
std::uint64_t callerBoundSeconds(const ArgumentList& arguments);

// The usage line the runner prints when it is misused.
std::wstring usageText();

}  // namespace volmora::runner
