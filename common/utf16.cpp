// UTF-16 registry data to and from wide strings.
#include "utf16.h"

#include <cstring>

namespace volmora {

namespace {

void appendUnit(std::vector<std::uint8_t>& bytes, std::uint32_t unit) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> utf16Bytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * (text.size() + 1));
    for (wchar_t c : text) {
        auto code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF) {
            code -= 0x10000;
            appendUnit(bytes, 0xD800 | (code >> 10));
            appendUnit(bytes, 0xDC00 | (code & 0x3FF));
        } else {
            appendUnit(bytes, code);
        }
    }
    appendUnit(bytes, 0);
    return bytes;
}

std::wstring textFromUtf16(const std::uint8_t* data, std::size_t count) {
    std::wstring text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t unit = data[2 * i] | (std::uint32_t{data[2 * i + 1]} << 8);
        if constexpr (sizeof(wchar_t) == 4) {
            if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
                std::uint32_t low = data[2 * i + 2] | (std::uint32_t{data[2 * i + 3]} << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

}  // namespace volmora
