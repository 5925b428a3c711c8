// Whether a listing window can show here at all, found by running listingPaintProbe.exe (built in
// the probes folder): the end-to-end tests and the benchmark ask it and give the same reason.
#pragma once

#include <optional>
#include <string>

namespace volmora {

// Why no window with text in an edit control can be shown by a process of this build, as the
// probe at probePath finds it (or why that is unknown, when the probe cannot start); nothing
// when one can. The probe ends at once on a fault, so the answer never waits for a timeout.
std::optional<std::wstring> listingPaintLimit(const std::wstring& probePath);

}  // namespace volmora
