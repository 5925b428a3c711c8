// volmoraConfig's entry point: the command line split as the programs split theirs, no error
// boxes from the system, and the exit code of the verb.
#include <windows.h>

#include "command/configCommand.h"
#include "win32/winConfigHost.h"

int wmain(int, wchar_t**) {
    using namespace volmora;
    // A console companion serves scripts: nobody is there to press a box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const std::wstring commandLine = GetCommandLineW();
    const ArgumentList arguments = getArguments(L"volmoraConfig", argumentText(commandLine));
    config::WinConfigHost host;
    return static_cast<int>(config::runConfigCommand(host, arguments));
}
