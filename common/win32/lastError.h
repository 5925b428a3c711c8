// Raising the calling thread's last Win32 error as an internal error.
#pragma once

#include <windows.h>

#include "toolUtil.h"

namespace volmora {

// A call that failed without saying why still ends as an error, never as number 0.
[[noreturn]] inline void raiseLastError(const wchar_t* description) {
    DWORD error = GetLastError();
    raiseToolError(static_cast<std::int32_t>(error != 0 ? error : ERROR_GEN_FAILURE), description);
}

}  // namespace volmora
