// The letter case of the native unit tests' registry: the C library's Unicode tables (C.UTF-8),
// where Windows has its own. The end-to-end tests hold the product's comparison to the real
// registry.
#pragma once

#include <locale>

namespace volmora::testing {

const std::ctype<wchar_t>& unicodeCase();

}  // namespace volmora::testing
