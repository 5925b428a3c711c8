// The COM keys of a class below HKEY_CLASSES_ROOT, described once: registration writes them in
// this order and unregistration deletes exactly these, leaves first.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registry.h"

namespace volmora {

// The in-process server subkey of the COM class key; it also carries the threading model.
inline constexpr std::wstring_view inprocServerSubkey = L"InprocServer32";
// The threading model value of the in-process server key: objects of a bridged class may live in
// any apartment.
inline constexpr std::wstring_view threadingModelValue = L"ThreadingModel";
inline constexpr std::wstring_view threadingModel = L"both";

// A subkey whose default value registration sets.
struct SubkeyDefault {
    std::wstring_view subkey;
    std::wstring text;
};

// A key of the class's own, with the subkeys written below it, in writing order.
struct OwnKey {
    std::wstring path;              // below HKEY_CLASSES_ROOT
    std::wstring createName;        // "Can't create <createName> registry settings: "
    std::wstring subkeyNamePrefix;  // "Can't set <subkeyNamePrefix><subkey> registry value: "
    std::vector<SubkeyDefault> defaults;
};

// The one version a bridged class has: the plain ProgID names it as the current one.
inline constexpr std::wstring_view versionSuffix = L".1";

// CLSID\<clsid> (the library as in-process server, and the ProgID), <progId> (the CLSID and the
// current version) and <progId>.1 (the CLSID).
struct ClassKeys {
    OwnKey comClass;
    OwnKey progId;
    OwnKey versioned;

    // The keys that the ProgID owns, each with its subkeys: its own and its versioned one. Both
    // registry views share them.
    std::vector<const OwnKey*> progIdKeys() const { return {&progId, &versioned}; }

    // Every key, each own key after its subkeys: the order in which they can be deleted.
    std::vector<std::wstring> leavesFirst() const;
};

// The keys of the own keys given, each after its subkeys (leaves first).
std::vector<std::wstring> keysLeavesFirst(const std::vector<const OwnKey*>& owned);

// One value that registration writes below HKEY_CLASSES_ROOT.
struct ComValue {
    std::wstring key;        // below HKEY_CLASSES_ROOT
    std::wstring_view name;  // empty: the key's default value
    std::wstring text;
    // The text names a key (a CLSID, the current version): it compares as the registry compares
    // key names, so that a CLSID in another letter case is the same CLSID.
    bool namesKey = false;
};

// The subkey of a ProgID key whose default value leads to the class.
std::wstring classPointerOf(const OwnKey& progIdKey);

// Every value that registration writes for the class, in writing order: the subkeys' default
// values and the in-process server's threading model.
std::vector<ComValue> comValues(const ClassKeys& keys);

// Deletes keys below HKEY_CLASSES_ROOT in the order given (leaves first). A key that is absent, or
// that the registry cannot name (a ProgID too long for a key name, so never written), counts as
// deleted, so that a class whose registration stopped halfway can still be removed whole.
// Returns 0, or the first failing status with failedKey naming the key.
long deleteClassKeys(Registry& registry, const std::vector<std::wstring>& keys,
                     std::wstring& failedKey);

ClassKeys classKeys(const std::wstring& progId, const std::wstring& clsid,
                    const std::wstring& libraryPath = {});

}  // namespace volmora
