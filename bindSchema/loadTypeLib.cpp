// The first step of both bindSchema operations: loading the type library file without touching
// the registry, and the message when that fails.
#include "bindSchema.h"
#include "toolText.h"

namespace volmora {

bool loadTypeLib(Tool& tool, const std::wstring& path) {
    std::int32_t result = tool.typeLibraries().load(path);
    if (result != 0) {
        tool.showError(errorText(L"Can't load " + quoted(path) + L" type library: ", result));
        return false;
    }
    return true;
}

}  // namespace volmora
