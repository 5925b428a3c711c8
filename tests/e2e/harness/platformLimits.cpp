// Finding out what this system cannot show: each limit is tried once per process.
#include "platformLimits.h"

#include <windows.h>

namespace volmora::e2e {

namespace {

bool isWow64Process() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string inWhichProcess() {
    return isWow64Process() ? " in a 32-bit process under this system's WoW64 mode" : "";
}

std::optional<std::string> findIconLimit() {
    if (LoadIconW(nullptr, IDI_ERROR) != nullptr) {
        return std::nullopt;
    }
    return "no icon can be loaded" + inWhichProcess() + ", so no icon shows to be checked";
}

std::optional<std::string> findDpiLimit() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    if (dpi > 0) {
        return std::nullopt;
    }
    return "the screen reports a DPI of 0" + inWhichProcess() +
           ", so sizes in pixels have no scale to be checked against";
}

}  // namespace

std::optional<std::string> platformLimitReason(PlatformLimit limit) {
    static const std::optional<std::string> iconLimit = findIconLimit();
    static const std::optional<std::string> dpiLimit = findDpiLimit();
    return limit == PlatformLimit::noIcons ? iconLimit : dpiLimit;
}

bool checkableHere(PlatformLimit limit, const std::string& what) {
    const auto reason = platformLimitReason(limit);
    if (reason) {
        ::testing::Test::RecordProperty("skippedCheck", what + ": " + *reason);
    }
    return !reason;
}

}  // namespace volmora::e2e
