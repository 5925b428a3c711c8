// Finds out whether this system can paint a window that shows text in a multi-line edit control,
// as the listing window does. Exit code 0: it painted. Any other: it could not; a fault while
// painting ends the process at once with the exception code, rather than waiting for a debugger.
#include <windows.h>

namespace {

LONG WINAPI endOnFault(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SetUnhandledExceptionFilter(endOnFault);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VolmoraListingPaintProbe";
    if (RegisterClassW(&windowClass) == 0) {
        return 2;
    }
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Probe", WS_OVERLAPPEDWINDOW,
                                        0, 0, 300, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 3;
    }
    const HWND edit = CreateWindowExW(
        0, L"EDIT", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0,
        280, 160, window, nullptr, instance, nullptr);
    if (edit == nullptr) {
        DestroyWindow(window);
        return 4;
    }
    SetWindowTextW(edit, L"first line\r\nsecond line");
    ShowWindow(window, SW_SHOWNOACTIVATE);
    // Paints the window and the edit control now, then serves whatever the painting queued.
    UpdateWindow(window);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
    return 0;
}
