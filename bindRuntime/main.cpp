// bindRuntime's entry point.
#include <windows.h>

#include "bindRuntime.h"
#include "toolEntry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return volmora::runWindowsTool(volmora::bindRuntimeTool);
}
