// Where the tools keep what they write.
#include "recordPaths.h"

#include "toolUtil.h"

namespace volmora {

namespace {

// The vendor's key, below the machine's SOFTWARE and the user's Software keys alike.
constexpr std::wstring_view vendorKey = L"Tamsiver Software";

std::wstring joined(std::wstring_view parent, std::wstring_view child) {
    std::wstring path(parent);
    path += L'\\';
    path += child;
    return path;
}

}  // namespace

std::wstring configurationRoot() {
    return joined(joined(L"SOFTWARE", vendorKey), L"VOLM");
}

std::wstring recordsPath(std::wstring_view collection) {
    return joined(configurationRoot(), collection);
}

std::wstring recordPath(std::wstring_view collection, std::wstring_view name) {
    return joined(recordsPath(collection), name);
}

std::wstring settingsPath() {
    return joined(joined(joined(L"Software", vendorKey), applicationTitle), L"Settings");
}

}  // namespace volmora
