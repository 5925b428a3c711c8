// bindRuntime's command line: switches, operand counts and the usage text.
#include "bindRuntime.h"
#include "commandDispatch.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t usageLabelWidth = 18;

std::int32_t runRegistration(Tool& tool, ArgumentList& arguments) {
    const std::wstring jvmId = arguments[1];
    dropFirstArgument(arguments);
    const std::wstring dllPath = tool.files().absolutePathName(arguments[1]);
    dropFirstArgument(arguments);
    std::wstring options;
    if (!checkJvmOptions(tool, arguments, options)) {
        return refusedExitCode;
    }
    addJvm(tool, jvmId, dllPath, options);
    return 0;
}

std::int32_t runUnregistration(Tool& tool, ArgumentList& arguments) {
    removeJvm(tool, arguments[1]);
    return 0;
}

std::int32_t runListing(Tool& tool, ArgumentList&) {
    listJvms(tool);
    return 0;
}

const CommandTable jvmCommands{
    bindRuntimeProgram.knownSwitches, jvmUsageText,       {3, anyNumberOfOperands, runRegistration},
    {1, 1, runUnregistration},        {0, 0, runListing},
};

}  // namespace

const ToolDefinition bindRuntimeTool{bindRuntimeProgram.name,
                                     L"Bind Runtime",
                                     L"bindRuntimeProject",
                                     FileSystemStart::internalError,
                                     true,
                                     runJvmCommand};

std::wstring jvmUsageText() {
    const auto w = usageLabelWidth;
    return joinLines({
        L"Usage:\tbindRuntime /?",
        L"\tbindRuntime [/s] jvmid jvmdllpath jvmoptions ...",
        L"\tbindRuntime /u [/s] jvmid",
        L"\tbindRuntime /l",
        L"",
        labelledLine(L"/?", w, L"print out this help"),
        labelledLine(L"/s", w, L"silent mode"),
        labelledLine(L"/u", w, L"unregister the specified JVM"),
        labelledLine(L"/l", w, L"list all registered JVMs"),
        labelledLine(L"jvmid", w, L"JVM identifier"),
        labelledLine(L"jvmdllpath", w, L"path of jvm.dll"),
        labelledLine(L"jvmoptions", w, L"options to use when JVM is created"),
        L"",
        L"Example:",
        L"",
        L"    bindRuntime MyJVM C:\\jdk1.3\\jre\\bin\\hotspot\\jvm.dll",
        L"        -Djava.class.path=C:\\MyServer\\MyServer.jar;C:\\VOLM\\lib\\VOLM.jar",
    });
}

void showJvmUsage(const Tool& tool, bool asError) {
    showUsage(tool, jvmCommands, asError);
}

std::int32_t runJvmCommand(Tool& tool, ArgumentList arguments) {
    return runCommand(tool, std::move(arguments), jvmCommands);
}

}  // namespace volmora
