// UTF-8 to and from wide text, whatever the width of wchar_t (UTF-16 in the programs, UTF-32 in
// the native unit tests): what the console companions print and read, and what the outcome log
// and the configuration files hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace volmora {

// A lone surrogate becomes U+FFFD.
std::string utf8(std::wstring_view text);

// Every invalid sequence becomes U+FFFD.
std::wstring fromUtf8(std::string_view bytes);

// The offset of the first byte that starts no valid UTF-8 sequence (an overlong form, a
// surrogate, a code point past U+10FFFF, a cut sequence), or npos when all of bytes is valid.
std::size_t invalidUtf8At(std::string_view bytes);

}  // namespace volmora
