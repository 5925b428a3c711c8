// The names of everything the benchmark registers: its own, so that it deletes only what it
// wrote and never a registration of a product on the same machine.
#pragma once

#include <cwchar>
#include <string>

namespace volmora::bench {

inline constexpr wchar_t timedProgId[] = L"VolmoraBench.Timed";
inline constexpr wchar_t timedClassId[] = L"{BE4C0000-7A1E-4B3C-9D05-000000000001}";
inline constexpr wchar_t timedJvm[] = L"VolmoraBenchJVM";
inline constexpr wchar_t timedServer[] = L"VolmoraBenchServer";

// The class record key of the listing's record number index.
inline std::wstring listedClassId(int index) {
    wchar_t clsid[64];
    std::swprintf(clsid, 64, L"{BE4C0001-7A1E-4B3C-9D05-%012d}", index);
    return clsid;
}

}  // namespace volmora::bench
