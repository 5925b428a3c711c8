// Running the listing-paint probe and naming what it found.
#include "listingPaintLimit.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <type_traits>
#include <vector>

namespace volmora {

namespace {

// The probe ends at once on a fault; this only guards against a system where it hangs.
constexpr DWORD probeLimitMilliseconds = 30000;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::wstring inWhichProcess() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64
               ? L" in a 32-bit process under this system's WoW64 mode"
               : L"";
}

}  // namespace

std::optional<std::wstring> listingPaintLimit(const std::wstring& probePath) {
    std::wstring commandLine = L"\"" + probePath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    wchar_t outcome[64];
    if (!CreateProcessW(probePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        std::swprintf(outcome, 64, L" could not start (error %lu)", GetLastError());
        return L"the probe program " + probePath + outcome +
               L", so whether a window with text in an edit control can paint here is unknown";
    }
    const OwnedHandle process(started.hProcess);
    const OwnedHandle thread(started.hThread);
    if (WaitForSingleObject(process.get(), probeLimitMilliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 10000);
        std::swprintf(outcome, 64, L"did not end");
    } else {
        DWORD code = 1;
        GetExitCodeProcess(process.get(), &code);
        if (code == 0) {
            return std::nullopt;
        }
        std::swprintf(outcome, 64, L"ended with 0x%08lX", static_cast<unsigned long>(code));
    }
    return L"a window that shows text in an edit control cannot paint" + inWhichProcess() +
           L" (a probe program that does only that " + outcome + L")";
}

}  // namespace volmora
