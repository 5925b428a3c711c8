// volmoraRun's command line, and the bound of a caller's wait for the runner.
#include "runRequest.h"

#include <algorithm>

#include "commandDispatch.h"
#include "toolContract.h"
#include "toolText.h"

namespace volmora::runner {

namespace {

const ProgramSwitches* knownProgram(const std::wstring& name) {
    const std::wstring lower = asciiLower(name);
    for (const ProgramSwitches& program : toolPrograms) {
        if (asciiLower(std::wstring(program.name)) == lower) {
            return &program;
        }
    }
    return nullptr;
}

// Seconds from 1 to maxTimeoutSeconds, in decimal digits alone.
std::optional<std::uint32_t> timeoutSeconds(const std::wstring& text) {
    if (text.empty() || text.size() > 7 ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        return std::nullopt;
    }
    const std::uint32_t seconds = static_cast<std::uint32_t>(std::stoul(text));
    if (seconds == 0 || seconds > maxTimeoutSeconds) {
        return std::nullopt;
    }
    return seconds;
}

// Why the program, given these arguments, would show a box and wait, or run no operation; none
// when it runs one silently.
std::optional<std::wstring> waitsForAUser(const ProgramSwitches& program,
                                          const std::vector<std::wstring>& arguments) {
    ArgumentList scanned{std::wstring(program.name)};
    scanned.insert(scanned.end(), arguments.begin(), arguments.end());
    const SwitchScan scan = scanSwitches(scanned, program.knownSwitches);
    const std::wstring name(program.name);
    switch (chooseBySwitches(scan)) {
        case SwitchChoice::help:
            return L"/? shows " + name +
                   L"'s usage in a box that waits for a user; it is not run "
                   L"unattended.";
        case SwitchChoice::refused:
            if (scan.stop == SwitchScan::Stop::badSwitch) {
                return name + L" does not accept the switch \"" + scanned[1] +
                       L"\"; it is not run.";
            }
            [[fallthrough]];
        case SwitchChoice::listing:
            return std::wstring(L"A listing (/l) waits for a user and is not run unattended.");
        case SwitchChoice::registration:
        case SwitchChoice::unregistration:
            break;
    }
    if (!scan.silent) {
        return L"Without /s, " + name +
               L" shows its messages in boxes that wait for a user: put /s before its operands.";
    }
    return std::nullopt;
}

}  // namespace

std::wstring usageText() {
    std::wstring programs;
    for (const ProgramSwitches& program : toolPrograms) {
        programs += (programs.empty() ? L"" : L"|") + std::wstring(program.name);
    }
    return L"usage: volmoraRun [" + std::wstring(logSwitch) + L" <file>] [" +
           std::wstring(timeoutSwitch) + L" <seconds>] " + programs + L" <arguments...>";
}

std::variant<RunRequest, Misuse> readRequest(const ArgumentList& arguments) {
    RunRequest request;
    std::size_t next = 1;
    bool timeoutGiven = false;
    while (next < arguments.size()) {
        const std::wstring name = asciiLower(arguments[next]);
        const bool hasValue = next + 1 < arguments.size() && !arguments[next + 1].empty();
        if (name == logSwitch) {
            if (!hasValue || request.logFile) {
                return Misuse{L"/log needs one file name. " + usageText()};
            }
            request.logFile = arguments[next + 1];
        } else if (name == timeoutSwitch) {
            const auto seconds = hasValue ? timeoutSeconds(arguments[next + 1]) : std::nullopt;
            if (!seconds || timeoutGiven) {
                return Misuse{L"/timeout needs one number of seconds from 1 to " +
                              std::to_wstring(maxTimeoutSeconds) + L". " + usageText()};
            }
            request.timeoutSeconds = *seconds;
            timeoutGiven = true;
        } else {
            break;
        }
        next += 2;
    }
    if (next >= arguments.size()) {
        return Misuse{L"No program named. " + usageText()};
    }
    const ProgramSwitches* program = knownProgram(arguments[next]);
    if (program == nullptr) {
        return Misuse{L"Unknown program \"" + arguments[next] + L"\". " + usageText()};
    }
    request.program = program->name;
    request.arguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(next) + 1,
                             arguments.end());
    if (auto why = waitsForAUser(*program, request.arguments)) {
        return Misuse{std::move(*why)};
    }
    return request;
}

std::uint64_t callerBoundSeconds(const ArgumentList& arguments) {
    const auto request = readRequest(arguments);
    const auto* run = std::get_if<RunRequest>(&request);
    return std::uint64_t{run != nullptr ? run->timeoutSeconds : defaultTimeoutSeconds} +
           runnerMarginSeconds;
}

}  // namespace volmora::runner
