// Turns fuzzer bytes into the wide texts the tools receive: pairs of bytes as UTF-16 units,
// with a few bytes mapped to the characters the splitting rules care about, so that quotes,
// blanks and tabs are common in the generated command lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace volmora::fuzz {

inline std::wstring commandText(const std::uint8_t* data, std::size_t size) {
    static constexpr wchar_t common[] = {L' ', L'\t', L'"', L'/', L'-',
                                         L's', L'l',  L'u', L'?', L'a'};
    std::wstring text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t byte = data[i];
        if (byte < 0xC0) {
            text += common[byte % (sizeof common / sizeof common[0])];
        } else if (i + 1 < size) {
            text += static_cast<wchar_t>(((byte & 0x3F) << 8 | data[i + 1]) + 0x20);
            ++i;
        }
    }
    return text;
}

}  // namespace volmora::fuzz
