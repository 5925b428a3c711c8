// The sample product that both sample installers (the NSIS setup and the MSI package) configure
// with the programs: its registry keys, what the programs write into them, and where the build
// puts the installers and the stand-in runtime library. Its names come from the file that the
// installers take them from (sampleIdentifiers.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "sampleIdentifiers.h"

namespace volmora::e2e::sample {

inline const std::wstring configRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";
inline const std::wstring typeLibKey = L"TypeLib\\" + typeLibId;
// The runtime's own COM registration: without it, bindObject names VOLM.dll beside itself.
inline const std::wstring runtimeRegistration =
    L"CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}\\InprocServer32";

struct Key {
    HKEY root;
    std::wstring path;
};

// Every key that the programs create for the sample, each of which uninstalling must remove.
std::vector<Key> registeredKeys();

// Every key of registeredKeys with everything below it, as dumpKey gives it: for comparing the
// registry before and after a run that must leave it as it found it.
std::wstring registeredState();

// Type libraries and the ProgID keys are one set for both registry views. The type library's
// interface keys are per view on Windows (Microsoft lists HKCR\Interface among the redirected
// keys) and one set under Wine's WoW64 mode (measured): counted here as shared, so that the other
// view is not checked. The rest is per view.
bool sharedByBothViews(const Key& key);

// A key that registering the type library writes for one of its interfaces (Interface\{iid}).
bool isInterfaceKey(const Key& key);

struct ExpectedKey {
    HKEY root;
    std::wstring path;
    std::wstring dump;  // as dumpKey gives it
};

// What the four programs write for the sample installed into that folder, value by value; the
// JVM names that library, or, when none is given, the private Java runtime's in that folder.
std::vector<ExpectedKey> configuredKeys(const std::wstring& installFolder,
                                        const std::wstring& runtimeLibrary,
                                        const std::wstring& jvmLibrary = L"");

// The newest file of the build's packages folder whose name starts and ends so.
std::wstring newestPackage(const std::wstring& prefix, const std::wstring& suffix);

}  // namespace volmora::e2e::sample
