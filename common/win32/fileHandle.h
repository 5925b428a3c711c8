// A kernel handle (a file, a pipe, a process, a thread, a job), closed when it goes.
#pragma once

#include <windows.h>

#include <string_view>

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

// Writes all of bytes at the file's position, as many calls as it takes: 0 or the failing call's
// status.
inline long writeWhole(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            return static_cast<long>(GetLastError());
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT;
        }
        bytes.remove_prefix(written);
    }
    return ERROR_SUCCESS;
}

}  // namespace volmora
