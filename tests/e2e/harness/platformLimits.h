// What the system under test cannot show, and why: the one place that says so. Wine's WoW64 mode
// (the 32-bit programs inside 64-bit Wine) loads no icons in a 32-bit process and reports a
// screen DPI of 0 there. A check that depends on such a thing is skipped with the reason, on
// such a system only; everything else about the same run is still checked.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace volmora::e2e {

enum class PlatformLimit {
    noIcons,         // stock and program icons cannot be loaded, so no box or window shows one
    noScreenDpi,     // the screen reports a DPI of 0, so DPI-dependent geometry has no scale
    noListingPaint,  // a window showing text in an edit control cannot paint: the process dies,
                     // so no listing window can show
};

// Why this process's system cannot show what the limit names; nothing when it can. Found out by
// trying it, not by asking which system this is; each limit is tried once per process, the
// listing window's in a probe program of its own (<build>\probes\listingPaintProbe.exe), since
// a failed try ends the process that makes it.
std::optional<std::string> platformLimitReason(PlatformLimit limit);

// Whether a check that depends on what the limit names can be made here. When it cannot, the
// current test records "<what>: <reason>" as its "skippedCheck" property and goes on with its
// other checks.
bool checkableHere(PlatformLimit limit, const std::string& what);

}  // namespace volmora::e2e

// Skips the rest of the current test with the limit's reason when the system has the limit.
#define VOLMORA_SKIP_WHERE(limit)                                                       \
    do {                                                                                \
        if (const auto volmoraLimitReason = ::volmora::e2e::platformLimitReason(limit)) \
            GTEST_SKIP() << *volmoraLimitReason;                                        \
    } while (false)
