// The listing window under Wine, opened by bindObject /l: caption and whole text, its controls
// and their layout as the window is resized, its keyboard, and the placement kept per user.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "platformLimits.h"
#include "registryWriting.h"

namespace volmora::e2e {
namespace {

const std::wstring classesPath = L"SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";
const std::wstring settingsPath = L"Software\\Tamsiver Software\\Volmora\\Settings";
const std::wstring listingCaption = L"Volmora - Registered Classes";
const std::wstring coolId = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
const std::wstring neatId = L"{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}";

using Values = std::map<std::wstring, std::wstring>;

void putClass(const std::wstring& clsid, const Values& values) {
    for (const auto& [name, text] : values) {
        writeText(HKEY_LOCAL_MACHINE, classesPath + L"\\" + clsid, name, text);
    }
}

void putServer(const std::wstring& clsid, const std::wstring& path) {
    writeText(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\InprocServer32", L"", path);
}

void putSettings(const Values& values) {
    for (const auto& [name, text] : values) {
        writeText(HKEY_CURRENT_USER, settingsPath, name, text);
    }
}

// The settings key as dumpKey shows it when it holds the five settings.
std::wstring settingsDump(int left, int top, int width, int height, int state) {
    auto line = [](const wchar_t* name, int value) {
        return textLine(name, std::to_wstring(value));
    };
    return L"[]\n" + line(L"MainHeight", height) + line(L"MainLeft", left) + line(L"MainTop", top) +
           line(L"MainWidth", width) + line(L"MainWindowState", state);
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Twips on this display, and back: 15 twips to the pixel at 96 DPI.
int pixels(double twips) {
    return static_cast<int>(std::lround(twips * screenDpi() / 1440.0));
}
int twips(int pixelCount) {
    return pixelCount * 1440 / screenDpi();
}

// Returns once the window's thread has handled the messages sent to it before, and is taking
// messages again. Messages posted to it may still wait: a sent message is handled first, so a
// test that posts waits for the result it expects instead. The wait holds however busy the
// thread was: one that has just filled a long listing counts as hung to the system for a while.
void settle(HWND window) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 250; ++i) {
        if (condition()) {
            return true;
        }
        Sleep(20);
    }
    return condition();
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// A rectangle as left, top, width, height, which is how the expectations read.
struct Box {
    int left, top, width, height;
    friend bool operator==(const Box&, const Box&) = default;
};

void PrintTo(const Box& box, std::ostream* out) {
    *out << "{" << box.left << ", " << box.top << ", " << box.width << " x " << box.height << "}";
}

Box boxOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

Box placementOf(HWND window) {
    return boxOf(windowRect(window));
}

struct Controls {
    HWND okCommand = nullptr;
    HWND listingText = nullptr;
};

Controls controlsOf(HWND window) {
    Controls controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Button") == 0) {
            controls.okCommand = child;
        } else if (_wcsicmp(name, L"Edit") == 0) {
            controls.listingText = child;
        }
    }
    return controls;
}

// Where a control sits in its window's client area.
Box controlBox(HWND window, HWND control) {
    RECT rect = windowRect(control);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return boxOf(rect);
}

SIZE clientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

// Resizes the window so that its client area has the given size, as far as the system lets it.
SIZE resizeClient(HWND window, int width, int height) {
    const Box outer = placementOf(window);
    const SIZE client = clientSize(window);
    SetWindowPos(window, nullptr, 0, 0, width + outer.width - client.cx,
                 height + outer.height - client.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    settle(window);
    return clientSize(window);
}

// The text of a control however long: the time it takes to copy it is no concern here.
std::wstring wholeText(HWND control) {
    constexpr UINT patientMs = 60000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, patientMs, &length)) {
        ADD_FAILURE() << "no text length, error " << GetLastError();
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(),
                             reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, patientMs,
                             &copied)) {
        ADD_FAILURE() << "no text of " << length << " characters, error " << GetLastError();
        return {};
    }
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

void close(HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
}

