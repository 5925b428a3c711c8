// Writing the registry a test starts from, through the real registry API; a failed write fails
// the test that asked for it.
#pragma once

#include <windows.h>

#include <string>

#include "harness.h"

namespace volmora::e2e {

void createKey(HKEY root, const std::wstring& path, RegistryView view = RegistryView::own);
// Creates the key when needed and sets the value: name "" is the key's default value.
void writeValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                const void* data, DWORD size, RegistryView view = RegistryView::own);
// A REG_SZ value with its terminator.
void writeText(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& text, RegistryView view = RegistryView::own);
// Copies the key with everything below it (the target is created when missing).
void copyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to);

}  // namespace volmora::e2e
