// The listing window of a process: its window class, its creation and the message loop that
// serves it until it has closed.
#include <utility>

#include "lastError.h"
#include "listingForm.h"
#include "toolUtil.h"

namespace volmora {

namespace {

constexpr int listingIconId = 2;  // the window's own icon in every program's resources
constexpr wchar_t windowClassName[] = L"VolmoraListingForm";

// The window's own icon at the given size; when it cannot be loaded, the system's default
// application icon: an icon is cosmetic, so it never stops a listing. Where even that is missing
// (no icons at all), the class has none and the system draws its own.
HICON listingIcon(int widthMetric, int heightMetric) {
    // Shared: the system keeps the icon for as long as the program runs.
    if (HANDLE icon =
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(listingIconId), IMAGE_ICON,
                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED)) {
        return static_cast<HICON>(icon);
    }
    return LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

ListingForms::WindowClass::WindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ListingForm::windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = listingIcon(SM_CXICON, SM_CYICON);
    windowClass.hIconSm = listingIcon(SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = windowClassName;
    atom_ = RegisterClassExW(&windowClass);
    if (atom_ == 0) {
        raiseLastError(L"Can't register the listing window");
    }
}

ListingForms::WindowClass::~WindowClass() {
    UnregisterClassW(MAKEINTATOM(atom_), GetModuleHandleW(nullptr));
}

ListingForms::~ListingForms() {
    form_.reset();  // the window goes before its class
}

void ListingForms::open(const std::wstring& listingTitle, const std::wstring& listingText) {
    // Registered with the first listing only: a run without one never touches the window system.
    if (!windowClass_) {
        windowClass_.emplace();
    }
    form_ = std::make_unique<ListingForm>(*this, windowClass_->atom());
    try {
        rethrowFailure();
        form_->initListing(listingTitle, listingText);
        form_->show();
        rethrowFailure();
    } catch (...) {
        form_.reset();
        throw;
    }
}

bool ListingForms::anyOpen() {
    if (form_ && !form_->isOpen()) {
        form_.reset();
    }
    return form_ != nullptr;
}

void ListingForms::serveUntilClosed() {
    MSG message{};
    while (anyOpen()) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            raiseLastError(L"Can't read the listing window's messages");
        }
        if (got == 0) {
            return;  // WM_QUIT: the session is ending
        }
        if (!form_->owns(message.hwnd) || !form_->handleKeyboard(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        rethrowFailure();
    }
}

void ListingForms::keepFailure(std::exception_ptr failure) {
    if (!failure_) {
        failure_ = std::move(failure);
    }
}

void ListingForms::rethrowFailure() {
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
}

}  // namespace volmora
