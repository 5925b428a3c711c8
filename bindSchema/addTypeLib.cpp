// addTypeLib: enters a type library file into the system's type library registration, with the
// file's folder as its help directory.
#include "bindSchema.h"
#include "pathText.h"
#include "toolText.h"

namespace volmora {

void addTypeLib(Tool& tool, const std::wstring& path) {
    if (!loadTypeLib(tool, path)) {
        return;
    }
    std::wstring helpDir = parentFolderName(path);
    std::int32_t result = tool.typeLibraries().registerLoaded(path, helpDir);
    if (result != 0) {
        tool.showError(errorText(L"Can't register " + quoted(path) + L" type library: ", result));
        return;
    }
    tool.showInfo(L"Type library " + quoted(path) + L" successfully registered.");
}

}  // namespace volmora
