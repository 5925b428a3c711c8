// Where the bridge runtime reads its configuration: one key under HKEY_LOCAL_MACHINE with a
// subkey per kind of record.
#pragma once

#include <string_view>

namespace volmora {

inline constexpr std::wstring_view configurationRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";

}  // namespace volmora
