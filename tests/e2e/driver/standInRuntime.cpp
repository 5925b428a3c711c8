// The stand-in runtime of ./run --runtime: one file copy and one registry value.
#include "standInRuntime.h"

#include <windows.h>

#include <stdexcept>
#include <string>

#include "classRecord.h"
#include "harness.h"
#include "ownedHandles.h"
#include "utf8.h"

namespace volmora::e2e {

namespace {

[[noreturn]] void fail(const std::string& step, DWORD error) {
    throw std::runtime_error(step + " failed with error " + std::to_string(error));
}

}  // namespace

std::wstring putStandInRuntime() {
    wchar_t systemFolder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        fail("GetSystemDirectory", GetLastError());
    }
    // The path as every process sees it: a 32-bit one has System32 redirected to its own folder.
    const std::wstring target = std::wstring(systemFolder, length) + L"\\VOLM.dll";
    const std::wstring source = standInRuntimePath();
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        fail("copying " + utf8(source) + " to " + utf8(target), GetLastError());
    }
    HKEY created = nullptr;
    const std::wstring key(bridgeRuntimeServerKey);
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        fail("creating HKEY_CLASSES_ROOT\\" + utf8(key), static_cast<DWORD>(status));
    }
    const RegistryKey server(created);
    const auto bytes = static_cast<DWORD>((target.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(server.get(), nullptr, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(target.c_str()), bytes);
    if (status != ERROR_SUCCESS) {
        fail("writing the default value of HKEY_CLASSES_ROOT\\" + utf8(key),
             static_cast<DWORD>(status));
    }
    return target;
}

}  // namespace volmora::e2e
