// The Win32 implementations of the frame's message boxes, file system and process services.
#include "winPlatform.h"

#include <objbase.h>

#include <algorithm>

#include "lockedAppend.h"
#include "programPath.h"
#include "toolUtil.h"

namespace volmora {

namespace {

UINT iconStyle(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::exclamation:
            return MB_ICONEXCLAMATION;
        case MessageIcon::information:
            return MB_ICONINFORMATION;
        case MessageIcon::stop:
            return MB_ICONSTOP;
    }
    return 0;
}

}  // namespace

void WinMessageBoxes::show(MessageIcon icon, const std::wstring& caption,
                           const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_APPLMODAL | iconStyle(icon));
}

std::wstring WinFileSystem::absolutePathName(const std::wstring& path) {
    std::wstring absolute = growingBufferText([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(path.c_str(), size, buffer, nullptr);
    });
    if (absolute.empty()) {
        // Wine fails an empty path without setting an error code; an internal error numbered 0
        // would end the process with the exit code of success.
        DWORD error = GetLastError();
        if (error == ERROR_SUCCESS) {
            error = ERROR_INVALID_NAME;
        }
        raiseToolError(static_cast<std::int32_t>(error),
                       L"Can't make an absolute path of \"" + path + L"\"");
    }
    return absolute;
}

bool WinFileSystem::fileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring WinSystem::moduleFileName() {
    std::wstring path = ownProgramPath();
    if (path.empty()) {
        raiseToolError(static_cast<std::int32_t>(GetLastError()), L"Can't get the program path");
    }
    return path;
}

std::wstring WinSystem::commandLine() {
    return GetCommandLineW();
}

std::wstring WinSystem::environmentVariable(const std::wstring& name) {
    return growingBufferText([&](wchar_t* buffer, DWORD size) {
        return GetEnvironmentVariableW(name.c_str(), buffer, size);
    });
}

std::int32_t WinSystem::createFileSystem(std::unique_ptr<FileSystem>& fileSystem) {
    // A multithreaded apartment: a single-threaded one would create a hidden window and load the
    // display driver, which costs more than everything else a silent run does.
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(result)) {
        return result;
    }
    CLSID classId{};
    result = CLSIDFromProgID(L"Scripting.FileSystemObject", &classId);
    if (FAILED(result)) {
        return result;
    }
    ComPtr<IDispatch> object;
    result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IDispatch, object.putVoid());
    if (FAILED(result)) {
        return result;
    }
    fileSystem = std::make_unique<WinFileSystem>(std::move(object));
    return S_OK;
}

UtcTime WinSystem::utcNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
}

std::uint32_t WinSystem::processId() {
    return GetCurrentProcessId();
}

void WinSystem::appendToFile(const std::wstring& path, std::string_view bytes) {
    // A record holds a command line of at most 32,767 characters and messages made from it: far
    // below what one write takes. A log that cannot be written changes nothing about the run.
    appendUnderLock(path, bytes);
}

void WinSystem::endProcess(std::uint32_t exitCode) {
    ExitProcess(exitCode);
}

}  // namespace volmora
