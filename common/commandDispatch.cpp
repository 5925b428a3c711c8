// The command dispatch that all four tools share.
#include "commandDispatch.h"

#include "toolText.h"

namespace volmora {

bool isSwitch(std::wstring_view argument) {
    return argument.starts_with(L'/') || argument.starts_with(L'-');
}

std::wstring switchName(std::wstring_view argument) {
    return asciiLower(argument.substr(1));
}

SwitchScan scanSwitches(ArgumentList& arguments, std::wstring_view knownSwitches) {
    SwitchScan scan;
    // An empty argument stands among the switches too: the tools refuse it as one they do not
    // know.
    while (arguments.size() > 1 && (arguments[1].empty() || isSwitch(arguments[1]))) {
        std::wstring name = arguments[1].empty() ? std::wstring() : switchName(arguments[1]);
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
                scan.silent = true;
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

SwitchChoice chooseBySwitches(const SwitchScan& scan) {
    if (scan.stop == SwitchScan::Stop::help) {
        return SwitchChoice::help;
    }
    if (scan.stop == SwitchScan::Stop::badSwitch ||
        (scan.list && (scan.silent || scan.unregister))) {
        return SwitchChoice::refused;
    }
    return scan.unregister ? SwitchChoice::unregistration
           : scan.list     ? SwitchChoice::listing
                           : SwitchChoice::registration;
}

std::int32_t runCommand(Tool& tool, ArgumentList arguments, const CommandTable& table) {
    const SwitchScan scan = scanSwitches(arguments, table.knownSwitches);
    // Silent from the first "s" on: a refusal after it shows nothing either.
    if (scan.silent) {
        tool.silentMode = true;
    }
    const SwitchChoice choice = chooseBySwitches(scan);
    if (choice == SwitchChoice::help) {
        showUsage(tool, table, false);
        return acceptedExitCode;
    }
    if (choice == SwitchChoice::refused) {
        showUsage(tool, table, true);
        return refusedExitCode;
    }
    const Operation& operation = choice == SwitchChoice::unregistration ? table.unregistration
                                 : choice == SwitchChoice::listing      ? table.listing
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
