// What a record's names and values may be.
#include "nameRules.h"

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

}  // namespace volmora
