// RunVolmoraStep (deferred): runs volmoraRun with the arguments of its CustomActionData and writes
// what it prints, and its exit code, into the installer's log. Its data, after the count:
//   <full path of volmoraRun.exe>
//   <first argument>
//   ...
// volmoraRun runs in a job that ends with the step, bounded a margin longer than volmoraRun's
// own bound for its program, read from the same arguments, so that volmoraRun ends a program
// that hangs and says so itself; the step ends volmoraRun only when it hangs itself. The step
// fails the install (ERROR_INSTALL_FAILURE) when volmoraRun ends with anything but 0.
#include <windows.h>

#include <msi.h>

#include <string>
#include <variant>

#include "arguments.h"
#include "childProcess.h"
#include "msiSession.h"
#include "outputLines.h"
#include "runRequest.h"
#include "stepData.h"
#include "utf8.h"

using namespace volmora;
using namespace volmora::msistep;

extern "C" UINT __stdcall RunVolmoraStep(MSIHANDLE install) {
    const auto command = readActionData(install, readStepCommand);
    if (const auto* fault = std::get_if<Fault>(&command)) {
        return failStep(install, fault->text);
    }
    const auto& [program, programArguments] = std::get<StepCommand>(command);
    ArgumentList arguments{program};
    arguments.insert(arguments.end(), programArguments.begin(), programArguments.end());
    const auto commandLine = joinArguments(arguments);
    if (!commandLine) {
        return failStep(install, L"no command line can carry a double quote to " + program);
    }
    const std::uint64_t boundSeconds = runner::callerBoundSeconds(arguments);
    ChildStart start;
    start.image = program;
    start.commandLine = *commandLine;
    start.captureOutput = true;
    start.inJob = true;
    start.creationFlags = CREATE_NO_WINDOW;
    logStep(install, start.commandLine);

    ChildProcess child(start);
    if (!child.started()) {
        return failStep(install, L"cannot start " + program + L" (" + child.failedStep() + L")" +
                                     errorText(child.error()));
    }
    const bool ended = child.waitSeconds(boundSeconds);
    if (!ended) {
        child.terminate(ERROR_TIMEOUT);
    }
    for (const std::string& line : outputLines(child.output())) {
        logLine(install, fromUtf8(line));
    }
    if (!ended) {
        return failStep(install, L"volmoraRun did not end within " + std::to_wstring(boundSeconds) +
                                     L" seconds: ended with everything it started");
    }
    const ChildProcess::ExitStatus status = child.exitStatus();
    if (!status.read) {
        return failStep(install, L"cannot read volmoraRun's exit code (GetExitCodeProcess)" +
                                     errorText(status.error));
    }
    logStep(install, L"volmoraRun exit code " + std::to_wstring(status.code));
    return status.code == 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}
