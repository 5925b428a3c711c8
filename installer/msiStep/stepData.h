// What the installer steps of volmoraMsiStep.dll read from their CustomActionData, and the
// command that a step runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace volmora::msistep {

// Why the step cannot run: the line it writes into the installer's log.
struct Fault {
    std::wstring text;
};

// A decimal number of at most largest, in digits alone (no sign, no blank).
std::optional<std::uint32_t> decimalNumber(std::wstring_view text, std::uint32_t largest);

// CustomActionData holds one item per line (a line feed between them, none after the last),
// after a first line that gives their number: the separators are the package author's (&#10; in
// a WiX attribute), and a property's value is one item whatever blanks or quotes it holds. A
// value that holds a line feed would split into two items, which the count catches; no item
// may hold a carriage return either (half of a line end the author did not write). The items
// after the count, or why the data is refused.
std::variant<std::vector<std::wstring>, Fault> dataItems(std::wstring_view data);

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
