// Whether a listing window can show here at all.
#include "listingPaintLimit.h"

#include <windows.h>

#include <cwchar>

#include "benchProcess.h"

namespace volmora::bench {

namespace {

// The probe ends at once on a fault; this only guards against a system where it hangs.
constexpr DWORD probeLimitMilliseconds = 30000;

std::wstring inWhichProcess() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64
               ? L" in a 32-bit process under this system's WoW64 mode"
               : L"";
}

}  // namespace

std::optional<std::wstring> listingPaintLimit(const std::wstring& probePath) {
    Process probe;
    wchar_t outcome[64];
    if (!start(probePath, L"", probe)) {
        std::swprintf(outcome, 64, L" could not start (error %lu)", GetLastError());
        return L"the probe program " + probePath + outcome +
               L", so whether a window with text in an edit control can paint here is unknown";
    }
    if (WaitForSingleObject(probe.info.hProcess, probeLimitMilliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(probe.info.hProcess, 1);
        WaitForSingleObject(probe.info.hProcess, 10000);
        std::swprintf(outcome, 64, L"did not end");
    } else {
        DWORD code = 1;
        GetExitCodeProcess(probe.info.hProcess, &code);
        if (code == 0) {
            return std::nullopt;
        }
        std::swprintf(outcome, 64, L"ended with 0x%08lX", static_cast<unsigned long>(code));
    }
    return L"a window that shows text in an edit control cannot paint" + inWhichProcess() +
           L" (a probe program that does only that " + outcome + L")";
}

}  // namespace volmora::bench
