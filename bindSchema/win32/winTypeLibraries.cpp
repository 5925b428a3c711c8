// The type library services of bindSchema on Windows.
#include "winTypeLibraries.h"

#include <oleauto.h>

#include "lastError.h"
#include "programPath.h"
#include "toolUtil.h"
#include "winPlatform.h"

namespace volmora {

namespace {

constexpr wchar_t runtimeLibraryName[] = L"VOLM.dll";
constexpr char unregisterExportName[] = "UnregisterTypeLibrary";

std::wstring programFileName() {
    std::wstring path = ownProgramPath();
    if (path.empty()) {
        raiseLastError(L"Can't get the program path");
    }
    return path;
}

// The folder of a full file name with its trailing separator ("C:\VOLM\bin\"), so that a program
// in a drive's root gives "C:\", never the drive-relative "C:".
std::wstring folderOf(const std::wstring& fileName) {
    std::size_t separator = fileName.find_last_of(L"\\/");
    return separator == std::wstring::npos ? fileName : fileName.substr(0, separator + 1);
}

}  // namespace

std::int32_t WinTypeLibraries::load(const std::wstring& path) {
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, loaded_.put());
}

std::int32_t WinTypeLibraries::registerLoaded(const std::wstring& path,
                                              const std::wstring& helpDir) {
    // RegisterTypeLib takes writable strings; it only reads them.
    std::wstring fullPath = path;
    std::wstring helpFolder = helpDir;
    return RegisterTypeLib(loaded_.get(), fullPath.data(), helpFolder.data());
}

std::int32_t WinTypeLibraries::unregisterLoaded() {
    return unregisterFunction()(loaded_.get());
}

WinTypeLibraries::UnregisterFunction WinTypeLibraries::unregisterFunction() {
    if (unregister_ != nullptr) {
        return unregister_;
    }
    // The runtime library is found by file name, but never in the current folder: a VOLM.dll
    // planted in the folder an elevated installer runs from must not be loaded. A DLL directory
    // takes the place of the current folder in the search; the program's own folder (searched
    // first anyway) serves as one. An empty DLL directory would do the same on Windows, but Wine
    // treats it as none and keeps the current folder. The system folders and PATH stay.
    std::wstring programFolder = folderOf(programFileName());
    if (!SetDllDirectoryW(programFolder.c_str())) {
        raiseLastError(L"Can't take the current folder out of the library search");
    }
    // The number says why the load failed: 126 not found, 193 not a library of this
    // architecture, 1114 its start-up failed.
    LoadedModule runtime(LoadLibraryW(runtimeLibraryName));
    if (!runtime) {
        raiseLastError(L"Can't load " + std::wstring(runtimeLibraryName));
    }
    FARPROC address = GetProcAddress(runtime.get(), unregisterExportName);
    if (address == nullptr) {
        raiseLastError(L"Can't find DLL entry point UnregisterTypeLibrary in " +
                       std::wstring(runtimeLibraryName));
    }
    // Through a function type without parameters: the cast between unrelated function pointer
    // types is what GetProcAddress requires.
    unregister_ = reinterpret_cast<UnregisterFunction>(reinterpret_cast<void (*)()>(address));
    runtime_ = std::move(runtime);
    return unregister_;
}

}  // namespace volmora