// Posts a system command; the caller waits for its effect.
void command(HWND window, WPARAM systemCommand) {
    PostMessageW(window, WM_SYSCOMMAND, systemCommand, 0);
}

class ListingWindow : public ::testing::Test {
  protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }

    static void clean() {
        deleteTree(HKEY_LOCAL_MACHINE, classesPath);
        deleteTree(HKEY_CURRENT_USER, settingsPath);
        deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + coolId);
    }

    static void putOneClass() {
        putClass(coolId, {{L"ProgId", L"MyServer.CoolService"},
                          {L"JavaClassName", L"com.tamsiver.myserver.CoolService"},
                          {L"JvmId", L"MyJVM"}});
    }

    // Runs bindObject /l with the window handed to inspect; the run must end normally.
    static RunResult list(const std::function<void(HWND)>& inspect, DWORD timeoutMs = 30000) {
        RunOptions options;
        options.timeoutMs = timeoutMs;
        options.onWindow = [&](HWND window) {
            settle(window);
            inspect(window);
        };
        RunResult result = runTool(L"bindObject", L"/l", options);
        EXPECT_FALSE(result.timedOut);
        EXPECT_TRUE(result.boxes.empty());
        EXPECT_EQ(result.exitCode, 0u);
        return result;
    }
};

TEST_F(ListingWindow, ShowsEveryClassUnderItsCaption) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    putOneClass();
    putServer(coolId, L"C:\\VOLM\\bin\\VOLM.dll");
    putClass(neatId, {{L"ProgId", L"ServerA.NeatService"},
                      {L"JavaClassName", L"com.tamsiver.serverA.NeatService"},
                      {L"JvmId", L"MyJVM"},
                      {L"ServerId", L"ServerA"}});
    const std::wstring records = dumpKey(HKEY_LOCAL_MACHINE, classesPath);

    const RunResult result = runTool(L"bindObject", L"/l");

    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.listings.size(), 1u);
    EXPECT_EQ(result.listings[0].caption, listingCaption);
    EXPECT_EQ(result.listings[0].text,
              L"ServerA.NeatService:\r\n"
              L"    CLSID:          \t{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}\r\n"
              L"    Java class:     \tcom.tamsiver.serverA.NeatService\r\n"
              L"    JVMID:          \tMyJVM\r\n"
              L"    ServerId:       \tServerA\r\n"
              L"    InprocServer32: \t?? missing ??\r\n"
              L"MyServer.CoolService:\r\n"
              L"    CLSID:          \t{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\r\n"
              L"    Java class:     \tcom.tamsiver.myserver.CoolService\r\n"
              L"    JVMID:          \tMyJVM\r\n"
              L"    InprocServer32: \tC:\\VOLM\\bin\\VOLM.dll");
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, classesPath), records);
}

TEST_F(ListingWindow, IsNotOpenedWithoutClasses) {
    const RunResult result = runTool(L"bindObject", L"/l");
    expectOneBox(result, BoxIcon::information, L"Volmora - Bind Object", L"No classes registered");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.listings.empty());
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, settingsPath));
}

TEST_F(ListingWindow, OpensFirstAtTheDefaultPlacementWithTheOkButtonFocused) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    putOneClass();
    const bool geometry = checkableHere(PlatformLimit::noScreenDpi, "default placement");
    const Box standard =
        geometry ? Box{pixels(1000), pixels(1000), pixels(7965), pixels(3600)} : Box{};
    list([&](HWND window) {
        if (geometry) {
            EXPECT_EQ(placementOf(window), standard);
        }
        EXPECT_FALSE(IsZoomed(window) || IsIconic(window));

        const Controls controls = controlsOf(window);
        ASSERT_TRUE(controls.okCommand && controls.listingText);
        EXPECT_EQ(GetWindow(window, GW_CHILD), controls.okCommand);  // first in tab order
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
        EXPECT_EQ(thread.hwndFocus, controls.okCommand);

        wchar_t text[16] = {};
        GetWindowTextW(controls.okCommand, text, 16);
        EXPECT_STREQ(text, L"OK");
        const LONG_PTR buttonStyle = GetWindowLongPtrW(controls.okCommand, GWL_STYLE);
        EXPECT_EQ(buttonStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        const LONG_PTR textStyle = GetWindowLongPtrW(controls.listingText, GWL_STYLE);
        const LONG_PTR wanted = ES_MULTILINE | ES_READONLY | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP;
        EXPECT_EQ(textStyle & wanted, wanted);
        DWORD_PTR limit = 0;
        SendMessageTimeoutW(controls.listingText, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 5000, &limit);
        EXPECT_GE(limit, 0x7FFFFFFEu);
        close(window);
    });
    if (geometry) {
        EXPECT_EQ(dumpKey(HKEY_CURRENT_USER, settingsPath),
                  settingsDump(twips(standard.left), twips(standard.top), twips(standard.width),
                               twips(standard.height), 0));
    }
}

