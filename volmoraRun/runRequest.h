// volmoraRun's command line: which program to run with which arguments, and the child command
// line that hands those arguments on exactly as they were given.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "arguments.h"

namespace volmora::runner {

// The programs the runner starts, each from the runner's own folder.
inline constexpr std::wstring_view runnablePrograms[] = {L"bindObject", L"bindRuntime", L"bindHost",
                                                         L"bindSchema"};

// The runner's own switch, before the program name: a file that receives a copy of the report.
inline constexpr std::wstring_view logSwitch = L"/log";

struct RunRequest {
    std::wstring program;                 // one of runnablePrograms, spelt as listed there
    std::vector<std::wstring> arguments;  // what the program receives, in order
    std::optional<std::wstring> logFile;
};

// Why the runner refuses to start anything: the text it prints.
struct Misuse {
    std::wstring text;
};

// Reads the runner's arguments (element 0, the runner's path, is ignored). A listing (/l among
// the program's leading switches) is refused: it waits for a user, and no one is there.
std::variant<RunRequest, Misuse> readRequest(const ArgumentList& arguments);

// The argument as the programs' splitter reads it back: quoted when it is empty or holds a blank
// or a tab. The splitter has no escapes, so a backslash stays as it is; a double quote can never
// be part of an argument it delivers, and none is quoted here.
std::wstring quoteArgument(const std::wstring& argument);

// "<program path in quotes>" followed by each argument, quoted as needed, one blank between.
std::wstring childCommandLine(const std::wstring& programPath,
                              const std::vector<std::wstring>& arguments);

// The usage line the runner prints when it is misused.
std::wstring usageText();

}  // namespace volmora::runner
