// UTF-16 registry data to and from wide strings, whatever the width of wchar_t: the programs
// use UTF-16 natively, the unit tests run where wchar_t holds UTF-32.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace volmora {

// The text as UTF-16 little-endian bytes, followed by one zero character.
std::vector<std::uint8_t> utf16Bytes(std::wstring_view text);
// The same into bytes, which keeps its room.
void assignUtf16Bytes(std::vector<std::uint8_t>& bytes, std::wstring_view text);

// Appends the text's UTF-16 little-endian bytes, without a zero character.
void appendUtf16(std::string& out, std::wstring_view text);

// The first count UTF-16 characters of data as a wide string.
std::wstring textFromUtf16(const std::uint8_t* data, std::size_t count);

// Where, in UTF-16 characters, the first of count characters of data stands that is half of a
// surrogate pair without its other half (so no valid UTF-16); npos when there is none.
std::size_t loneSurrogateAt(const std::uint8_t* data, std::size_t count);

}  // namespace volmora
