// Registry names compared and ordered without regard to letter case.
#include "keyNameCase.h"

#include <algorithm>
#include <cstdint>

namespace volmora {

namespace {

wchar_t upperOf(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    if ((u >= U'a' && u <= U'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7) ||
        (u >= 0x3B1 && u <= 0x3CB && u != 0x3C2) || (u >= 0x430 && u <= 0x44F)) {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u == 0xFF) {
        return static_cast<wchar_t>(0x178);
    }
    if (u >= 0x450 && u <= 0x45F) {
        return static_cast<wchar_t>(u - 0x50);
    }
    // Latin Extended-A pairs an upper-case letter at an even code with its lower case after it,
    // except for the stretch 0x139-0x148 and 0x179-0x17E, where the pairs start at odd codes.
    if (u >= 0x100 && u <= 0x17F && u != 0x130 && u != 0x131 && u != 0x138 && u != 0x149 &&
        u != 0x17F) {
        const bool oddPairs = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        const bool lower = oddPairs ? (u % 2 == 0) : (u % 2 == 1);
        return lower ? static_cast<wchar_t>(u - 1) : c;
    }
    return c;
}

}  // namespace

std::wstring upperKeyName(std::wstring_view name) {
    std::wstring upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), upperOf);
    return upper;
}

bool sameKeyName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return upperOf(x) == upperOf(y); });
}

bool keyNameLess(std::wstring_view a, std::wstring_view b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
            return static_cast<std::uint32_t>(upperOf(x)) < static_cast<std::uint32_t>(upperOf(y));
        });
}

}  // namespace volmora
