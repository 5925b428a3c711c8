// The Win32 side of volmoraConfig.
#include "win32/winConfigHost.h"

#include <windows.h>

#include <string>

#include "host/consoleStop.h"
#include "ownedHandles.h"
#include "programPath.h"
#include "utf8.h"

namespace volmora::config {

namespace {

constexpr DWORD lockWaitMilliseconds = 60'000;

// A console shows wide text as it is; a pipe or a file gets the bytes.
void writeTo(DWORD which, std::string_view bytes) {
    HANDLE stream = GetStdHandle(which);
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    if (GetConsoleMode(stream, &mode)) {
        const std::wstring text = fromUtf8(bytes);
        DWORD written = 0;
        WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // A closed stream takes nothing more; the exit code still tells.
    writeWhole(stream, bytes);
}

class WinOutputFile : public OutputFile {
  public:
    explicit WinOutputFile(FileHandle file) : file_(std::move(file)) {}
    long append(std::string_view bytes) override { return writeWhole(file_.get(), bytes); }

  private:
    FileHandle file_;
};

BOOL WINAPI onConsoleControl(DWORD event) {
    return consoleStop::onConsoleEvent(event) ? TRUE : FALSE;
}

static_assert(consoleStop::ctrlC == CTRL_C_EVENT && consoleStop::ctrlBreak == CTRL_BREAK_EVENT);

}  // namespace

WinConfigHost::~WinConfigHost() {
    catchStop(false);
}

long WinConfigHost::flushKey(KeyHandle root, const std::wstring& path) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(reinterpret_cast<HKEY>(root.value), path.c_str(), 0,
                                      KEY_QUERY_VALUE, &opened);
    const RegistryKey key(opened);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    return RegFlushKey(key.get());
}

void WinConfigHost::catchStop(bool on) {
    if (on != catching_ && SetConsoleCtrlHandler(onConsoleControl, on ? TRUE : FALSE)) {
        catching_ = on;
    }
}

bool WinConfigHost::stopRequested() {
    return consoleStop::asked();
}

void WinConfigHost::writeOut(std::string_view bytes) {
    writeTo(STD_OUTPUT_HANDLE, bytes);
}

void WinConfigHost::writeError(std::wstring_view line) {
    writeTo(STD_ERROR_HANDLE, utf8(line) + "\n");
}

long WinConfigHost::readFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return static_cast<long>(GetLastError());
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        return static_cast<long>(GetLastError());
    }
    if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        return fileTooLarge;
    }
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &read, nullptr)) {
            return static_cast<long>(GetLastError());
        }
        if (read == 0) {
            bytes.resize(done);  // the file shrank while it was read
            break;
        }
        done += read;
    }
    return ERROR_SUCCESS;
}

long WinConfigHost::createFile(const std::wstring& path, std::unique_ptr<OutputFile>& file) {
    FileHandle handle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        return static_cast<long>(GetLastError());
    }
    file = std::make_unique<WinOutputFile>(std::move(handle));
    return ERROR_SUCCESS;
}

long WinConfigHost::writeFile(const std::wstring& path, std::string_view bytes) {
    // A name of this run's own beside the file: on its volume, so that the move is a rename.
    const std::wstring temporary =
        path + L"." + std::to_wstring(GetCurrentProcessId()) + L".volmoraConfig.tmp";
    FileHandle handle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        return static_cast<long>(GetLastError());
    }
    long result = writeWhole(handle.get(), bytes);
    if (result == ERROR_SUCCESS && !FlushFileBuffers(handle.get())) {
        result = static_cast<long>(GetLastError());
    }
    handle.reset();
    if (result == ERROR_SUCCESS &&
        !MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        result = static_cast<long>(GetLastError());
    }
    if (result != ERROR_SUCCESS) {
        DeleteFileW(temporary.c_str());
    }
    return result;
}

long WinConfigHost::lock(std::wstring& why) {
    return lock_.take(lockWaitMilliseconds, why);
}

std::wstring WinConfigHost::programPath() {
    return ownProgramPath();
}

}  // namespace volmora::config
