// What the installer steps of volmoraMsiStep.dll read from their CustomActionData, and the
// command that a step runs.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace volmora::msistep {

// Items of CustomActionData are separated by a line feed, one item per line, none after the
// last: an installer property may hold a blank or a quote, but a separator that the author
// writes (&#10; in a WiX attribute) stays apart from what the properties bring.
std::vector<std::wstring> dataItems(std::wstring_view data);

// Why the step cannot run: the line it writes into the installer's log.
struct Fault {
    std::wstring text;
};

// A run of volmoraRun: its full path, then each argument that it receives.
struct StepCommand {
    std::wstring program;
    std::vector<std::wstring> arguments;
};

// The program must be a full path (a drive or a share), so that nothing is searched for. The
// programs split their command line without escapes, so an argument that holds a double quote
// cannot reach them whole: it is refused, never passed on cut or split.
std::variant<StepCommand, Fault> readStepCommand(std::wstring_view data);

}  // namespace volmora::msistep
