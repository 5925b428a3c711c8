// The end-to-end harness: runs the real tools with an exact command line, answers and records
// their message boxes and windows, and reads the registry back through the real registry API.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace volmora::e2e {

enum class BoxIcon { none, exclamation, information, stop, question };

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    BoxIcon icon;
};

struct ListingSeen {
    std::wstring caption;
    std::wstring text;
};

// The build under test: the end-to-end program is built for the same architecture as the tools
// it runs, so a 32-bit harness is testing the i686 programs (under WoW64).
constexpr bool testingI686Build = sizeof(void*) == 4;

// Where a registry read or deletion of the harness looks: in the harness's own view (the 32-bit
// one in the i686 run, as for the tools it tests), or in one of the two views named explicitly.
enum class RegistryView { own, bits32, bits64 };
// The view of the other architecture, whose records and class keys the tools under test never
// write (the ProgID and type library keys are one set for both views).
constexpr RegistryView otherView = testingI686Build ? RegistryView::bits64 : RegistryView::bits32;
// The access flag that selects the view (none for the harness's own).
REGSAM viewAccess(RegistryView view);

struct RunOptions {
    std::wstring program;        // full path of the exe to run; empty: the built tool of that name
    std::wstring currentFolder;  // empty: the harness's own current folder
    std::vector<std::pair<std::wstring, std::wstring>> environment;  // empty value: remove
    DWORD timeoutMs = 30000;  // the run fails (timedOut) and the process is killed after it
    // Called for each top-level window of the process that is not a message box (the listing
    // window); it may inspect, resize or close it. Default: read caption and text, then close
    // it with WM_CLOSE (so the program ends normally).
    std::function<void(HWND window)> onWindow;
    // Collect what the program writes to its standard output (and standard error, unless
    // captureErrors keeps that apart); its standard input is then none.
    bool captureOutput = false;
    bool captureErrors = false;  // collect the standard error on its own, into errors
};

struct RunResult {
    std::uint32_t exitCode = 0;
    bool timedOut = false;
    std::vector<MessageBoxSeen> boxes;  // every message box, in order; each dismissed with OK
    std::vector<ListingSeen> listings;  // filled by the default window handler
    std::string output;  // the standard output (and error, unless kept apart), when captured
    std::string errors;  // the standard error, with captureErrors
};

// Starts the tool with CreateProcessW and the exact command line
// "\"<program path>\" " + argumentText (quotes, tabs, blank runs reach it verbatim), answers its
// windows until it ends, and returns what was seen.
RunResult runTool(const std::wstring& toolName, const std::wstring& argumentText,
                  const RunOptions& options = {});

// The build under test, <build>: the end-to-end programs lie in <build>\e2e.
std::wstring buildFolder();
// The built program of that name, e.g. ...\bin\bindObject.exe.
std::wstring builtToolPath(const std::wstring& toolName);
// A program of the probes that the benchmark uses too, e.g. <build>\probes\comFloor.exe.
std::wstring probeProgramPath(const std::wstring& name);
// The stand-in runtime library that the build makes for the tests (in testFiles\ beside bin\):
// its UnregisterTypeLibrary removes a type library's registration as VOLM.dll does.
std::wstring standInRuntimePath();
// A helper program built beside the end-to-end tests, e.g. ...\e2e\comClient.exe.
std::wstring e2eProgramPath(const std::wstring& name);

// The text of the window's first edit control (the listing text), read across processes.
std::wstring readListingText(HWND window);
std::wstring windowCaption(HWND window);

// Every subkey and value below the key, sorted by name: one line "[relative\path]" per key ("[]"
// for the key itself), then one line per value: "<name>=<type> <data>" with "@" for the default
// value; string data in double quotes with every code unit kept (a NUL shows as "\0", so the
// terminator is visible), REG_DWORD as 0x%08X, anything else as hex bytes. Lines end with "\n".
// Empty text when the key is missing.
std::wstring dumpKey(HKEY root, const std::wstring& path, RegistryView view = RegistryView::own);
// The line dumpKey writes for a REG_SZ value holding text with its terminator:
// <name>=REG_SZ "<text>\0" with backslashes doubled ("@" for name "", the default value).
std::wstring textLine(const std::wstring& name, const std::wstring& text);
bool keyExists(HKEY root, const std::wstring& path, RegistryView view = RegistryView::own);
// Deletes the key with everything below it; no error when it is missing.
void deleteTree(HKEY root, const std::wstring& path, RegistryView view = RegistryView::own);

const wchar_t* boxIconName(BoxIcon icon);

}  // namespace volmora::e2e
