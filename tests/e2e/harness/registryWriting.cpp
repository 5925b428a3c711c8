// Writing the registry a test starts from, through the real registry API.
#include "registryWriting.h"

#include <gtest/gtest.h>

#include "expectations.h"
#include "ownedHandles.h"

namespace volmora::e2e {

namespace {

RegistryKey created(HKEY root, const std::wstring& path, RegistryView view = RegistryView::own) {
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | viewAccess(view),
                        nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "creating " << narrow(path);
    return RegistryKey(status == ERROR_SUCCESS ? key : nullptr);
}

}  // namespace

void createKey(HKEY root, const std::wstring& path, RegistryView view) {
    created(root, path, view);
}

void writeValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                const void* data, DWORD size, RegistryView view) {
    const RegistryKey key = created(root, path, view);
    if (key.valid()) {
        EXPECT_EQ(
            RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS)
            << "setting " << narrow(path) << " value " << narrow(name);
    }
}

void writeText(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& text, RegistryView view) {
    writeValue(root, path, name, REG_SZ, text.c_str(),
               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), view);
}

void copyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyExW(fromRoot, from.c_str(), 0, KEY_READ, &opened);
    const RegistryKey source(status == ERROR_SUCCESS ? opened : nullptr);
    ASSERT_EQ(status, ERROR_SUCCESS) << "opening " << narrow(from);
    const RegistryKey target = created(toRoot, to);
    if (target.valid()) {
        EXPECT_EQ(RegCopyTreeW(source.get(), nullptr, target.get()), ERROR_SUCCESS)
            << "copying " << narrow(from);
    }
}

}  // namespace volmora::e2e
