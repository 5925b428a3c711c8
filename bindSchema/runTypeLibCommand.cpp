// bindSchema's command line: switches, operand counts and the usage text.
#include "bindSchema.h"
#include "commandDispatch.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t usageLabelWidth = 18;

std::int32_t runRegistration(Tool& tool, ArgumentList& arguments) {
    addTypeLib(tool, tool.files().absolutePathName(arguments[1]));
    return 0;
}

std::int32_t runUnregistration(Tool& tool, ArgumentList& arguments) {
    removeTypeLib(tool, tool.files().absolutePathName(arguments[1]));
    return 0;
}

// No listing: the program's switches leave out "l".
const CommandTable typeLibCommands{
    bindSchemaProgram.knownSwitches,
    typeLibUsageText,
    {1, 1, runRegistration},
    {1, 1, runUnregistration},
    {},
};

}  // namespace

const ToolDefinition bindSchemaTool{
    bindSchemaProgram.name,         L"Bind Schema", L"bindSchemaProject",
    FileSystemStart::internalError, false,          runTypeLibCommand};

std::wstring typeLibUsageText() {
    const auto w = usageLabelWidth;
    return joinLines({
        L"Usage:\tbindSchema /?",
        L"\tbindSchema [/s] typelib",
        L"\tbindSchema /u [/s] typelib",
        L"",
        labelledLine(L"/?", w, L"print out this help"),
        labelledLine(L"/s", w, L"silent mode"),
        labelledLine(L"/u", w, L"unregister the type library"),
        labelledLine(L"typelib", w, L"type library"),
        L"",
        L"Example:",
        L"",
        L"    bindSchema C:\\MyServer\\MyServer.tlb",
    });
}

void showTypeLibUsage(const Tool& tool, bool asError) {
    showUsage(tool, typeLibCommands, asError);
}

std::int32_t runTypeLibCommand(Tool& tool, ArgumentList arguments) {
    return runCommand(tool, std::move(arguments), typeLibCommands);
}

}  // namespace volmora
