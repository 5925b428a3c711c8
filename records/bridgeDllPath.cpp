// Where the bridge runtime library lies: its own COM registration, or beside the tool.
#include "classRecord.h"
#include "pathText.h"
#include "regUtil.h"

namespace volmora {

namespace {

constexpr std::wstring_view libraryFileName = L"VOLM.dll";

}  // namespace

std::wstring bridgeDllPath(Registry& registry, const std::wstring& programPath) {
    RegKey server(registry);
    if (server.open(classesRoot, std::wstring(bridgeRuntimeServerKey), KeyAccess::read) ==
        status::success) {
        RegValue value;
        long result = getNamedValue(registry, server.handle(), L"", value);
        server.close();
        // A number is no path: only a text registration names the library.
        if (const auto* path = std::get_if<std::wstring>(&value);
            result == status::success && path != nullptr) {
            return *path;
        }
    }
    // The parent of a tool in a drive's root folder (C:\) already ends in a separator.
    std::wstring folder = parentFolderName(programPath);
    if (folder.empty() || folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder + std::wstring(libraryFileName);
}

}  // namespace volmora
