// bindObject's entry point.
#include <windows.h>

#include "bindObject.h"
#include "toolEntry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return volmora::runWindowsTool(volmora::bindObjectTool);
}
