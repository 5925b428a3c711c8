// Owners for the Win32 handles other than kernel handles (fileHandle.h has those): registry
// keys, device contexts, GDI objects, find handles and windows, each closed the way its kind
// must be, through the one handle template.
#pragma once

#include <windows.h>

#include "uniqueHandle.h"

namespace volmora {

// Traits of a handle kind whose empty value is null, closed by the function given.
template <typename Kind, auto closeFunction>
struct NullEmptyTraits {
    using Handle = Kind;
    static Kind empty() { return nullptr; }
    static bool valid(Kind handle) { return handle != nullptr; }
    static void close(Kind handle) { closeFunction(handle); }
};

inline void releaseScreenDc(HDC dc) {
    ReleaseDC(nullptr, dc);
}

using RegistryKey = UniqueHandle<NullEmptyTraits<HKEY, RegCloseKey>>;
// A device context made with CreateCompatibleDC or CreateDCW.
using MadeDc = UniqueHandle<NullEmptyTraits<HDC, DeleteDC>>;
// The screen's device context, from GetDC(nullptr).
using ScreenDc = UniqueHandle<NullEmptyTraits<HDC, releaseScreenDc>>;
// A pen, brush, bitmap, font or region.
template <typename Object>
using GdiObject = UniqueHandle<NullEmptyTraits<Object, DeleteObject>>;
using OwnedWindow = UniqueHandle<NullEmptyTraits<HWND, DestroyWindow>>;
// Memory the system allocated for the caller with LocalAlloc (a security descriptor, a message).
using LocalMemory = UniqueHandle<NullEmptyTraits<HLOCAL, LocalFree>>;

// FindFirstFileW reports failure with INVALID_HANDLE_VALUE.
struct FindHandleTraits {
    using Handle = HANDLE;
    static HANDLE empty() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void close(HANDLE handle) { FindClose(handle); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace volmora
