// Small text builders shared by the tools' messages, usage texts and listings.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace volmora {

// Lines of every multi-line text are separated by carriage return and line feed.
inline constexpr std::wstring_view lineBreak = L"\r\n";

// The lines joined by CRLF, with no line break after the last one.
std::wstring joinLines(std::initializer_list<std::wstring_view> lines);

// A label: four blanks, the name, blanks up to width, then a tab.
std::wstring label(std::wstring_view name, std::size_t width);

// label(name, width) followed by the value.
std::wstring labelledLine(std::wstring_view name, std::size_t width, std::wstring_view value);

// The text between two double-quote characters.
std::wstring quoted(std::wstring_view text);

// A signed decimal number.
std::wstring decimal(std::int64_t number);

// prefix + "error=" + code in signed decimal: the tail of every failure message.
std::wstring errorText(std::wstring_view prefix, std::int64_t code);

// Upper-case hexadecimal without leading zeros; a negative number shows its 32-bit two's
// complement (-2147221164 gives 80040154).
std::wstring hexNumber(std::int32_t number);

// ASCII-only lower-casing: switch names and file-name comparisons are plain ASCII texts.
std::wstring asciiLower(std::wstring_view text);

}  // namespace volmora
