// A kernel handle (a file, a pipe, a process, a thread, a job), closed when it goes.
#pragma once

#include <windows.h>

#include "uniqueHandle.h"

namespace volmora {

struct KernelHandleTraits {
    using Handle = HANDLE;
    static HANDLE empty() { return nullptr; }
    // Files report failure with INVALID_HANDLE_VALUE, most other calls with a null handle.
    static bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};

using FileHandle = UniqueHandle<KernelHandleTraits>;

}  // namespace volmora
