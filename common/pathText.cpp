// Base and parent names of paths, as the file-system object gives them.
#include "pathText.h"

namespace volmora {

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The length of path without its trailing separators.
std::size_t trimmedLength(std::wstring_view path) {
    std::size_t end = path.size();
    while (end > 0 && isSeparator(path[end - 1])) {
        --end;
    }
    return end;
}

}  // namespace

std::wstring parentFolderName(std::wstring_view path) {
    std::size_t end = trimmedLength(path);
    while (end > 0 && !isSeparator(path[end - 1])) {
        --end;
    }
    while (end > 0 && isSeparator(path[end - 1])) {
        --end;
    }
    if (end == 0) {
        return {};
    }
    if (end == 2 && path[1] == L':') {
        ++end;  // a drive root keeps its separator
    }
    return std::wstring(path.substr(0, end));
}

std::wstring baseName(std::wstring_view path) {
    std::size_t end = trimmedLength(path);
    std::size_t start = end;
    while (start > 0 && !isSeparator(path[start - 1])) {
        --start;
    }
    std::wstring_view name = path.substr(start, end - start);
    auto dot = name.rfind(L'.');
    if (dot != std::wstring_view::npos) {
        name = name.substr(0, dot);
    }
    return std::wstring(name);
}

}  // namespace volmora
