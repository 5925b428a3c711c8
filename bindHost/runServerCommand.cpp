// bindHost's command line: switches, operand counts and the usage text.
#include "bindHost.h"
#include "commandDispatch.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t usageLabelWidth = 18;

std::int32_t runRegistration(Tool& tool, ArgumentList& arguments) {
    const std::wstring serverId = arguments[1];
    const std::wstring classpath = arguments[2];
    dropFirstArgument(arguments);
    dropFirstArgument(arguments);
    std::wstring imports;
    joinImports(arguments, imports);
    addServer(tool, serverId, classpath, imports);
    return 0;
}

std::int32_t runUnregistration(Tool& tool, ArgumentList& arguments) {
    removeServer(tool, arguments[1]);
    return 0;
}

std::int32_t runListing(Tool& tool, ArgumentList&) {
    listServers(tool);
    return 0;
}

const CommandTable serverCommands{
    bindHostProgram.knownSwitches, serverUsageText,    {2, anyNumberOfOperands, runRegistration},
    {1, 1, runUnregistration},     {0, 0, runListing},
};

}  // namespace

const ToolDefinition bindHostTool{
    bindHostProgram.name, L"Bind Host", L"bindHostProject", FileSystemStart::exitWithMessage, true,
    runServerCommand};

std::wstring serverUsageText() {
    const auto w = usageLabelWidth;
    return joinLines({
        L"Usage:\tbindHost /?",
        L"\tbindHost [/s] serverid classpath [imports ...]",
        L"\tbindHost /u [/s] serverid",
        L"\tbindHost /l",
        L"",
        labelledLine(L"/?", w, L"print out this help"),
        labelledLine(L"/s", w, L"silent mode"),
        labelledLine(L"/u", w, L"unregister the specified server"),
        labelledLine(L"/l", w, L"list all registered servers"),
        labelledLine(L"serverid", w, L"server identifier"),
        labelledLine(L"classpath", w, L"classpath"),
        labelledLine(L"imports", w, L"optional imported server identifiers"),
        L"",
        L"Example:",
        L"",
        L"    bindHost ServerA C:\\ServerA\\ServerA.jar ServerB ServerC",
    });
}

void showServerUsage(const Tool& tool, bool asError) {
    showUsage(tool, serverCommands, asError);
}

std::int32_t runServerCommand(Tool& tool, ArgumentList arguments) {
    return runCommand(tool, std::move(arguments), serverCommands);
}

}  // namespace volmora