struct ClientCase {
    int width;
    int height;
};

TEST_F(ListingWindow, LaysOutTheControlsForTheClientArea) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    VOLMORA_SKIP_WHERE(PlatformLimit::noScreenDpi);  // every check here is in pixels
    putOneClass();
    // Client sizes in pixels, one after another; the layout needs more than 480 x 780 twips.
    const ClientCase cases[] = {
        {600, 300}, {900, 520},         {400, pixels(780) + 1}, {700, pixels(780)},
        {500, 40},  {pixels(480), 300}, {pixels(480) + 1, 300}, {640, 480},
    };
    list([&](HWND window) {
        const Controls controls = controlsOf(window);
        ASSERT_TRUE(controls.okCommand && controls.listingText);
        for (const auto& [width, height] : cases) {
            const Box textBefore = controlBox(window, controls.listingText);
            const Box buttonBefore = controlBox(window, controls.okCommand);
            const SIZE client = resizeClient(window, width, height);
            const Box text = controlBox(window, controls.listingText);
            const Box button = controlBox(window, controls.okCommand);
            const std::string where =
                std::to_string(client.cx) + " x " + std::to_string(client.cy) + " pixels";
            if (twips(client.cx) <= 480 || twips(client.cy) <= 780) {
                EXPECT_EQ(text, textBefore) << where;
                EXPECT_EQ(button, buttonBefore) << where;
                continue;
            }
            EXPECT_EQ(text, (Box{pixels(240), pixels(240), client.cx - pixels(480),
                                 client.cy - pixels(780)}))
                << where;
            EXPECT_EQ(button.top, client.cy - pixels(435)) << where;
            EXPECT_EQ(button.width, pixels(1335)) << where;
            EXPECT_EQ(button.height, pixels(375)) << where;
            // Centred: as far from the left as from the right, give or take the odd pixel.
            EXPECT_LE(std::abs(button.left - (client.cx - button.left - button.width)), 1) << where;
        }
        // The sizes at the limits were reached, not held off by the system.
        EXPECT_EQ(resizeClient(window, 700, pixels(780)).cy, pixels(780));
        close(window);
    });
}

TEST_F(ListingWindow, RestoresThePlacementSavedOnClose) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    VOLMORA_SKIP_WHERE(PlatformLimit::noScreenDpi);  // every check here is in pixels
    putOneClass();
    const Box moved{140, 100, 600, 340};
    list([&](HWND window) {
        SetWindowPos(window, nullptr, moved.left, moved.top, moved.width, moved.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        settle(window);
        close(window);
    });
    EXPECT_EQ(dumpKey(HKEY_CURRENT_USER, settingsPath),
              settingsDump(twips(140), twips(100), twips(600), twips(340), 0));

    list([&](HWND window) {
        EXPECT_EQ(placementOf(window), moved);
        EXPECT_FALSE(IsZoomed(window) || IsIconic(window));
        close(window);
    });
}

struct SettingsCase {
    const char* what;
    Values settings;
    Box expected;  // in twips
};

