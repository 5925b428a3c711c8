// The listing window's placement, kept per user and shared by every tool: position and outer
// size in twips and the window state, as decimal texts under the application's settings key.
#pragma once

#include <optional>
#include <string_view>

#include "listingLayout.h"
#include "registry.h"

namespace volmora {

enum class WindowState { normal = 0, minimized = 1, maximized = 2 };

struct Placement {
    TwipRect bounds;  // left and top edge, outer width and height
    WindowState state = WindowState::normal;
    friend bool operator==(const Placement&, const Placement&) = default;
};

// A first listing opens here.
inline constexpr Placement defaultPlacement{{1000, 1000, 7965, 3600}, WindowState::normal};

// Reads the five settings; each one that is missing, unreadable or not a number (or, for the
// state, not one of the three states) takes its default, so that one bad value can never stop
// every listing of every tool.
Placement loadPlacement(Registry& registry);

// Keeps what the next listing should restore: a normal window saves its bounds and state, a
// maximized one its state alone (the normal bounds of an earlier run stay), a minimized one
// nothing. Failures are not reported: the window closes all the same.
void savePlacement(Registry& registry, const Placement& placement);

// A stored setting as a number: decimal, optionally signed, with fraction and exponent, blanks
// around it allowed; nothing when the text is anything else or beyond single precision.
std::optional<double> settingNumber(std::wstring_view text);

}  // namespace volmora
