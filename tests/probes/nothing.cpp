// The floor of the benchmark's timings: a program built like the tools that does nothing at all.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
