// One listing window: its controls, the placement it restores and saves, its layout and its
// keyboard.
#include "listingForm.h"

#include <algorithm>

#include "lastError.h"
#include "listingLayout.h"
#include "toolUtil.h"

namespace volmora {

namespace {

constexpr int listingTextId = 101;

void moveControl(HWND control, const PixelRect& rect) {
    MoveWindow(control, rect.left, rect.top, rect.width, rect.height, TRUE);
}

}  // namespace

void WindowDestroyer::operator()(HWND window) const {
    DestroyWindow(window);
}

ListingForm::ListingForm(ListingForms& owner, ATOM windowClass) : owner_(owner) {
    // The window procedure takes hold of the window as soon as it exists (WM_NCCREATE).
    if (CreateWindowExW(0, MAKEINTATOM(windowClass), L"listingForm",
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr),
                        this) == nullptr) {
        raiseLastError(L"Can't create the listing window");
    }
    createControls();
    formLoad();
}

ListingForm::~ListingForm() {
    window_.reset();  // while every member is still there for the window's last messages
}

void ListingForm::createControls() {
    const HWND window = window_.get();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const int dpi = windowDpi(window);
    // Created in tab order: the button first, so that it has the focus.
    const PixelRect button = toPixels(okCommandDesign, dpi);
    okCommand_ =
        CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        button.left, button.top, button.width, button.height, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
    if (okCommand_ == nullptr) {
        raiseLastError(L"Can't create the OK button");
    }
    const PixelRect text = toPixels(listingTextDesign, dpi);
    listingText_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL |
                                       ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                                   text.left, text.top, text.width, text.height, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(listingTextId)),
                                   instance, nullptr);
    if (listingText_ == nullptr) {
        raiseLastError(L"Can't create the listing text");
    }
    // No limit: the user's view of a long listing is never cut. The limit and the font come
    // before the text: the edit control measures every line when its text is set, and again
    // for a font set later, which for a listing of thousands of records doubles the time the
    // window takes to show.
    SendMessageW(listingText_, EM_SETLIMITTEXT, 0, 0);
    applyFont();
}

void ListingForm::applyFont() {
    FontHandle font = messageFont(windowDpi(window_.get()));
    if (!font) {
        return;  // the controls keep the system font
    }
    for (HWND control : {okCommand_, listingText_}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    font_ = std::move(font);  // the old font only goes once no control uses it
}

void ListingForm::formLoad() {
    const Placement placement = loadPlacement(owner_.registry());
    const int dpi = windowDpi(window_.get());
    PixelRect bounds = toPixels(placement.bounds, dpi);
    // A placement saved on a monitor that has gone since would leave the window nowhere.
    const RECT area{bounds.left, bounds.top, bounds.left + std::max(bounds.width, 1),
                    bounds.top + std::max(bounds.height, 1)};
    if (MonitorFromRect(&area, MONITOR_DEFAULTTONULL) == nullptr) {
        bounds = toPixels(defaultPlacement.bounds, dpi);
    }
    if (!SetWindowPos(window_.get(), nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                      SWP_NOZORDER | SWP_NOACTIVATE)) {
        raiseLastError(L"Can't place the listing window");
    }
    restoredState_ = placement.state;
}

void ListingForm::initListing(const std::wstring& listingTitle, const std::wstring& listingText) {
    if (!SetWindowTextW(listingText_, listingText.c_str())) {
        raiseLastError(L"Can't fill the listing window");
    }
    if (!SetWindowTextW(window_.get(), listingCaption(listingTitle).c_str())) {
        raiseLastError(L"Can't set the listing window's caption");
    }
}

void ListingForm::show() {
    lastFocus_ = okCommand_;  // activation hands the focus to the button
    // Shown through the placement, so that a window restored maximized or minimized returns to
    // the normal bounds that formLoad gave it.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window_.get(), &placement)) {
        raiseLastError(L"Can't read the listing window's placement");
    }
    placement.flags = 0;
    placement.showCmd = SW_SHOWNORMAL;
    if (restoredState_ == WindowState::maximized) {
        placement.showCmd = SW_SHOWMAXIMIZED;
    } else if (restoredState_ == WindowState::minimized) {
        placement.showCmd = SW_SHOWMINIMIZED;
    }
    if (!SetWindowPlacement(window_.get(), &placement)) {
        raiseLastError(L"Can't show the listing window");
    }
    if (restoredState_ != WindowState::minimized) {
        SetFocus(okCommand_);
    }
}

