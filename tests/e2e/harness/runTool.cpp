// Starting a tool with an exact command line and answering its windows until it ends.
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "childProcess.h"
#include "harness.h"
#include "utf8.h"
#include "windowReading.h"

namespace volmora::e2e {

namespace {

constexpr DWORD pollIntervalMs = 20;

// The folder the path names a file in.
std::wstring folderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L"\\/"));
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> windows;
};

// A named callback, not a lambda: the 32-bit system calls it with the stdcall convention.
BOOL CALLBACK collectVisibleWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window)) {
        search.windows.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> visibleWindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(collectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

void readAndClose(HWND window, RunResult& result) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    result.listings.push_back({windowCaption(window), readListingText(window)});
    PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace

std::wstring buildFolder() {
    const std::wstring program = ownProgramPath();
    if (program.empty()) {
        throw std::runtime_error("GetModuleFileNameW failed");
    }
    return folderOf(folderOf(program));
}

std::wstring builtToolPath(const std::wstring& toolName) {
    return buildFolder() + L"\\bin\\" + toolName + L".exe";
}

std::wstring e2eProgramPath(const std::wstring& name) {
    return folderOf(ownProgramPath()) + L"\\" + name + L".exe";
}

std::wstring standInRuntimePath() {
    return buildFolder() + L"\\testFiles\\VOLM.dll";
}

std::wstring probeProgramPath(const std::wstring& name) {
    return buildFolder() + L"\\probes\\" + name + L".exe";
}

RunResult runTool(const std::wstring& toolName, const std::wstring& argumentText,
                  const RunOptions& options) {
    const std::wstring program =
        options.program.empty() ? builtToolPath(toolName) : options.program;
    ChildStart start;
    start.image = program;
    start.commandLine = L"\"" + program + L"\" " + argumentText;
    for (const auto& [name, value] : options.environment) {
        if (value.empty()) {
            start.removedVariables.push_back(name);
        } else {
            start.environment.emplace_back(name, value);
        }
    }
    start.currentFolder = options.currentFolder;
    start.captureOutput = options.captureOutput || options.captureErrors;
    start.separateErrors = options.captureErrors;
    // The child helper tries a start that Wine refuses with ERROR_INTERNAL_ERROR again itself.
    const auto child = std::make_unique<ChildProcess>(start);
    if (!child->started()) {
        throw std::runtime_error(utf8(child->failedStep()) + " failed with error " +
                                 std::to_string(child->error()));
    }

    RunResult result;
    std::set<HWND> answered;
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    while (!child->wait(pollIntervalMs)) {
        if (GetTickCount64() >= deadline) {
            result.timedOut = true;
            child->terminate(0xDEAD);
            break;
        }
        // A handle may be reused once its window is gone: forget windows that no longer exist.
        std::erase_if(answered, [](HWND window) { return !IsWindow(window); });
        for (HWND window : visibleWindowsOf(child->id())) {
            if (answered.count(window) != 0) {
                continue;
            }
            answered.insert(window);
            if (isMessageBox(window)) {
                result.boxes.push_back(readMessageBox(window));
                PostMessageW(window, WM_COMMAND, IDOK, 0);
            } else if (options.onWindow) {
                options.onWindow(window);
            } else {
                readAndClose(window, result);
            }
        }
    }
    const ChildProcess::ExitStatus status = child->exitStatus();
    if (!status.read) {
        throw std::runtime_error("the exit code of " + utf8(toolName) + " cannot be read: error " +
                                 std::to_string(status.error));
    }
    result.exitCode = status.code;
    if (start.captureOutput) {
        result.output = child->output();
        result.errors = child->errors();
    }
    return result;
}

}  // namespace volmora::e2e
