// removeTypeLib: removes a type library's registration through the runtime library, which is
// only needed (and only loaded) once the file itself has loaded.
#include "bindSchema.h"
#include "toolText.h"

namespace volmora {

void removeTypeLib(Tool& tool, const std::wstring& path) {
    if (!loadTypeLib(tool, path)) {
        return;
    }
    std::int32_t result = tool.typeLibraries().unregisterLoaded();
    if (result != 0) {
        tool.showError(errorText(L"Can't unregister " + quoted(path) + L" type library: ", result));
        return;
    }
    tool.showInfo(L"Type library " + quoted(path) + L" successfully unregistered.");
}

}  // namespace volmora
