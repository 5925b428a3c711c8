// Starting a tool with an exact command line and answering its windows until it ends.
#include <algorithm>
#include <cwctype>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "harness.h"
#include "windowReading.h"

namespace volmora::e2e {

namespace {

constexpr DWORD pollIntervalMs = 20;
constexpr int startAttempts = 3;
constexpr DWORD retryDelayMs = 200;

class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() {
        if (handle_) {
            CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE release() { return std::exchange(handle_, nullptr); }

  private:
    HANDLE handle_;
};

std::wstring moduleFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            throw std::runtime_error("GetModuleFileNameW failed");
        }
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            return path.substr(0, path.find_last_of(L"\\/"));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return text;
}

// The harness's own environment with the changes applied, as a sorted environment block.
std::vector<wchar_t> environmentBlock(
    const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    std::map<std::wstring, std::wstring> variables;  // by upper-case name: name=value
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
            const std::wstring text(entry);
            // Skip the leading '=' of the hidden per-drive variables when looking for the name.
            const std::size_t equals = text.find(L'=', 1);
            variables[upper(text.substr(0, equals))] = text;
        }
        FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : changes) {
        if (value.empty()) {
            variables.erase(upper(name));
        } else {
            variables[upper(name)] = name + L"=" + value;
        }
    }
    std::vector<wchar_t> block;
    for (const auto& [key, entry] : variables) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
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

// A temporary file that a child process writes its standard output to: the handle is
// inheritable, and the file goes away when the last handle to it closes.
Handle outputFile() {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"out", 0, path) == 0) {
        throw std::runtime_error("cannot name a file for a program's output");
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE file = CreateFileW(
        path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &inheritable, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot create a file for a program's output");
    }
    return Handle(file);
}

std::string readWhole(HANDLE file) {
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    return text;
}

void readAndClose(HWND window, RunResult& result) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    result.listings.push_back({windowCaption(window), readListingText(window)});
    PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace

std::wstring builtToolPath(const std::wstring& toolName) {
    // The test programs live in <build>\e2e, the tools in <build>\bin.
    std::wstring folder = moduleFolder();
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    return folder + L"\\bin\\" + toolName + L".exe";
}

std::wstring e2eProgramPath(const std::wstring& name) {
    return moduleFolder() + L"\\" + name + L".exe";
}

RunResult runTool(const std::wstring& toolName, const std::wstring& argumentText,
                  const RunOptions& options) {
    const std::wstring program =
        options.program.empty() ? builtToolPath(toolName) : options.program;
    std::wstring commandLine = L"\"" + program + L"\" " + argumentText;
    std::vector<wchar_t> commandBuffer(commandLine.begin(), commandLine.end());
    commandBuffer.push_back(L'\0');

    std::vector<wchar_t> environment;
    if (!options.environment.empty()) {
        environment = environmentBlock(options.environment);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const Handle output(options.captureOutput ? outputFile().release() : nullptr);
    const Handle errors(options.captureErrors ? outputFile().release() : nullptr);
    const bool redirected = output.get() || errors.get();
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output.get() ? output.get() : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = errors.get() ? errors.get() : GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION process{};
    // Wine has been seen, rarely and not reproducibly, to refuse a start with ERROR_INTERNAL_ERROR
    // when nothing was wrong with the program or its command line: that one is tried again a few
    // times. Any other failure is final.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(program.c_str(), commandBuffer.data(), nullptr, nullptr,
                           redirected ? TRUE : FALSE, CREATE_UNICODE_ENVIRONMENT,
                           environment.empty() ? nullptr : environment.data(),
                           options.currentFolder.empty() ? nullptr : options.currentFolder.c_str(),
                           &startup, &process)) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == startAttempts) {
            throw std::runtime_error("CreateProcessW failed with error " + std::to_string(error));
        }
        Sleep(retryDelayMs);
    }
    const Handle processHandle(process.hProcess);
    const Handle threadHandle(process.hThread);

    RunResult result;
    std::set<HWND> answered;
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    while (WaitForSingleObject(processHandle.get(), pollIntervalMs) == WAIT_TIMEOUT) {
        if (GetTickCount64() >= deadline) {
            result.timedOut = true;
            TerminateProcess(processHandle.get(), 0xDEAD);
            WaitForSingleObject(processHandle.get(), 5000);
            break;
        }
        // A handle may be reused once its window is gone: forget windows that no longer exist.
        std::erase_if(answered, [](HWND window) { return !IsWindow(window); });
        for (HWND window : visibleWindowsOf(process.dwProcessId)) {
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
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    result.exitCode = exitCode;
    if (output.get()) {
        result.output = readWhole(output.get());
    }
    if (errors.get()) {
        result.errors = readWhole(errors.get());
    }
    return result;
}

}  // namespace volmora::e2e
