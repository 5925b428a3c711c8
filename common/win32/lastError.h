// Raising the calling thread's last Win32 error as an internal error.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "toolUtil.h"

namespace volmora {

// A call that failed without saying why ends with E_FAIL (raiseToolError's number for none),
// never as number 0.
[[noreturn]] inline void raiseLastError(std::wstring description) {
    raiseToolError(static_cast<std::int32_t>(GetLastError()), std::move(description));
}

}  // namespace volmora
