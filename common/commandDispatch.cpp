// The command dispatch that all four tools share.
#include "commandDispatch.h"

#include "toolText.h"

namespace volmora {

namespace {

constexpr std::int32_t acceptedExitCode = 0;
constexpr std::int32_t refusedExitCode = 1;

bool isSwitch(const std::wstring& argument) {
    return argument.empty() || argument.front() == L'-' || argument.front() == L'/';
}

}  // namespace

SwitchScan scanSwitches(Tool& tool, ArgumentList& arguments, std::wstring_view knownSwitches) {
    SwitchScan scan;
    while (arguments.size() > 1 && isSwitch(arguments[1])) {
        std::wstring name =
            arguments[1].empty() ? std::wstring() : asciiLower(arguments[1].substr(1));
        if (name == L"?") {
            scan.stop = SwitchScan::Stop::help;
            return scan;
        }
        if (name.size() != 1 || knownSwitches.find(name.front()) == std::wstring_view::npos) {
            scan.stop = SwitchScan::Stop::badSwitch;
            return scan;
        }
        switch (name.front()) {
            case L's':
                tool.silentMode = true;
                break;
            case L'l':
                scan.list = true;
                break;
            case L'u':
                scan.unregister = true;
                break;
            default:
                break;
        }
        dropFirstArgument(arguments);
    }
    return scan;
}

void showUsage(const Tool& tool, const CommandTable& table, bool asError) {
    if (asError) {
        tool.showError(table.usageText());
    } else {
        tool.showInfo(table.usageText());
    }
}

std::int32_t runCommand(Tool& tool, ArgumentList arguments, const CommandTable& table) {
    SwitchScan scan = scanSwitches(tool, arguments, table.knownSwitches);
    if (scan.stop == SwitchScan::Stop::help) {
        showUsage(tool, table, false);
        return acceptedExitCode;
    }
    if (scan.stop == SwitchScan::Stop::badSwitch ||
        (scan.list && (tool.silentMode || scan.unregister))) {
        showUsage(tool, table, true);
        return refusedExitCode;
    }
    const Operation& operation = scan.unregister ? table.unregistration
                                 : scan.list     ? table.listing
                                                 : table.registration;
    std::size_t operands = arguments.size() - 1;
    if (operation.run == nullptr || operands < operation.minOperands ||
        operands > operation.maxOperands) {
        showUsage(tool, table, true);
        return refusedExitCode;
    }
    return operation.run(tool, arguments);
}

}  // namespace volmora
