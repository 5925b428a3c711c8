// volmoraRun's Win32 side: CreateProcessW with VOLMORA_LOG naming a unique temporary file, the
// wait, the exit code, and output in UTF-8 (on a console, as wide text).
#include "winRunnerSystem.h"

#include <windows.h>

#include "fileHandle.h"
#include "lockedAppend.h"
#include "outcomeLog.h"
#include "pathText.h"

namespace volmora::runner {

namespace {

constexpr DWORD longPath = 32768;

std::string utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string utf8Lines(const std::vector<std::wstring>& lines) {
    std::string out;
    for (const std::wstring& line : lines) {
        out += utf8(line);
        out += "\r\n";
    }
    return out;
}

// A file of the run's own, made unique by GetTempFileNameW and deleted when the run is over.
class TemporaryFile {
  public:
    TemporaryFile() {
        std::wstring folder(MAX_PATH + 1, L'\0');
        const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
        if (length == 0 || length > folder.size()) {
            error_ = GetLastError();
            return;
        }
        folder.resize(length);
        std::wstring name(MAX_PATH + 1, L'\0');
        if (GetTempFileNameW(folder.c_str(), L"vmr", 0, name.data()) == 0) {
            error_ = GetLastError();
            return;
        }
        path_ = name.c_str();
    }
    ~TemporaryFile() {
        if (!path_.empty()) {
            DeleteFileW(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& path() const { return path_; }
    DWORD error() const { return error_; }

    std::string contents() const {
        FileHandle file(CreateFileW(path_.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        std::string out;
        if (!file.valid()) {
            return out;
        }
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
            out.append(buffer, read);
        }
        return out;
    }

  private:
    std::wstring path_;
    DWORD error_ = 0;
};

ProgramRun notStarted(std::wstring step) {
    ProgramRun run;
    run.error = GetLastError();
    run.failedStep = std::move(step);
    return run;
}

}  // namespace

std::wstring WinRunnerSystem::ownFolder() {
    std::wstring path(longPath, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), longPath);
    path.resize(length < longPath ? length : 0);
    return parentFolderName(path);
}

ProgramRun WinRunnerSystem::run(const std::wstring& programPath, const std::wstring& commandLine) {
    const TemporaryFile log;
    if (log.path().empty()) {
        SetLastError(log.error());
        return notStarted(L"no temporary file for its outcome log:");
    }
    // The child inherits the runner's environment; the runner itself writes no record.
    if (!SetEnvironmentVariableW(std::wstring(outcomeLogVariable).c_str(), log.path().c_str())) {
        return notStarted(L"SetEnvironmentVariable");
    }
    std::wstring line = commandLine;  // CreateProcessW may write into its command line
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(programPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return notStarted(L"CreateProcess");
    }
    const FileHandle processHandle(process.hProcess);
    const FileHandle threadHandle(process.hThread);
    DWORD exitCode = 0;
    if (WaitForSingleObject(processHandle.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(processHandle.get(), &exitCode)) {
        return notStarted(L"waiting for it:");
    }
    ProgramRun run;
    run.started = true;
    run.exitCode = exitCode;
    run.log = log.contents();
    return run;
}

void WinRunnerSystem::print(const std::vector<std::wstring>& lines) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;  // no standard output (a windowed parent): the exit code still tells
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(output, &mode)) {
        // A console shows wide text whatever its code page.
        for (const std::wstring& line : lines) {
            const std::wstring text = line + L"\r\n";
            WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
        return;
    }
    const std::string bytes = utf8Lines(lines);
    WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::uint32_t WinRunnerSystem::appendToFile(const std::wstring& path,
                                            const std::vector<std::wstring>& lines) {
    return appendUnderLock(path, utf8Lines(lines));
}

}  // namespace volmora::runner
