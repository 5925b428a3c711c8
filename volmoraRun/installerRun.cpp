// One run of volmoraRun: request, program run, judgement and report.
#include "installerRun.h"

#include <variant>

#include "runOutcome.h"
#include "runRecord.h"
#include "runRequest.h"

namespace volmora::runner {

namespace {

constexpr std::uint32_t invalidParameter = 87;  // ERROR_INVALID_PARAMETER

struct Judged {
    RunEnd end;
    std::vector<std::wstring> report;
};

Judged judged(const RunRequest& request, const std::wstring& programPath, const ProgramRun& run) {
    const std::wstring& program = request.program;
    switch (run.ending) {
        case ProgramEnding::notStarted:
            return {RunEnd::startFailure,
                    {runnerLine(program + L" could not start: \"" + programPath + L"\": " +
                                    run.failedStep + L" error=" + std::to_wstring(run.error),
                                RunEnd::startFailure)}};
        case ProgramEnding::timedOut: {
            // Whatever the program was waiting for (a box that /s cannot silence, a hung call),
            // nothing of the run is left to judge but that it did not end; a box it showed is
            // the best clue.
            std::vector<std::wstring> report;
            for (const std::wstring& box : run.waitingBoxes) {
                const auto lines = messageLines(program, L"box left open", box);
                report.insert(report.end(), lines.begin(), lines.end());
            }
            report.push_back(runnerLine(program + L" did not end within " +
                                            std::to_wstring(request.timeoutSeconds) +
                                            L" s and was ended, with every process it started",
                                        RunEnd::timedOut));
            return {RunEnd::timedOut, std::move(report)};
        }
        case ProgramEnding::exitCodeUnread:
            // Never read as a success: the run cannot be judged.
            return {RunEnd::internalError,
                    {runnerLine(program +
                                    L" ended, but its exit code could not be read: "
                                    L"GetExitCodeProcess error=" +
                                    std::to_wstring(run.error),
                                RunEnd::internalError)}};
        case ProgramEnding::ended:
            break;
    }
    const auto record = readOnlyRecord(run.log);
    if (!record) {
        // It ended without passing through its frame's last step: a crash, as far as the
        // runner can tell.
        return {RunEnd::internalError,
                {runnerLine(program + L" ended without a readable record of its run (exit code " +
                                std::to_wstring(run.exitCode) + L")",
                            RunEnd::internalError)}};
    }
    const RunEnd end = judgeRun(run.exitCode, *record);
    return {end, runReport(*record, run.exitCode, end)};
}

}  // namespace

std::uint32_t runForInstaller(RunnerSystem& system, const ArgumentList& arguments) {
    const auto request = readRequest(arguments);
    if (const auto* misuse = std::get_if<Misuse>(&request)) {
        system.print({runnerLine(misuse->text, RunEnd::misuse)});
        return exitCodeOf(RunEnd::misuse);
    }
    const auto& wanted = std::get<RunRequest>(request);
    const std::wstring programPath = system.ownFolder() + L"\\" + wanted.program + L".exe";
    ArgumentList childArguments{programPath};
    childArguments.insert(childArguments.end(), wanted.arguments.begin(), wanted.arguments.end());
    // The runner's arguments come from the same splitter and hold no double quote; a folder
    // name could, on a system that allowed it, and then nothing runs.
    const auto commandLine = joinArguments(childArguments);
    const ProgramRun run = commandLine
                               ? system.run(programPath, *commandLine, wanted.timeoutSeconds)
                               : ProgramRun{ProgramEnding::notStarted,
                                            invalidParameter,
                                            L"a double quote in its path:",
                                            0,
                                            {},
                                            {}};
    const Judged outcome = judged(wanted, programPath, run);
    system.print(outcome.report);
    // The copy serves whoever named the file; the run's own outcome stays what it was.
    if (wanted.logFile) {
        if (const std::uint32_t error = system.appendToFile(*wanted.logFile, outcome.report);
            error != 0) {
            system.printError({L"volmoraRun: cannot write the log file \"" + *wanted.logFile +
                               L"\": error=" + std::to_wstring(error)});
        }
    }
    return exitCodeOf(outcome.end);
}

}  // namespace volmora::runner
