// volmoraRun's Win32 side: the program started in a job of its own with VOLMORA_LOG naming a
// unique temporary file in its environment alone, the bounded wait, the exit code, and output in
// UTF-8 (on a console, as wide text).
#include "winRunnerSystem.h"

#include <windows.h>

#include "childProcess.h"
#include "fileHandle.h"
#include "lockedAppend.h"
#include "outcomeLog.h"
#include "pathText.h"
#include "utf8.h"

namespace volmora::runner {

namespace {

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

ProgramRun notStarted(std::wstring step, DWORD error) {
    ProgramRun run;
    run.ending = ProgramEnding::notStarted;
    run.error = error;
    run.failedStep = std::move(step);
    return run;
}

struct BoxSearch {
    DWORD processId;
    std::vector<std::wstring> texts;
};

BOOL CALLBACK collectBoxText(HWND window, LPARAM found) {
    auto& search = *reinterpret_cast<BoxSearch*>(found);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[8] = {};
    GetClassNameW(window, className, 8);
    const HWND text = GetDlgItem(window, 0xFFFF);  // a message box's text
    if (owner != search.processId || !IsWindowVisible(window) ||
        std::wstring_view(className) != L"#32770" || text == nullptr) {
        return TRUE;
    }
    // Each read is bounded: the process may not answer.
    constexpr UINT boundMs = 1000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(text, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, boundMs, &length)) {
        return TRUE;
    }
    std::wstring buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(text, WM_GETTEXT, buffer.size(),
                            reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, boundMs,
                            &copied)) {
        buffer.resize(copied < length ? copied : length);
        search.texts.push_back(std::move(buffer));
    }
    return TRUE;
}

// The texts of the message boxes that a process shows.
std::vector<std::wstring> messageBoxTexts(DWORD processId) {
    BoxSearch search{processId, {}};
    EnumWindows(collectBoxText, reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

void writeLines(DWORD which, const std::vector<std::wstring>& lines) {
    const HANDLE output = GetStdHandle(which);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;  // no such output (a windowed parent): the exit code still tells
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

}  // namespace

std::wstring WinRunnerSystem::ownFolder() {
    return parentFolderName(ownProgramPath());
}

ProgramRun WinRunnerSystem::run(const std::wstring& programPath, const std::wstring& commandLine,
                                std::uint32_t timeoutSeconds) {
    const TemporaryFile log;
    if (log.path().empty()) {
        return notStarted(L"no temporary file for its outcome log:", log.error());
    }
    ChildStart start;
    start.image = programPath;
    start.commandLine = commandLine;
    // For the child alone: the runner writes no record of its own, and a caller's VOLMORA_LOG
    // stays as it was.
    start.environment = {{std::wstring(outcomeLogVariable), log.path()}};
    start.inJob = true;
    ChildProcess child(start);
    if (!child.started()) {
        return notStarted(child.failedStep(), child.error());
    }
    ProgramRun run;
    if (!child.wait(timeoutSeconds * 1000)) {
        run.waitingBoxes = messageBoxTexts(child.id());
        child.terminate(ERROR_TIMEOUT);
        run.ending = ProgramEnding::timedOut;
        return run;
    }
    const ChildProcess::ExitStatus status = child.exitStatus();
    if (!status.read) {
        run.ending = ProgramEnding::exitCodeUnread;
        run.error = status.error;
        return run;
    }
    run.exitCode = status.code;
    run.log = log.contents();
    return run;
}

void WinRunnerSystem::print(const std::vector<std::wstring>& lines) {
    writeLines(STD_OUTPUT_HANDLE, lines);
}

void WinRunnerSystem::printError(const std::vector<std::wstring>& lines) {
    writeLines(STD_ERROR_HANDLE, lines);
}

std::uint32_t WinRunnerSystem::appendToFile(const std::wstring& path,
                                            const std::vector<std::wstring>& lines) {
    return appendUnderLock(path, utf8Lines(lines));
}

}  // namespace volmora::runner
