// volmoraRun's entry point: the command line split as the programs split theirs.
#include <windows.h>

#include "installerRun.h"
#include "winRunnerSystem.h"

int wmain(int, wchar_t**) {
    using namespace volmora;
    // Nothing that runs unattended may wait in a box: a crash of the runner or of the program
    // (which inherits this mode) ends it, where a fault or error-report dialog would sit until the
    // bound on a desktop nobody sees.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const std::wstring commandLine = GetCommandLineW();
    const ArgumentList arguments = getArguments(L"volmoraRun", argumentText(commandLine));
    runner::WinRunnerSystem system;
    return static_cast<int>(runner::runForInstaller(system, arguments));
}
