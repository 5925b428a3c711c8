// Registry names without regard to letter case, for the native unit tests: the upper-case forms
// by the C library's Unicode tables.
#include "unicodeCase.h"

#include <algorithm>
#include <stdexcept>

#include "keyNameCase.h"

namespace volmora::testing {

const std::ctype<wchar_t>& unicodeCase() {
    static const std::locale unicode = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::locale::classic();
        }
    }();
    return std::use_facet<std::ctype<wchar_t>>(unicode);
}

}  // namespace volmora::testing

namespace volmora {

namespace {

std::uint32_t upperCode(wchar_t c) {
    return static_cast<std::uint32_t>(testing::unicodeCase().toupper(c));
}

}  // namespace

bool sameKeyName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return upperCode(x) == upperCode(y); });
}

bool keyNameLess(std::wstring_view a, std::wstring_view b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](wchar_t x, wchar_t y) { return upperCode(x) < upperCode(y); });
}

}  // namespace volmora
