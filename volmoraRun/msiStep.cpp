// volmoraMsiStep.dll: a Windows Installer custom action that runs volmoraRun and writes what it
// prints into the installer's log, which an exe action's output never reaches (measured under
// Wine's msiexec); a DLL action's messages do. Deferred, its command line is its
// CustomActionData:
//   "<path of volmoraRun.exe>" <volmoraRun's arguments>
// It fails the install (ERROR_INSTALL_FAILURE) when volmoraRun ends with anything but 0.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>

#include "fileHandle.h"
#include "outputLines.h"

namespace {

using volmora::FileHandle;

class MsiRecord {
  public:
    explicit MsiRecord(unsigned fields) : handle_(MsiCreateRecord(fields)) {}
    ~MsiRecord() {
        if (handle_ != 0) {
            MsiCloseHandle(handle_);
        }
    }
    MsiRecord(const MsiRecord&) = delete;
    MsiRecord& operator=(const MsiRecord&) = delete;
    MSIHANDLE get() const { return handle_; }

  private:
    MSIHANDLE handle_;
};

// One line into the installer's log, as it is: field 0, the template, only names field 1.
void logLine(MSIHANDLE install, const std::wstring& line) {
    const MsiRecord record(1);
    MsiRecordSetStringW(record.get(), 0, L"[1]");
    MsiRecordSetStringW(record.get(), 1, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

std::wstring actionData(MSIHANDLE install) {
    DWORD size = 0;
    wchar_t empty[1] = {};
    MsiGetPropertyW(install, L"CustomActionData", empty, &size);
    std::wstring data(size + 1, L'\0');
    size = static_cast<DWORD>(data.size());
    if (MsiGetPropertyW(install, L"CustomActionData", data.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    data.resize(size);
    return data;
}

UINT failed(MSIHANDLE install, const std::wstring& what) {
    logLine(install, L"volmoraMsiStep: " + what + L": error=" + std::to_wstring(GetLastError()));
    return ERROR_INSTALL_FAILURE;
}

}  // namespace

extern "C" UINT __stdcall RunVolmoraStep(MSIHANDLE install) {
    std::wstring commandLine = actionData(install);
    if (commandLine.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return failed(install, L"no command line in CustomActionData");
    }
    logLine(install, L"volmoraMsiStep: " + commandLine);

    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) {
        return failed(install, L"CreatePipe");
    }
    const FileHandle reading(readEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION process{};
    {
        const FileHandle writing(writeEnd);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &process)) {
            return failed(install, L"cannot start volmoraRun");
        }
    }  // only the child holds the write end now: reading ends when it does
    const FileHandle processHandle(process.hProcess);
    const FileHandle threadHandle(process.hThread);

    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        output.append(buffer, read);
    }
    DWORD exitCode = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &exitCode)) {
        return failed(install, L"waiting for volmoraRun");
    }
    for (const std::string& line : volmora::runner::outputLines(output)) {
        logLine(install, wide(line));
    }
    return exitCode == 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}
