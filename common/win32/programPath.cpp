// The running program's own path, however long.
#include "programPath.h"

#include "winPlatform.h"

namespace volmora {

std::wstring ownProgramPath() {
    return growingBufferText(
        [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); });
}

}  // namespace volmora
