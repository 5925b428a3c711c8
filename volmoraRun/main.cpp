// volmoraRun's entry point: the command line split as the programs split theirs.
#include <windows.h>

#include "installerRun.h"
#include "winRunnerSystem.h"

int wmain(int, wchar_t**) {
    using namespace volmora;
    const std::wstring commandLine = GetCommandLineW();
    const ArgumentList arguments = getArguments(L"volmoraRun", argumentText(commandLine));
    runner::WinRunnerSystem system;
    return static_cast<int>(runner::runForInstaller(system, arguments));
}
