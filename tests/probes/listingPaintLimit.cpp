// Running the listing-paint probe and naming what it found.
#include "listingPaintLimit.h"

#include <windows.h>

#include <cwchar>

#include "childProcess.h"

namespace volmora {

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
    ChildStart start;
    start.image = probePath;
    start.commandLine = quoteForCommandLine(probePath);
    ChildProcess probe(start);
    wchar_t outcome[64];
    if (!probe.started()) {
        std::swprintf(outcome, 64, L" could not start (error %lu)", probe.error());
        return L"the probe program " + probePath + outcome +
               L", so whether a window with text in an edit control can paint here is unknown";
    }
    if (!probe.wait(probeLimitMilliseconds)) {
        probe.terminate(1);
        std::swprintf(outcome, 64, L"did not end");
    } else {
        const ChildProcess::ExitStatus status = probe.exitStatus();
        if (status.read && status.code == 0) {
            return std::nullopt;
        }
        if (status.read) {
            std::swprintf(outcome, 64, L"ended with 0x%08lX",
                          static_cast<unsigned long>(status.code));
        } else {
            std::swprintf(outcome, 64, L"ended, its exit code unread (error %lu)",
                          static_cast<unsigned long>(status.error));
        }
    }
    return L"a window that shows text in an edit control cannot paint" + inWhichProcess() +
           L" (a probe program that does only that " + outcome + L")";
}

}  // namespace volmora
