// Starting another program exactly: by its full path (never searched for), with only the handles
// it needs, an environment of its own when asked, optionally in a job that ends with its owner,
// and waited for with a bound. The child runs only once everything around it is in place; when
// something fails first, it is ended before it ran. The runner, the installer step, the test
// harness, the benchmark and the probes all start their children this way.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fileHandle.h"
#include "programPath.h"

namespace volmora {

struct ChildStart {
    std::wstring image;        // the program's full path, given as the application name
    std::wstring commandLine;  // the whole command line, the program's quoted path first
    // Variables set (or replaced, names compared without regard to case) in a copy of this
    // process's environment, for the child alone; none: the child gets this environment.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    // Variables left out of that copy (names compared without regard to case).
    std::vector<std::wstring> removedVariables;
    std::wstring currentFolder;  // none: this process's
    // The child's standard output and error go into one pipe that this process reads; its
    // standard input is none. The write end is the only handle the child inherits.
    bool captureOutput = false;
    // With captureOutput: the standard error goes into a pipe of its own, read by errors().
    bool separateErrors = false;
    // The child, and whatever it starts, runs in a job that ends them all when the owner goes. A
    // child that cannot be put into it is ended and counts as not started.
    bool inJob = false;
    DWORD creationFlags = 0;
};

class ChildProcess {
  public:
    // Starts the child; started() tells whether it runs.
    explicit ChildProcess(const ChildStart& start);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return process_.valid(); }
    // When it did not start: the call that failed and its Windows error code.
    const std::wstring& failedStep() const { return failedStep_; }
    DWORD error() const { return error_; }
    HANDLE process() const { return process_.get(); }
    DWORD id() const { return id_; }

    // Waits at most that many milliseconds; true when the child has ended.
    bool wait(DWORD milliseconds);
    // The same for a bound in seconds, however long.
    bool waitSeconds(std::uint64_t seconds);

    struct ExitStatus {
        bool read = false;
        DWORD code = 0;   // when read
        DWORD error = 0;  // when not: why (a child that has not ended gives ERROR_INVALID_STATE)
    };
    // The exit code of a child that has ended. It is never taken for 0 when it cannot be read.
    ExitStatus exitStatus() const;
    // Ends the child (with its job, everything it started) with that code and waits for it.
    void terminate(UINT code);
    // Everything the child wrote to the captured output; call after it has ended.
    std::string output();
    // What the child wrote to its standard error, with separateErrors; call after it has ended.
    std::string errors();

  private:
    struct OutputReader;

    FileHandle process_;
    FileHandle job_;
    DWORD id_ = 0;
    std::wstring failedStep_;
    DWORD error_ = 0;
    std::unique_ptr<OutputReader> reader_;
    std::unique_ptr<OutputReader> errorReader_;
};

// The command line's form of one argument for programs that split as the C runtime does: quoted
// when it is empty or holds a blank, a tab or a double quote, with backslashes doubled before a
// quote and each double quote escaped.
std::wstring quoteForCommandLine(const std::wstring& argument);

}  // namespace volmora
