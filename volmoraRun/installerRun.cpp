// One run of volmoraRun: request, program run, judgement and report.
#include "installerRun.h"

#include <variant>

#include "recordReading.h"
#include "runOutcome.h"
#include "runRequest.h"

namespace volmora::runner {

namespace {

// Prints the report and copies it to the /log file; a copy that cannot be written makes the run
// a misuse, since whoever named the file relies on it.
std::uint32_t finish(RunnerSystem& system, const std::optional<std::wstring>& logFile,
                     std::vector<std::wstring> report, std::uint32_t exitCode) {
    system.print(report);
    if (logFile) {
        if (const std::uint32_t error = system.appendToFile(*logFile, report); error != 0) {
            system.print({misuseReport(L"cannot write the log file \"" + *logFile + L"\": error=" +
                                       std::to_wstring(error))});
            return exitCodeOf(RunEnd::misuse);
        }
    }
    return exitCode;
}

}  // namespace

std::uint32_t runForInstaller(RunnerSystem& system, const ArgumentList& arguments) {
    const auto request = readRequest(arguments);
    if (const auto* misuse = std::get_if<Misuse>(&request)) {
        system.print({misuseReport(misuse->text)});
        return exitCodeOf(RunEnd::misuse);
    }
    const auto& wanted = std::get<RunRequest>(request);
    const std::wstring programPath = system.ownFolder() + L"\\" + wanted.program + L".exe";
    const ProgramRun run = system.run(programPath, childCommandLine(programPath, wanted.arguments));
    if (!run.started) {
        return finish(system, wanted.logFile,
                      {misuseReport(L"cannot run \"" + programPath + L"\": " + run.failedStep +
                                    L" error=" + std::to_wstring(run.error))},
                      exitCodeOf(RunEnd::misuse));
    }
    const auto record = readOnlyRecord(run.log);
    if (!record) {
        return finish(system, wanted.logFile,
                      {misuseReport(wanted.program + L" left no record of its run (exit code " +
                                    std::to_wstring(run.exitCode) + L")")},
                      exitCodeOf(RunEnd::misuse));
    }
    const RunEnd end = judgeRun(run.exitCode, *record);
    return finish(system, wanted.logFile, runReport(*record, run.exitCode, end), exitCodeOf(end));
}

}  // namespace volmora::runner
