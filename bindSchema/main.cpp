// bindSchema's entry point.
#include <windows.h>

#include "bindSchema.h"
#include "toolEntry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return volmora::runWindowsTool(volmora::bindSchemaTool);
}
