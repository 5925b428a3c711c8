// The dots per inch that a window is drawn at, and the system font scaled to it.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace volmora {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The window's own DPI where the system tracks it per monitor (Windows 10 and later), else the
// system DPI.
int windowDpi(HWND window);

// The font of message boxes at the given DPI; empty when the system cannot tell it.
FontHandle messageFont(int dpi);

}  // namespace volmora
