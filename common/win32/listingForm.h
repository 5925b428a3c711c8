// The listing window: a resizable window with a read-only text and an OK button, whose
// placement is kept per user and shared by the tools.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "displayScale.h"
#include "listingPlacement.h"
#include "platform.h"

namespace volmora {

class ListingForms;

struct WindowDestroyer {
    void operator()(HWND window) const;
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// One listing window. The object owns the window: it is destroyed with the object at the
// latest, and the object stays until its owner sees that the window has gone.
class ListingForm {
  public:
    // Creates the window, hidden, and restores the placement (Form_Load).
    ListingForm(ListingForms& owner, ATOM windowClass);
    ListingForm(const ListingForm&) = delete;
    ListingForm& operator=(const ListingForm&) = delete;
    ~ListingForm();

    void initListing(const std::wstring& listingTitle, const std::wstring& listingText);
    // Shows the window modeless in the restored state, the OK button focused.
    void show();
    bool isOpen() const { return window_ != nullptr; }
    // Whether the message belongs to this window or one of its controls.
    bool owns(HWND window) const;
    // The keyboard of the window (Enter, Esc, Ctrl+A, Tab); true when the message was used.
    bool handleKeyboard(MSG& message);

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

  private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void applyFont();
    void formLoad();
    void formResize();
    void formUnload();
    void okCommandClick();
    // Saves the placement and closes the window, whatever the saving does.
    void unload();
    void selectAllText();
    WindowState currentState() const;

    ListingForms& owner_;
    FontHandle font_;  // before the window: the controls use it until they are destroyed
    WindowHandle window_;
    HWND okCommand_ = nullptr;  // child windows: destroyed with the window
    HWND listingText_ = nullptr;
    HWND lastFocus_ = nullptr;
    WindowState restoredState_ = WindowState::normal;
};

// The listing window of the process (a run shows at most one listing), its window class and the
// message loop that serves it.
class ListingForms : public ListingWindows {
  public:
    explicit ListingForms(Registry& registry) : registry_(registry) {}
    ListingForms(const ListingForms&) = delete;
    ListingForms& operator=(const ListingForms&) = delete;
    ~ListingForms() override;

    void open(const std::wstring& listingTitle, const std::wstring& listingText) override;
    bool anyOpen() override;
    void serveUntilClosed() override;

    Registry& registry() const { return registry_; }
    // A failure inside a window event, kept until the event has returned: exceptions never
    // cross the window procedure.
    void keepFailure(std::exception_ptr failure);

  private:
    // The registered window class, unregistered after the window has gone.
    class WindowClass {
      public:
        WindowClass();
        WindowClass(const WindowClass&) = delete;
        WindowClass& operator=(const WindowClass&) = delete;
        ~WindowClass();
        ATOM atom() const { return atom_; }

      private:
        ATOM atom_ = 0;
    };

    void rethrowFailure();

    Registry& registry_;
    std::optional<WindowClass> windowClass_;
    std::unique_ptr<ListingForm> form_;
    std::exception_ptr failure_;
};

}  // namespace volmora
