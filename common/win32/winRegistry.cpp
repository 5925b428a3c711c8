// The registry interface over the Win32 registry calls.
#include "winRegistry.h"

#include <windows.h>

#include <algorithm>

namespace volmora {

namespace {

HKEY hkey(KeyHandle key) {
    return reinterpret_cast<HKEY>(key.value);
}

KeyHandle keyHandle(HKEY key) {
    return KeyHandle{reinterpret_cast<std::uintptr_t>(key)};
}

constexpr bool is32BitProgram = sizeof(void*) == 4;

// A 32-bit program has another view only under WoW64, on a 64-bit system; a 64-bit program
// always runs beside the 32-bit view.
bool otherViewExists() {
    if constexpr (!is32BitProgram) {
        return true;
    }
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

REGSAM samOf(KeyAccess access) {
    switch (access) {
        case KeyAccess::read:
            return KEY_READ;
        case KeyAccess::readOtherView:
            return KEY_READ | (is32BitProgram ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
        case KeyAccess::allAccess:
            break;
    }
    return KEY_ALL_ACCESS;
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
    // Without the other view the flag would be ignored and this program's own keys found.
    if (access == KeyAccess::readOtherView && !otherViewExists()) {
        return ERROR_FILE_NOT_FOUND;
    }
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
    wchar_t buffer[keyNameBuffer];  // the system writes the name and its NUL
    LONG result = RegEnumKeyW(hkey(key), index, buffer, keyNameBuffer);
    if (result == ERROR_SUCCESS) {
        name.assign(buffer);
    }
    return result;
}

long WinRegistry::countSubkeys(KeyHandle key, std::uint32_t& count) {
    DWORD subkeys = 0;
    const LONG result = RegQueryInfoKeyW(hkey(key), nullptr, nullptr, nullptr, &subkeys, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) {
        count = subkeys;
    }
    return result;
}

long WinRegistry::deleteKey(KeyHandle parent, const std::wstring& path) {
    return RegDeleteKeyW(hkey(parent), path.c_str());
}

long WinRegistry::enumValue(KeyHandle key, std::uint32_t index, std::wstring& name,
                            std::uint32_t& type, std::vector<std::uint8_t>& data) {
    // A value name holds at most 16,383 characters; the buffer takes the longest with its NUL.
    constexpr DWORD nameCapacity = 16384;
    constexpr std::size_t firstDataBytes = 512;
    if (!valueName_) {
        valueName_ = std::make_unique_for_overwrite<wchar_t[]>(nameCapacity);
    }
    // Grown once to what the caller's values need, never cleared: the system writes the data.
    if (data.capacity() < firstDataBytes) {
        data.reserve(firstDataBytes);
    }
    data.resize(data.capacity());
    for (;;) {
        DWORD nameLength = nameCapacity;
        DWORD storedType = 0;
        auto dataSize = static_cast<DWORD>(data.size());
        LONG result = RegEnumValueW(hkey(key), index, valueName_.get(), &nameLength, nullptr,
                                    &storedType, data.data(), &dataSize);
        if (result == ERROR_MORE_DATA) {
            // The value may grow between two calls: ask again with what it needs now.
            data.resize(std::max<std::size_t>(dataSize, 2 * data.size()));
            continue;
        }
        if (result == ERROR_SUCCESS) {
            name.assign(valueName_.get(), nameLength);
            type = storedType;
            data.resize(dataSize);
        }
        return result;
    }
}

long WinRegistry::deleteValue(KeyHandle key, const std::wstring& name) {
    return RegDeleteValueW(hkey(key), name.c_str());
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
