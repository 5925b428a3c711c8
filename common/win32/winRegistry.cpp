// The registry interface over the Win32 registry calls.
#include "winRegistry.h"

#include <windows.h>

namespace volmora {

namespace {

HKEY hkey(KeyHandle key) {
    return reinterpret_cast<HKEY>(key.value);
}

KeyHandle keyHandle(HKEY key) {
    return KeyHandle{reinterpret_cast<std::uintptr_t>(key)};
}

REGSAM samOf(KeyAccess access) {
    return access == KeyAccess::read ? KEY_READ : KEY_ALL_ACCESS;
}

}  // namespace

long WinRegistry::createKey(KeyHandle parent, const std::wstring& path, KeyHandle& key) {
    HKEY created = nullptr;
    wchar_t emptyClass[] = L"";
    LONG result =
        RegCreateKeyExW(hkey(parent), path.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr);
    if (result == ERROR_SUCCESS) {
        key = keyHandle(created);
    }
    return result;
}

long WinRegistry::openKey(KeyHandle parent, const std::wstring& path, KeyAccess access,
                          KeyHandle& key) {
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(hkey(parent), path.c_str(), 0, samOf(access), &opened);
    if (result == ERROR_SUCCESS) {
        key = keyHandle(opened);
    }
    return result;
}

long WinRegistry::closeKey(KeyHandle key) {
    return RegCloseKey(hkey(key));
}

long WinRegistry::enumKey(KeyHandle key, std::uint32_t index, std::wstring& name) {
    wchar_t buffer[keyNameBuffer] = {};
    LONG result = RegEnumKeyW(hkey(key), index, buffer, keyNameBuffer);
    if (result == ERROR_SUCCESS) {
        name.assign(buffer);
    }
    return result;
}

long WinRegistry::deleteKey(KeyHandle parent, const std::wstring& path) {
    return RegDeleteKeyW(hkey(parent), path.c_str());
}

long WinRegistry::setValue(KeyHandle key, const std::wstring& name, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExW(hkey(key), name.c_str(), 0, type, data, size);
}

long WinRegistry::queryValue(KeyHandle key, const std::wstring& name, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* size) {
    DWORD storedType = 0;
    DWORD storedSize = size != nullptr ? *size : 0;
    LONG result = RegQueryValueExW(hkey(key), name.c_str(), nullptr, &storedType, data,
                                   size != nullptr ? &storedSize : nullptr);
    if (type != nullptr) {
        *type = storedType;
    }
    if (size != nullptr) {
        *size = storedSize;
    }
    return result;
}

long WinRegistry::queryDefaultValue(KeyHandle key, const std::wstring& subkey, std::uint8_t* data,
                                    std::uint32_t* size) {
    LONG storedSize = size != nullptr ? static_cast<LONG>(*size) : 0;
    LONG result = RegQueryValueW(hkey(key), subkey.c_str(), reinterpret_cast<wchar_t*>(data),
                                 size != nullptr ? &storedSize : nullptr);
    if (size != nullptr) {
        *size = static_cast<std::uint32_t>(storedSize);
    }
    return result;
}

long WinRegistry::setDefaultValue(KeyHandle key, const std::wstring& subkey,
                                  const std::wstring& text) {
    return RegSetValueW(hkey(key), subkey.c_str(), REG_SZ, text.c_str(),
                        static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

}  // namespace volmora