TEST_F(ListingWindow, OpensWhereTheSettingsSay) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    VOLMORA_SKIP_WHERE(PlatformLimit::noScreenDpi);  // every check here is in pixels
    putOneClass();
    const SettingsCase cases[] = {
        {"saved placement",
         {{L"MainLeft", L"2000"},
          {L"MainTop", L"1500"},
          {L"MainWidth", L"9000"},
          {L"MainHeight", L"5000"},
          {L"MainWindowState", L"0"}},
         {2000, 1500, 9000, 5000}},
        {"some settings",
         {{L"MainLeft", L"3000"}, {L"MainHeight", L"4500"}},
         {3000, 1000, 7965, 4500}},
        {"settings that are no numbers",
         {{L"MainLeft", L"left"},
          {L"MainTop", L"2400"},
          {L"MainWidth", L"9000 twips"},
          {L"MainWindowState", L"normal"}},
         {1000, 2400, 7965, 3600}},
        {"a state that is none of the three",
         {{L"MainWindowState", L"5"}},
         {1000, 1000, 7965, 3600}},
        {"off every screen",
         {{L"MainLeft", L"-300000"},
          {L"MainTop", L"-300000"},
          {L"MainWidth", L"9000"},
          {L"MainHeight", L"5000"}},
         {1000, 1000, 7965, 3600}},
    };
    for (const auto& [what, settings, expected] : cases) {
        deleteTree(HKEY_CURRENT_USER, settingsPath);
        putSettings(settings);
        list([&](HWND window) {
            EXPECT_EQ(placementOf(window), (Box{pixels(expected.left), pixels(expected.top),
                                                pixels(expected.width), pixels(expected.height)}))
                << what;
            EXPECT_FALSE(IsZoomed(window) || IsIconic(window)) << what;
            close(window);
        });
    }
}

TEST_F(ListingWindow, ClosedMaximizedKeepsTheNormalPlacementAndOpensMaximized) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    VOLMORA_SKIP_WHERE(PlatformLimit::noScreenDpi);  // every check here is in pixels
    putOneClass();
    const Box normal{140, 100, 600, 340};
    putSettings({{L"MainLeft", std::to_wstring(twips(normal.left))},
                 {L"MainTop", std::to_wstring(twips(normal.top))},
                 {L"MainWidth", std::to_wstring(twips(normal.width))},
                 {L"MainHeight", std::to_wstring(twips(normal.height))},
                 {L"MainWindowState", L"0"}});
    list([&](HWND window) {
        command(window, SC_MAXIMIZE);
        EXPECT_TRUE(waitFor([&] { return IsZoomed(window) != FALSE; }));
        close(window);
    });
    EXPECT_EQ(dumpKey(HKEY_CURRENT_USER, settingsPath),
              settingsDump(twips(140), twips(100), twips(600), twips(340), 2));

    list([&](HWND window) {
        EXPECT_TRUE(IsZoomed(window));
        command(window, SC_RESTORE);
        // The window may leave the maximized state a moment before it takes its normal size.
        EXPECT_TRUE(
            waitFor([&] { return IsZoomed(window) == FALSE && placementOf(window) == normal; }));
        EXPECT_EQ(placementOf(window), normal);
        close(window);
    });
    EXPECT_EQ(dumpKey(HKEY_CURRENT_USER, settingsPath),
              settingsDump(twips(140), twips(100), twips(600), twips(340), 0));
}

TEST_F(ListingWindow, ClosedMinimizedSavesNothing) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    putOneClass();
    putSettings({{L"MainLeft", L"2100"},
                 {L"MainTop", L"1500"},
                 {L"MainWidth", L"9000"},
                 {L"MainHeight", L"5100"},
                 {L"MainWindowState", L"2"}});
    const std::wstring before = dumpKey(HKEY_CURRENT_USER, settingsPath);
    list([&](HWND window) {
        command(window, SC_MINIMIZE);
        EXPECT_TRUE(waitFor([&] { return IsIconic(window) != FALSE; }));
        close(window);
    });
    EXPECT_EQ(dumpKey(HKEY_CURRENT_USER, settingsPath), before);

    deleteTree(HKEY_CURRENT_USER, settingsPath);
    list([&](HWND window) {
        command(window, SC_MINIMIZE);
        EXPECT_TRUE(waitFor([&] { return IsIconic(window) != FALSE; }));
        close(window);
    });
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, settingsPath));
}

