// bindObject's command line: switches, operand counts and the usage text.
#include "bindObject.h"
#include "commandDispatch.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t usageLabelWidth = 18;

std::int32_t runRegistration(Tool& tool, ArgumentList& arguments) {
    const std::wstring serverId = arguments.size() > 5 ? arguments[5] : std::wstring();
    std::wstring libraryPath = bridgeDllPath(tool.registry(), arguments[0]);
    registerJavaClass(tool, arguments[1], arguments[2], arguments[3], arguments[4], serverId,
                      libraryPath);
    return 0;
}

std::int32_t runUnregistration(Tool& tool, ArgumentList& arguments) {
    unregisterJavaClass(tool, arguments[1]);
    return 0;
}

std::int32_t runListing(Tool& tool, ArgumentList&) {
    listJavaClasses(tool);
    return 0;
}

const CommandTable classCommands{
    L"slu", classUsageText, {4, 5, runRegistration}, {1, 1, runUnregistration}, {0, 0, runListing},
};

}  // namespace

const ToolDefinition bindObjectTool{
    L"bindObject", L"Bind Object", L"bindObjectProject", FileSystemStart::exitWithMessage,
    true,          runClassCommand};

std::wstring classUsageText() {
    const auto w = usageLabelWidth;
    return joinLines({
        L"Usage:\tbindObject /?",
        L"\tbindObject [/s] progid clsid javaclassname jvmid [serverid]",
        L"\tbindObject /u [/s] progid",
        L"\tbindObject /l",
        L"",
        labelledLine(L"/?", w, L"print out this help"),
        labelledLine(L"/s", w, L"silent mode"),
        labelledLine(L"/u", w, L"unregister the specified class"),
        labelledLine(L"/l", w, L"list all registered classes"),
        labelledLine(L"progid", w, L"ProgID"),
        labelledLine(L"clsid", w, L"CLSID"),
        labelledLine(L"javaclassname", w, L"Java class name"),
        labelledLine(L"jvmid", w, L"jvm identifier"),
        labelledLine(L"serverid", w, L"optional server identifier"),
        L"",
        L"Examples:",
        L"",
        L"    bindObject MyServer.CoolService {B036ABD6-EE02-4d8e-8D67-186DFEE9A903}",
        L"        com.tamsiver.myserver.CoolService MyJVM",
        L"    bindObject ServerA.NeatService {2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}",
        L"        com.tamsiver.serverA.NeatService MyJVM ServerA",
    });
}

void showClassUsage(const Tool& tool, bool asError) {
    showUsage(tool, classCommands, asError);
}

std::int32_t runClassCommand(Tool& tool, ArgumentList arguments) {
    return runCommand(tool, std::move(arguments), classCommands);
}

}  // namespace volmora
