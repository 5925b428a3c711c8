// volmoraRun's command line and the child command line it builds.
#include "runRequest.h"

#include <algorithm>

#include "toolText.h"

namespace volmora::runner {

namespace {

bool isSwitch(const std::wstring& argument) {
    return argument.empty() || argument.front() == L'-' || argument.front() == L'/';
}

// The programs' switches come first, up to the first operand or "?"; an "l" among them asks for a
// listing. A tool that would refuse the command line for another reason (an unknown switch, or
// bindSchema, which has no listing) is refused here all the same: a listing was asked for.
bool asksForListing(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (!isSwitch(argument)) {
            return false;
        }
        const std::wstring name =
            argument.empty() ? std::wstring() : asciiLower(argument.substr(1));
        if (name == L"l") {
            return true;
        }
        if (name == L"?" || name.size() > 1) {
            return false;
        }
    }
    return false;
}

std::optional<std::wstring> knownProgram(const std::wstring& name) {
    const std::wstring lower = asciiLower(name);
    for (std::wstring_view program : runnablePrograms) {
        if (asciiLower(std::wstring(program)) == lower) {
            return std::wstring(program);
        }
    }
    return std::nullopt;
}

}  // namespace

std::wstring usageText() {
    return L"usage: volmoraRun [/log <file>] bindObject|bindRuntime|bindHost|bindSchema "
           L"<arguments...>";
}

std::variant<RunRequest, Misuse> readRequest(const ArgumentList& arguments) {
    RunRequest request;
    std::size_t next = 1;
    if (next < arguments.size() && asciiLower(arguments[next]) == logSwitch) {
        if (next + 1 >= arguments.size() || arguments[next + 1].empty()) {
            return Misuse{L"/log needs a file name. " + usageText()};
        }
        request.logFile = arguments[next + 1];
        next += 2;
    }
    if (next >= arguments.size()) {
        return Misuse{L"No program named. " + usageText()};
    }
    const auto program = knownProgram(arguments[next]);
    if (!program) {
        return Misuse{L"Unknown program \"" + arguments[next] + L"\". " + usageText()};
    }
    request.program = *program;
    request.arguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(next) + 1,
                             arguments.end());
    if (asksForListing(request.arguments)) {
        return Misuse{L"A listing (/l) waits for a user and is not run unattended."};
    }
    return request;
}

std::wstring quoteArgument(const std::wstring& argument) {
    const bool needsQuotes =
        argument.empty() || argument.find_first_of(L" \t") != std::wstring::npos;
    return needsQuotes ? L"\"" + argument + L"\"" : argument;
}

std::wstring childCommandLine(const std::wstring& programPath,
                              const std::vector<std::wstring>& arguments) {
    std::wstring line = L"\"" + programPath + L"\"";
    for (const std::wstring& argument : arguments) {
        line += L' ';
        line += quoteArgument(argument);
    }
    return line;
}

}  // namespace volmora::runner
