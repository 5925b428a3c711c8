// The benchmark's listing floor: the least a class listing can be on this system. It reads the
// class records with the fewest registry calls and shows the text bindObject /l shows, in a plain
// read-only edit control of a top-level window laid out as the listing window first opens: no
// COM, no settings, no saved placement, no button. Exit code 0 after the window showed and was
// closed; 1 when there was nothing to show or the window could not be made.
#include <windows.h>

#include <string>
#include <vector>

#include "bindObject.h"
#include "classBlock.h"
#include "displayScale.h"
#include "listingLayout.h"
#include "listingPlacement.h"
#include "ownedHandles.h"
#include "recordPaths.h"
#include "toolUtil.h"

namespace {

using volmora::ClassRecord;
using volmora::missingValue;

// The key opened for reading, or an empty owner when it cannot be.
volmora::RegistryKey openForReading(HKEY parent, const std::wstring& path) {
    HKEY key = nullptr;
    return volmora::RegistryKey(
        RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr);
}

// The tools' first read holds 512 bytes, enough for the values of every record the benchmark
// writes, so that each value costs one query as it does in the listing.
constexpr DWORD firstReadChars = 256;

DWORD bytesOf(const std::vector<wchar_t>& buffer) {
    return static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
}

// A text value of a record; anything else, or a value that cannot be read, is missing.
std::wstring recordText(HKEY record, const std::wstring& name, std::wstring_view missing) {
    std::vector<wchar_t> buffer(firstReadChars);
    DWORD type = REG_NONE;
    DWORD size = bytesOf(buffer);
    LONG result = RegQueryValueExW(record, name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()), &size);
    while (result == ERROR_MORE_DATA && type == REG_SZ) {
        buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = bytesOf(buffer);
        result = RegQueryValueExW(record, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        return std::wstring(missing);
    }
    std::size_t count = size / sizeof(wchar_t);
    if (count > 0 && buffer[count - 1] == L'\0') {
        --count;
    }
    return std::wstring(buffer.data(), count);
}

// The in-process server COM has registered for the class, in one call.
std::wstring inprocServerPath(const std::wstring& clsid) {
    const std::wstring subkey = L"CLSID\\" + clsid + L"\\InprocServer32";
    std::vector<wchar_t> buffer(firstReadChars);
    DWORD size = bytesOf(buffer);
    LONG result = RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                               buffer.data(), &size);
    while (result == ERROR_MORE_DATA) {
        buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = bytesOf(buffer);
        result = RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                              buffer.data(), &size);
    }
    return result == ERROR_SUCCESS ? std::wstring(buffer.data()) : std::wstring(missingValue);
}

// Every class record's block; empty when there is no record or one cannot be read.
std::wstring classListing() {
    namespace value = volmora::recordValue;
    const std::wstring progId(value::progId), javaClassName(value::javaClassName),
        jvmId(value::jvmId), serverId(value::serverId);
    const volmora::RegistryKey classes = openForReading(
        HKEY_LOCAL_MACHINE, volmora::recordsPath(volmora::recordCollection::classes));
    if (!classes.valid()) {
        return {};
    }
    std::wstring listing;
    wchar_t name[256];
    for (DWORD index = 0; RegEnumKeyW(classes.get(), index, name, 256) == ERROR_SUCCESS; ++index) {
        ClassRecord values;
        {
            const volmora::RegistryKey record = openForReading(classes.get(), name);
            if (!record.valid()) {
                return {};
            }
            values.progId = recordText(record.get(), progId, missingValue);
            values.javaClassName = recordText(record.get(), javaClassName, missingValue);
            values.jvmId = recordText(record.get(), jvmId, missingValue);
            values.serverId = recordText(record.get(), serverId, L"");
        }
        values.inprocServer = inprocServerPath(name);
        volmora::appendClassBlock(listing, name, values);
    }
    return listing;
}

// Closing the window ends the message loop; the window goes with its owner.
LRESULT CALLBACK floorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The registered window class, unregistered after its window has gone.
class WindowClass {
  public:
    explicit WindowClass(HINSTANCE instance) : instance_(instance) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = floorProcedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground =
            reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        windowClass.lpszClassName = L"VolmoraListingFloor";
        atom_ = RegisterClassExW(&windowClass);
    }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    ~WindowClass() {
        if (atom_ != 0) {
            UnregisterClassW(MAKEINTATOM(atom_), instance_);
        }
    }
    ATOM atom() const { return atom_; }

  private:
    HINSTANCE instance_;
    ATOM atom_ = 0;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::wstring listing = classListing();
    if (listing.empty()) {
        return 1;
    }
    const WindowClass windowClass(instance);
    if (windowClass.atom() == 0) {
        return 1;
    }
    volmora::FontHandle font;  // before the window: the edit control uses it until it goes
    const volmora::OwnedWindow window(
        CreateWindowExW(0, MAKEINTATOM(windowClass.atom()), L"listingFloor",
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr));
    if (!window.valid()) {
        return 1;
    }
    // The listing window's first bounds and the text's place in them, so that the same lines
    // show and paint.
    const int dpi = volmora::windowDpi(window.get());
    const volmora::PixelRect bounds = volmora::toPixels(volmora::defaultPlacement.bounds, dpi);
    SetWindowPos(window.get(), nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(window.get(), &client);
    const auto layout = volmora::layoutForClient(volmora::pixelsToTwips(client.right, dpi),
                                                 volmora::pixelsToTwips(client.bottom, dpi));
    const volmora::PixelRect text =
        volmora::toPixels(layout ? layout->listingText : volmora::listingTextDesign, dpi);
    const HWND edit = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
            ES_AUTOHSCROLL | ES_AUTOVSCROLL,
        text.left, text.top, text.width, text.height, window.get(), nullptr, instance, nullptr);
    if (edit == nullptr) {
        return 1;
    }
    // The limit and the font before the text, as in the listing window: each measures the text.
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    font = volmora::messageFont(dpi);
    if (font) {
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    if (!SetWindowTextW(edit, listing.c_str()) ||
        !SetWindowTextW(window.get(),
                        volmora::listingCaption(volmora::classListingTitle).c_str())) {
        return 1;
    }
    ShowWindow(window.get(), SW_SHOWNORMAL);
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? 0 : 1;
}
