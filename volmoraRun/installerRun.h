// One run of volmoraRun from its arguments to its exit code, over a small interface that the
// Win32 side implements (start the program with a private outcome log, print, copy to a file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "arguments.h"

namespace volmora::runner {

// How the wait for the program ended.
enum class ProgramEnding {
    ended,           // by itself: exitCode and log tell the rest
    notStarted,      // error and failedStep tell why
    timedOut,        // it outlived the bound and was ended, with everything it started
    exitCodeUnread,  // it ended, but its exit code could not be read: error tells why
};

struct ProgramRun {
    ProgramEnding ending = ProgramEnding::ended;
    // notStarted, exitCodeUnread: the Windows error code of the failed step.
    std::uint32_t error = 0;
    std::wstring failedStep;     // when not started: what failed
    std::uint32_t exitCode = 0;  // the program's exit code, when it ended
    std::string log;             // the private outcome log's contents after the run
    // timedOut: the text of each message box the program was showing when the bound ran out.
    std::vector<std::wstring> waitingBoxes;
};

class RunnerSystem {
  public:
    virtual ~RunnerSystem() = default;
    // The folder holding the runner, without a trailing separator.
    virtual std::wstring ownFolder() = 0;
    // Starts the program (that image, that command line) with the outcome log variable naming a
    // new file of its own, waits at most timeoutSeconds for it to end (else ends it with every
    // process it started), reads the file and deletes it.
    virtual ProgramRun run(const std::wstring& programPath, const std::wstring& commandLine,
                           std::uint32_t timeoutSeconds) = 0;
    // Prints the lines to standard output.
    virtual void print(const std::vector<std::wstring>& lines) = 0;
    // Prints the lines to standard error.
    virtual void printError(const std::vector<std::wstring>& lines) = 0;
    // Appends the lines to the file in UTF-8; the Windows error code when that fails, else 0.
    virtual std::uint32_t appendToFile(const std::wstring& path,
                                       const std::vector<std::wstring>& lines) = 0;
};

// Reads the request, runs the program, prints (and copies to the /log file) every message and
// the closing line, and returns the runner's exit code.
std::uint32_t runForInstaller(RunnerSystem& system, const ArgumentList& arguments);

}  // namespace volmora::runner
