// The benchmark writes, times and deletes registrations below HKEY_LOCAL_MACHINE, so it runs only
// in the private Wine prefix that ./bench makes for it: ./bench names a token on its command line
// and writes the same token into a marker file in that prefix, and the benchmark refuses to run
// unless the two match. Portable, so that the rule is tested natively.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace volmora::bench {

// The marker's file name, in the prefix's Windows folder.
inline constexpr wchar_t runMarkerName[] = L"volmoraBench.marker";

// Fewer characters than that are no token: a short one could match a marker by chance.
inline constexpr std::size_t shortestRunToken = 16;

// Why the benchmark must not run, given the token it was named and the marker's contents
// (nothing when there is no marker); nothing when it may run. A line end after the marker's
// token is allowed.
std::optional<std::string> runRefusal(std::string_view token,
                                      std::optional<std::string_view> marker);

}  // namespace volmora::bench
