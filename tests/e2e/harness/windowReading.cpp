// Reading another process's windows: captions, control texts and the kind of a message box's
// icon. Icon handles cannot be used across processes, so the icon is told by its image.
#include "windowReading.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <vector>

#include "harness.h"
#include "ownedHandles.h"

namespace volmora::e2e {

namespace {

constexpr UINT messageTimeoutMs = 5000;
constexpr UINT textTimeoutMs = 60000;

// A top-down 32-bit bitmap selected into a memory device context.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_.reset(CreateCompatibleDC(nullptr));
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels_ = static_cast<const std::uint32_t*>(bits);
        if (dc_.valid() && bitmap_.valid()) {
            previous_ = SelectObject(dc_.get(), bitmap_.get());
        }
    }
    // The bitmap leaves the context before either goes.
    ~Canvas() {
        if (previous_) {
            SelectObject(dc_.get(), previous_);
        }
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool valid() const { return dc_.valid() && bitmap_.valid() && pixels_; }
    HDC dc() const { return dc_.get(); }
    std::uint32_t pixel(int x, int y) const {
        GdiFlush();
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(x)];
    }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_;
    int height_;
    MadeDc dc_;
    GdiObject<HBITMAP> bitmap_;
    HGDIOBJ previous_ = nullptr;
    const std::uint32_t* pixels_ = nullptr;
};

std::uint64_t difference(const Canvas& a, const Canvas& b) {
    std::uint64_t total = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const std::uint32_t p = a.pixel(x, y);
            const std::uint32_t q = b.pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                total += static_cast<std::uint64_t>(std::abs(
                    static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)));
            }
        }
    }
    return total;
}

// A named callback, not a lambda: the 32-bit system calls it with the stdcall convention.
BOOL CALLBACK takeVisibleIconControl(HWND child, LPARAM param) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
        (style & WS_VISIBLE)) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

HWND findIconControl(HWND dialog) {
    HWND found = nullptr;
    EnumChildWindows(dialog, takeVisibleIconControl, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct IconCandidate {
    BoxIcon kind;
    LPCWSTR resource;
};

const std::array<IconCandidate, 4> iconCandidates{{
    {BoxIcon::exclamation, IDI_EXCLAMATION},
    {BoxIcon::information, IDI_ASTERISK},
    {BoxIcon::stop, IDI_HAND},
    {BoxIcon::question, IDI_QUESTION},
}};

// Which stock icon the captured image shows, or none when no stock icon is close to it.
BoxIcon matchIcon(const Canvas& captured) {
    const std::uint32_t background = captured.pixel(0, 0);
    const std::uint64_t pixelCount = static_cast<std::uint64_t>(captured.width()) *
                                     static_cast<std::uint64_t>(captured.height());
    BoxIcon best = BoxIcon::none;
    std::uint64_t bestDifference = std::numeric_limits<std::uint64_t>::max();
    for (const IconCandidate& candidate : iconCandidates) {
        Canvas drawn(captured.width(), captured.height());
        if (!drawn.valid()) {
            continue;
        }
        // The DIB stores BGR; a COLORREF is RGB.
        const COLORREF fill =
            RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
        const GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
        RECT all{0, 0, captured.width(), captured.height()};
        FillRect(drawn.dc(), &all, brush.get());
        DrawIconEx(drawn.dc(), 0, 0, LoadIconW(nullptr, candidate.resource), captured.width(),
                   captured.height(), 0, nullptr, DI_NORMAL);
        const std::uint64_t d = difference(captured, drawn);
        if (d < bestDifference) {
            bestDifference = d;
            best = candidate.kind;
        }
    }
    // Allow small differences from scaling or blending: on average 8 levels per colour channel.
    return bestDifference <= pixelCount * 3 * 8 ? best : BoxIcon::none;
}

BoxIcon captureIconOnce(HWND iconControl) {
    RECT rect{};
    if (!GetWindowRect(iconControl, &rect)) {
        return BoxIcon::none;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return BoxIcon::none;
    }
    Canvas captured(width, height);
    const ScreenDc screen(GetDC(nullptr));
    if (!captured.valid() || !screen.get() ||
        !BitBlt(captured.dc(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY)) {
        return BoxIcon::none;
    }
    return matchIcon(captured);
}

}  // namespace

std::wstring controlText(HWND window) {
    // A window that just took a long text counts as hung for a while: wait for it rather than
    // give up, so a big listing is read whole.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, textTimeoutMs, &length)) {
        return {};
    }
    std::vector<wchar_t> buffer(length + 1);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL, textTimeoutMs,
                             &copied)) {
        return {};
    }
    return std::wstring(buffer.data(), std::min<std::size_t>(copied, length));
}

std::wstring windowCaption(HWND window) {
    return controlText(window);
}

std::wstring readListingText(HWND window) {
    const HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
    return edit ? controlText(edit) : std::wstring();
}

bool isMessageBox(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return lstrcmpW(className, L"#32770") == 0;
}

MessageBoxSeen readMessageBox(HWND dialog) {
    MessageBoxSeen seen{windowCaption(dialog), {}, BoxIcon::none};
    if (const HWND text = GetDlgItem(dialog, 0xFFFF)) {
        seen.text = controlText(text);
    }
    const HWND iconControl = findIconControl(dialog);
    // Without stock icons there is nothing to tell the box's icon by: looking would only wait.
    if (!iconControl || !stockIconsLoad()) {
        return seen;
    }
    // A box wider than the screen is centred with its left part, the icon's, off the screen:
    // bring it onto the screen so the icon can be captured.
    RECT box{};
    UINT keepPlace = SWP_NOMOVE;
    if (GetWindowRect(dialog, &box) && (box.left < 0 || box.top < 0)) {
        keepPlace = 0;
    }
    SetWindowPos(dialog, HWND_TOP, std::max<LONG>(box.left, 0), std::max<LONG>(box.top, 0), 0, 0,
                 keepPlace | SWP_NOSIZE | SWP_NOACTIVATE);
    // The box may not have painted yet: look again for a while until a stock icon shows.
    for (int attempt = 0; attempt < 40; ++attempt) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, messageTimeoutMs, &ignored);
        seen.icon = captureIconOnce(iconControl);
        if (seen.icon != BoxIcon::none) {
            break;
        }
        Sleep(50);
    }
    return seen;
}

bool stockIconsLoad() {
    static const bool loaded = LoadIconW(nullptr, IDI_ERROR) != nullptr;
    return loaded;
}

const wchar_t* boxIconName(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::exclamation:
            return L"exclamation";
        case BoxIcon::information:
            return L"information";
        case BoxIcon::stop:
            return L"stop";
        case BoxIcon::question:
            return L"question";
        case BoxIcon::none:
            break;
    }
    return L"none";
}

}  // namespace volmora::e2e
