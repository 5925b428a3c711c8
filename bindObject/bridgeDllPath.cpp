// Placeholder until this operation lands: it reports an internal error.
#include "bindObject.h"

namespace volmora {

std::wstring bridgeDllPath(Tool& tool, const std::wstring& programPath) {
    return tool.files().parentFolderName(programPath) + L"\\VOLM.dll";
}

}  // namespace volmora
