// The dots per inch that a window is drawn at, and the system font scaled to it.
#include "displayScale.h"

#include "listingLayout.h"

namespace volmora {

namespace {

// A device context of the whole screen, released when it goes out of scope.
class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc_ != nullptr) {
            ReleaseDC(nullptr, dc_);
        }
    }
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

int systemDpi() {
    ScreenDc screen;
    return usableDpi(screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0);
}

}  // namespace

int windowDpi(HWND window) {
    // Looked up at run time: the programs also run on systems older than the call.
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC procedure = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    if (procedure != nullptr) {
        auto getDpiForWindow =
            reinterpret_cast<GetDpiForWindowCall>(reinterpret_cast<void (*)()>(procedure));
        if (UINT dpi = getDpiForWindow(window); dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    return systemDpi();
}

FontHandle messageFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return {};
    }
    // The metrics are given at the system DPI.
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi, systemDpi());
    return FontHandle(CreateFontIndirectW(&font));
}

}  // namespace volmora
