// The command dispatch that all four tools share: switches at the front of the argument list,
// then one operation chosen by the switches and checked for its number of operands. The tools
// differ only in their command tables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "arguments.h"
#include "toolContract.h"
#include "toolUtil.h"

namespace volmora {

// An argument that starts with "/" or "-": a switch, for the four tools and the console
// companions alike. Its name is the rest in ASCII lower case.
bool isSwitch(std::wstring_view argument);
std::wstring switchName(std::wstring_view argument);

struct SwitchScan {
    enum class Stop { operands, help, badSwitch };
    Stop stop = Stop::operands;
    bool silent = false;
    bool list = false;
    bool unregister = false;
};

// Consumes the switches at the front of arguments (an empty argument, or one starting with "-"
// or "/"). knownSwitches holds the letters the tool accepts besides "?". Scanning stops at the
// first operand, at "?" (left in place) or at an unknown switch (left in place). It needs no
// Tool, so that a program that runs the tools can read their command lines as they will.
SwitchScan scanSwitches(ArgumentList& arguments, std::wstring_view knownSwitches);

// What the switches choose: the usage as information, the usage as an error (a refused command
// line), or one operation, whose operand count is checked next.
enum class SwitchChoice { help, refused, registration, unregistration, listing };
SwitchChoice chooseBySwitches(const SwitchScan& scan);

// One operation of a tool: the operand counts it accepts and what it runs. run receives the
// argument list with the switches consumed (element 0 is still the program path) and returns
// the exit code.
struct Operation {
    std::size_t minOperands = 0;
    std::size_t maxOperands = 0;
    std::int32_t (*run)(Tool& tool, ArgumentList& arguments) = nullptr;
};

struct CommandTable {
    std::wstring_view knownSwitches;  // "slu", or "su" for a tool without a listing
    std::wstring (*usageText)();
    Operation registration;
    Operation unregistration;
    Operation listing;
};

// Shows the tool's usage text, as an error or as information.
void showUsage(const Tool& tool, const CommandTable& table, bool asError);

// Scans the switches, checks the combination and the operand count, and runs one operation.
// A refused command line shows the usage as an error and returns 1; "/?" shows it as
// information and returns 0.
std::int32_t runCommand(Tool& tool, ArgumentList arguments, const CommandTable& table);

}  // namespace volmora
