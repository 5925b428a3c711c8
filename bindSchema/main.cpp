// bindSchema's entry point.
#include <windows.h>

#include "bindSchema.h"
#include "toolEntry.h"
#include "winTypeLibraries.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    volmora::WinTypeLibraries typeLibraries;
    return volmora::runWindowsTool(volmora::bindSchemaTool, &typeLibraries);
}