void ListingForm::formResize() {
    if (okCommand_ == nullptr || listingText_ == nullptr) {
        return;  // still being created
    }
    RECT client{};
    GetClientRect(window_.get(), &client);
    const int dpi = windowDpi(window_.get());
    const auto layout =
        layoutForClient(pixelsToTwips(client.right, dpi), pixelsToTwips(client.bottom, dpi));
    if (!layout) {
        return;
    }
    moveControl(listingText_, toPixels(layout->listingText, dpi));
    moveControl(okCommand_, toPixels(layout->okCommand, dpi));
}

WindowState ListingForm::currentState() const {
    if (IsIconic(window_.get())) {
        return WindowState::minimized;
    }
    if (IsZoomed(window_.get())) {
        return WindowState::maximized;
    }
    return WindowState::normal;
}

void ListingForm::formUnload() {
    Placement placement;
    placement.state = currentState();
    if (placement.state == WindowState::normal) {
        RECT outer{};
        GetWindowRect(window_.get(), &outer);
        placement.bounds =
            toTwips({outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top},
                    windowDpi(window_.get()));
    }
    savePlacement(owner_.registry(), placement);
}

void ListingForm::unload() {
    std::exception_ptr failure;
    try {
        formUnload();
    } catch (...) {
        failure = std::current_exception();  // the window closes all the same, then it is raised
    }
    window_.reset();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void ListingForm::okCommandClick() {
    unload();
}

void ListingForm::selectAllText() {
    SetFocus(listingText_);
    SendMessageW(listingText_, EM_SETSEL, 0, -1);
}

bool ListingForm::owns(HWND window) const {
    return window_ && window != nullptr &&
           (window == window_.get() || IsChild(window_.get(), window));
}

bool ListingForm::handleKeyboard(MSG& message) {
    if (message.message == WM_KEYDOWN) {
        switch (message.wParam) {
            case VK_RETURN:
                okCommandClick();
                return true;
            case VK_ESCAPE:
                unload();
                return true;
            case 'A':
                if (GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
                    selectAllText();
                    return true;
                }
                break;
            default:
                break;
        }
    }
    // Tab and Shift+Tab between the two controls.
    return IsDialogMessageW(window_.get(), &message) != FALSE;
}

LRESULT ListingForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.get();
    switch (message) {
        case WM_SIZE:
            formResize();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
                okCommandClick();
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                unload();
                return 0;
            }
            break;
        case WM_CLOSE:
            unload();
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_ACTIVATE:
            // Like a dialog, the window gives the focus back to the control that last had it.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(window, focus)) {
                    lastFocus_ = focus;
                }
            } else if (HIWORD(wParam) == 0 && lastFocus_ != nullptr) {
                SetFocus(lastFocus_);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            // Read-only, but shown as a text to select and copy from, not greyed.
            if (reinterpret_cast<HWND>(lParam) == listingText_) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            applyFont();
            SetWindowPos(window, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            formResize();
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ListingForm::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* form = static_cast<ListingForm*>(created->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->window_.reset(window);
    }
    auto* form = reinterpret_cast<ListingForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        // The last message of the window: the object no longer holds it.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        static_cast<void>(form->window_.release());
        form->okCommand_ = form->listingText_ = form->lastFocus_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return form->handleMessage(message, wParam, lParam);
    } catch (...) {
        form->owner_.keepFailure(std::current_exception());
        return 0;
    }
}

}  // namespace volmora
