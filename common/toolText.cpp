// Small text builders shared by the tools' messages, usage texts and listings.
#include "toolText.h"

namespace volmora {

std::wstring joinLines(std::initializer_list<std::wstring_view> lines) {
    std::size_t size = 0;
    for (auto line : lines) {
        size += line.size() + lineBreak.size();
    }
    std::wstring text;
    text.reserve(size);
    bool first = true;
    for (auto line : lines) {
        if (!first) {
            text += lineBreak;
        }
        first = false;
        text += line;
    }
    return text;
}

std::wstring label(std::wstring_view name, std::size_t width) {
    std::wstring text(4, L' ');
    text += name;
    if (text.size() < width) {
        text.append(width - text.size(), L' ');
    }
    text += L'\t';
    return text;
}

std::wstring labelledLine(std::wstring_view name, std::size_t width, std::wstring_view value) {
    std::wstring text = label(name, width);
    text += value;
    return text;
}

std::wstring quoted(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size() + 2);
    result += L'"';
    result += text;
    result += L'"';
    return result;
}

std::wstring decimal(std::int64_t number) {
    return std::to_wstring(number);
}

std::wstring errorText(std::wstring_view prefix, std::int64_t code) {
    std::wstring text(prefix);
    text += L"error=";
    text += decimal(code);
    return text;
}

std::wstring hexNumber(std::int32_t number) {
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    auto bits = static_cast<std::uint32_t>(number);
    std::wstring text;
    do {
        text.insert(text.begin(), digits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    return text;
}

std::wstring asciiLower(std::wstring_view text) {
    std::wstring result(text);
    for (auto& c : result) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return result;
}

}  // namespace volmora
