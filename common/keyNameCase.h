// Registry names compare without regard to letter case: the registry upper-cases both names with
// the system's own table and compares them character by character. The console companion orders
// and matches records the same way, and the side-by-side ProgID rule finds the other view's
// records by it. On Windows the system compares (win32/winKeyNameCase.cpp); the native unit tests
// link a fold of their own, the one their in-memory registry uses.
#pragma once

#include <string_view>

namespace volmora {

// Whether two names name the same key or value.
bool sameKeyName(std::wstring_view a, std::wstring_view b);

// The ordinal order of the upper-case forms; names equal in it are the same name.
bool keyNameLess(std::wstring_view a, std::wstring_view b);

// keyNameLess for ordered containers, which then find a name in any letter case.
struct KeyNameOrder {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const { return keyNameLess(a, b); }
};

}  // namespace volmora
