// Finding out what this system cannot show: each limit is tried once per process.
#include "platformLimits.h"

#include <windows.h>

#include "expectations.h"
#include "harness.h"
#include "listingPaintLimit.h"
#include "ownedHandles.h"
#include "windowReading.h"

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
    if (stockIconsLoad()) {
        return std::nullopt;
    }
    return "no icon can be loaded" + inWhichProcess() + ", so no icon shows to be checked";
}

std::optional<std::string> findDpiLimit() {
    const ScreenDc screen(GetDC(nullptr));
    const int dpi = screen.valid() ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    if (dpi > 0) {
        return std::nullopt;
    }
    return "the screen reports a DPI of 0" + inWhichProcess() +
           ", so sizes in pixels have no scale to be checked against";
}

// The reason the probe gives, as the rest of the reasons are written.
std::optional<std::string> findListingPaintLimit() {
    const auto limit = listingPaintLimit(probeProgramPath(L"listingPaintProbe"));
    if (!limit) {
        return std::nullopt;
    }
    return narrow(*limit) + ", so no listing window can show to be checked";
}

}  // namespace

std::optional<std::string> platformLimitReason(PlatformLimit limit) {
    switch (limit) {
        case PlatformLimit::noIcons: {
            static const std::optional<std::string> iconLimit = findIconLimit();
            return iconLimit;
        }
        case PlatformLimit::noScreenDpi: {
            static const std::optional<std::string> dpiLimit = findDpiLimit();
            return dpiLimit;
        }
        case PlatformLimit::noListingPaint: {
            static const std::optional<std::string> paintLimit = findListingPaintLimit();
            return paintLimit;
        }
    }
    return std::nullopt;
}

bool checkableHere(PlatformLimit limit, const std::string& what) {
    const auto reason = platformLimitReason(limit);
    if (reason) {
        ::testing::Test::RecordProperty("skippedCheck", what + ": " + *reason);
    }
    return !reason;
}

}  // namespace volmora::e2e
