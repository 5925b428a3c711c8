// Registry names compare without regard to letter case: the registry upper-cases both names and
// compares them character by character. The console companion orders and matches records the
// same way, and the side-by-side ProgID rule finds the other view's records by it.
#pragma once

#include <string>
#include <string_view>

namespace volmora {

// The upper-case form of a name: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters
// are mapped; other characters stay as they are (the registry's own table maps more scripts,
// which the tools' names do not use).
std::wstring upperKeyName(std::wstring_view name);

// Whether two names name the same key or value.
bool sameKeyName(std::wstring_view a, std::wstring_view b);

// The ordinal order of the upper-case forms.
bool keyNameLess(std::wstring_view a, std::wstring_view b);

}  // namespace volmora
