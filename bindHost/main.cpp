// bindHost's entry point.
#include <windows.h>

#include "bindHost.h"
#include "toolEntry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return volmora::runWindowsTool(volmora::bindHostTool);
}
