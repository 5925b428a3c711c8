// One run of volmoraRun from its arguments to its exit code, over a small interface that the
// Win32 side implements (start the program with a private outcome log, print, copy to a file).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"

namespace volmora::runner {

struct ProgramRun {
    bool started = false;
    std::uint32_t error = 0;     // when not started: the Windows error code of the failed step
    std::wstring failedStep;     // when not started: what failed
    std::uint32_t exitCode = 0;  // the program's exit code
    std::string log;             // the private outcome log's contents after the run
};

class RunnerSystem {
  public:
    virtual ~RunnerSystem() = default;
    // The folder holding the runner, without a trailing separator.
    virtual std::wstring ownFolder() = 0;
    // Starts the program with that command line and the outcome log variable naming a new file
    // of its own, waits for it to end, reads the file and deletes it.
    virtual ProgramRun run(const std::wstring& programPath, const std::wstring& commandLine) = 0;
    // Prints the lines to standard output.
    virtual void print(const std::vector<std::wstring>& lines) = 0;
    // Appends the lines to the file in UTF-8; the Windows error code when that fails, else 0.
    virtual std::uint32_t appendToFile(const std::wstring& path,
                                       const std::vector<std::wstring>& lines) = 0;
};

// Reads the request, runs the program, prints (and copies to the /log file) every message and
// the closing line, and returns the runner's exit code.
std::uint32_t runForInstaller(RunnerSystem& system, const ArgumentList& arguments);

}  // namespace volmora::runner
