// The Win32 side of volmoraConfig.
#include "winConfigHost.h"

#include <windows.h>

#include "childProcess.h"
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
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written == 0) {
            return;  // a closed stream takes nothing more; the exit code still tells
        }
        bytes.remove_prefix(written);
    }
}

}  // namespace

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

long WinConfigHost::writeFile(const std::wstring& path, std::string_view bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return static_cast<long>(GetLastError());
    }
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr)) {
            return static_cast<long>(GetLastError());
        }
        bytes.remove_prefix(written);
    }
    return ERROR_SUCCESS;
}

long WinConfigHost::lock(std::wstring& why) {
    return lock_.take(lockWaitMilliseconds, why);
}

std::wstring WinConfigHost::programPath() {
    return ownProgramPath();
}

}  // namespace volmora::config
