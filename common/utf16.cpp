// UTF-16 registry data to and from wide strings.
#include "utf16.h"

#include <cstring>

namespace volmora {

namespace {

template <typename Bytes>
void appendUnit(Bytes& bytes, std::uint32_t unit) {
    bytes.push_back(static_cast<typename Bytes::value_type>(unit & 0xFF));
    bytes.push_back(static_cast<typename Bytes::value_type>((unit >> 8) & 0xFF));
}

template <typename Bytes>
void appendText(Bytes& bytes, std::wstring_view text) {
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
}

}  // namespace

std::vector<std::uint8_t> utf16Bytes(std::wstring_view text) {
    std::vector<std::uint8_t> bytes;
    assignUtf16Bytes(bytes, text);
    return bytes;
}

void assignUtf16Bytes(std::vector<std::uint8_t>& bytes, std::wstring_view text) {
    bytes.clear();
    bytes.reserve(2 * (text.size() + 1));
    appendText(bytes, text);
    appendUnit(bytes, 0);
}

void appendUtf16(std::string& out, std::wstring_view text) {
    // Room for every character, then each written in place: a text of the basic plane alone, as
    // registry names nearly always are, takes two bytes a character.
    std::size_t at = out.size();
    out.resize(at + 2 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<std::uint32_t>(text[i]);
        if (code > 0xFFFF) {
            out.resize(at);
            appendText(out, text.substr(i));
            return;
        }
        out[at++] = static_cast<char>(code & 0xFF);
        out[at++] = static_cast<char>((code >> 8) & 0xFF);
    }
}

std::size_t loneSurrogateAt(const std::uint8_t* data, std::size_t count) {
    const auto unitAt = [data](std::size_t i) {
        return data[2 * i] | (std::uint32_t{data[2 * i + 1]} << 8);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
            const std::uint32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low < 0xE000) {
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000) {
            return i;
        }
    }
    return std::wstring_view::npos;
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