struct KeyCase {
    const char* what;
    UINT key;
    bool onButton;  // else on the text
};

TEST_F(ListingWindow, ClosesWithEnterOrEscape) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    putOneClass();
    const KeyCase cases[] = {
        {"Enter on the button", VK_RETURN, true},
        {"Enter in the text", VK_RETURN, false},
        {"Escape in the text", VK_ESCAPE, false},
        {"Escape on the button", VK_ESCAPE, true},
    };
    for (const auto& [what, key, onButton] : cases) {
        deleteTree(HKEY_CURRENT_USER, settingsPath);
        list([&](HWND window) {
            const Controls controls = controlsOf(window);
            PostMessageW(onButton ? controls.okCommand : controls.listingText, WM_KEYDOWN, key, 1);
        });
        // Closed the ordinary way: the placement was saved.
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, settingsPath)) << what;
    }
}

TEST_F(ListingWindow, SelectsTheWholeTextWithCtrlA) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    putOneClass();
    list([&](HWND window) {
        const Controls controls = controlsOf(window);
        // The key state is the window thread's: share it for the moment the key arrives.
        const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
        ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), windowThread, TRUE));
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
        SetKeyboardState(keys);
        PostMessageW(controls.okCommand, WM_KEYDOWN, 'A', 1);
        // Ctrl stays down until the key has had its effect: the whole text selected. A message
        // sent meanwhile would be handled before the posted key and prove nothing.
        const auto length = static_cast<DWORD_PTR>(readListingText(window).size());
        DWORD_PTR selection = 0;
        const bool selected = waitFor([&] {
            SendMessageTimeoutW(controls.listingText, EM_GETSEL, 0, 0, SMTO_NORMAL, 5000,
                                &selection);
            return LOWORD(selection) == 0 && HIWORD(selection) == length;
        });
        keys[VK_CONTROL] = keys[VK_LCONTROL] = 0;
        SetKeyboardState(keys);
        AttachThreadInput(GetCurrentThreadId(), windowThread, FALSE);

        EXPECT_TRUE(selected);
        EXPECT_EQ(LOWORD(selection), 0u);
        EXPECT_EQ(HIWORD(selection), length);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(windowThread, &thread);
        EXPECT_EQ(thread.hwndFocus, controls.listingText);
        close(window);
    });
}

TEST_F(ListingWindow, ShowsTenThousandClassesWhole) {
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    constexpr int count = 10000;
    std::wstring expected;
    for (int i = 0; i < count; ++i) {
        wchar_t clsid[40];
        swprintf(clsid, 40, L"{%08X-0000-4000-8000-00000000CAFE}", i);
        const std::wstring n = std::to_wstring(i);
        putClass(clsid, {{L"ProgId", L"Big.Class" + n},
                         {L"JavaClassName", L"com.tamsiver.big.Class" + n},
                         {L"JvmId", L"BigJVM"}});
        expected += (i > 0 ? L"\r\n" : L"") + (L"Big.Class" + n) + L":\r\n    CLSID:          \t" +
                    clsid + L"\r\n    Java class:     \tcom.tamsiver.big.Class" + n +
                    L"\r\n    JVMID:          \tBigJVM\r\n    InprocServer32: \t?? missing ??";
    }
    std::wstring text;
    double secondsUntilShown = 0;
    const auto start = std::chrono::steady_clock::now();
    list(
        [&](HWND window) {
            secondsUntilShown =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            text = wholeText(controlsOf(window).listingText);
            close(window);
        },
        120000);
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);
    std::printf("A listing of %d classes was shown after %.2f s.\n", count, secondsUntilShown);
    RecordProperty("secondsUntilShown", std::to_string(secondsUntilShown));
}

}  // namespace
}  // namespace volmora::e2e
