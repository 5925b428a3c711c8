// Whether a listing window can show here at all, found by the probe program of the end-to-end
// tests, so that the benchmark says so at once instead of waiting for windows that never show.
#pragma once

#include <optional>
#include <string>

namespace volmora::bench {

// Why no window with text in an edit control can be shown by a process of this build, as the
// probe at probePath finds it (or why that is unknown, when the probe cannot start); nothing
// when one can.
std::optional<std::wstring> listingPaintLimit(const std::wstring& probePath);

}  // namespace volmora::bench
