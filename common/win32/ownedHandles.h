// Owners for the Win32 handles other than kernel handles (fileHandle.h has those): registry
// keys, device contexts, GDI objects, find handles and windows, each closed the way its kind
// must be, through the one handle template.
#pragma once

#include <windows.h>

#include "uniqueHandle.h"

namespace volmora {

struct RegistryKeyTraits {
    using Handle = HKEY;
    static HKEY empty() { return nullptr; }
    static bool valid(HKEY key) { return key != nullptr; }
    static void close(HKEY key) { RegCloseKey(key); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

// A device context made with CreateCompatibleDC or CreateDCW.
struct MadeDcTraits {
    using Handle = HDC;
    static HDC empty() { return nullptr; }
    static bool valid(HDC dc) { return dc != nullptr; }
    static void close(HDC dc) { DeleteDC(dc); }
};
using MadeDc = UniqueHandle<MadeDcTraits>;

// The screen's device context, from GetDC(nullptr).
struct ScreenDcTraits {
    using Handle = HDC;
    static HDC empty() { return nullptr; }
    static bool valid(HDC dc) { return dc != nullptr; }
    static void close(HDC dc) { ReleaseDC(nullptr, dc); }
};
using ScreenDc = UniqueHandle<ScreenDcTraits>;

// A pen, brush, bitmap, font or region.
template <typename Object>
struct GdiObjectTraits {
    using Handle = Object;
    static Object empty() { return nullptr; }
    static bool valid(Object object) { return object != nullptr; }
    static void close(Object object) { DeleteObject(object); }
};
template <typename Object>
using GdiObject = UniqueHandle<GdiObjectTraits<Object>>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static HANDLE empty() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void close(HANDLE handle) { FindClose(handle); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

struct WindowTraits {
    using Handle = HWND;
    static HWND empty() { return nullptr; }
    static bool valid(HWND window) { return window != nullptr; }
    static void close(HWND window) { DestroyWindow(window); }
};
using OwnedWindow = UniqueHandle<WindowTraits>;

}  // namespace volmora
