// Appending to a file that other processes append to at the same time: the outcome log, and the
// copy of volmoraRun's report that an installer names.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "fileHandle.h"

namespace volmora {

// Writes bytes at the end of the file in one write, creating the file when missing; returns 0 or
// the Win32 error. Sharing lets other writers and readers in. Append access alone does not keep
// two writers apart everywhere (under Wine both can land at the same end and one text is lost),
// so each writer holds a lock on one byte far past any file's end while it writes at the end:
// readers are never blocked, and concurrent writers append one after the other. A writer holds
// the lock for one write; one that cannot take it within the bound (another process holds it and
// does not write) gives up with ERROR_TIMEOUT, as for any file that cannot be written.
inline constexpr DWORD appendLockBoundMs = 5000;

inline DWORD appendUnderLock(const std::wstring& path, std::string_view bytes) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return GetLastError();
    }
    OVERLAPPED writerLock{};
    writerLock.OffsetHigh = 0x7FFFFFFE;
    constexpr DWORD retryMs = 10;
    const ULONGLONG deadline = GetTickCount64() + appendLockBoundMs;
    while (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &writerLock)) {
        if (const DWORD error = GetLastError(); error != ERROR_LOCK_VIOLATION) {
            return error;
        }
        if (GetTickCount64() >= deadline) {
            return ERROR_TIMEOUT;
        }
        Sleep(retryMs);
    }
    OVERLAPPED atEnd{};
    atEnd.Offset = 0xFFFFFFFF;  // both halves all ones: write at the end of the file
    atEnd.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    DWORD result = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &atEnd)) {
        result = GetLastError();
    } else if (written != bytes.size()) {
        result = ERROR_WRITE_FAULT;
    }
    UnlockFileEx(file.get(), 0, 1, 0, &writerLock);
    return result;
}

}  // namespace volmora
