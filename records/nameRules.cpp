// What a record's names and values may be.
#include "nameRules.h"

#include <algorithm>
#include <iterator>

#include "registry.h"

namespace volmora {

namespace {

bool holdsNul(std::wstring_view text) {
    return text.find(L'\0') != std::wstring_view::npos;
}

}  // namespace

long keyNameStatus(std::wstring_view name) {
    if (name.empty() || name.find(L'\\') != std::wstring_view::npos || holdsNul(name)) {
        return status::badPathname;
    }
    return status::success;
}

std::wstring keyNameFault(std::wstring_view name, std::size_t reserve) {
    if (name.empty()) {
        return L"is empty";
    }
    if (name.find(L'\\') != std::wstring_view::npos) {
        return L"holds a backslash";
    }
    if (holdsNul(name)) {
        return L"holds a NUL character";
    }
    if (name.size() + reserve > maxKeyName) {
        return L"is longer than " + std::to_wstring(maxKeyName - reserve) + L" characters";
    }
    return {};
}

std::wstring valueNameFault(std::wstring_view name) {
    if (holdsNul(name)) {
        return L"holds a NUL character";
    }
    if (name.size() > maxValueName) {
        return L"is longer than " + std::to_wstring(maxValueName) + L" characters";
    }
    return {};
}

std::wstring valueTextFault(std::wstring_view text) {
    return holdsNul(text) ? L"holds a NUL character" : std::wstring();
}

bool isBracedGuid(std::wstring_view name) {
    constexpr std::size_t bracedGuidLength = 38;
    constexpr std::size_t guidHyphens[] = {9, 14, 19, 24};
    const auto isHexDigit = [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    };
    if (name.size() != bracedGuidLength || name.front() != L'{' || name.back() != L'}') {
        return false;
    }
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        const bool hyphen =
            std::find(std::begin(guidHyphens), std::end(guidHyphens), i) != std::end(guidHyphens);
        if (hyphen ? name[i] != L'-' : !isHexDigit(name[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace volmora
