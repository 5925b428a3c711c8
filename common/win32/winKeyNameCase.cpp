// Registry names compared by the system, with the upper-case table the registry itself uses.
#include <windows.h>

#include "keyNameCase.h"

namespace volmora {

namespace {

int compareIgnoringCase(std::wstring_view a, std::wstring_view b) {
    // Lengths beyond an int are no registry names; they still compare, by their first 2^31 - 1
    // characters and then by length.
    constexpr std::size_t most = 0x7FFFFFFF;
    const int result =
        CompareStringOrdinal(a.data(), static_cast<int>(std::min(a.size(), most)), b.data(),
                             static_cast<int>(std::min(b.size(), most)), TRUE);
    return result - CSTR_EQUAL;
}

}  // namespace

bool sameKeyName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && compareIgnoringCase(a, b) == 0;
}

bool keyNameLess(std::wstring_view a, std::wstring_view b) {
    return compareIgnoringCase(a, b) < 0;
}

}  // namespace volmora
