// Where the installation layout keeps the bridge archive: "lib\VOLM.jar" beside the folder that
// holds the tools (tools in C:\VOLM\bin, archive C:\VOLM\lib\VOLM.jar).
#include "bindRuntime.h"
#include "pathText.h"

namespace volmora {

namespace {
constexpr std::wstring_view archiveInLayout = L"lib\\VOLM.jar";
}

std::wstring bridgeJarPath(Tool& tool, const std::wstring& programPath) {
    try {
        FileSystem& files = tool.files();
        std::wstring installFolder = parentFolderName(parentFolderName(programPath));
        // A tool in a drive's root folder has no installation folder above it; the archive
        // path would otherwise come out relative to whatever drive is current.
        if (installFolder.empty()) {
            return {};
        }
        std::wstring path = installFolder;
        if (path.back() != L'\\' && path.back() != L'/') {
            path += L'\\';
        }
        path += archiveInLayout;
        return files.fileExists(path) ? path : std::wstring();
    } catch (const ToolError&) {
        // A program path the file system cannot take apart simply has no layout to offer.
        return {};
    }
}

}  // namespace volmora
