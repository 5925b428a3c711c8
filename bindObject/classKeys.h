// The COM keys of a class below HKEY_CLASSES_ROOT, described once: registration writes them in
// this order and unregistration deletes exactly these, leaves first.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volmora {

// The in-process server subkey of the COM class key; it also carries the threading model.
inline constexpr std::wstring_view inprocServerSubkey = L"InprocServer32";

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

// CLSID\<clsid> (the library as in-process server, and the ProgID), <progId> (the CLSID and the
// current version) and <progId>.1 (the CLSID).
struct ClassKeys {
    OwnKey comClass;
    OwnKey progId;
    OwnKey versioned;

    // Every key, each own key after its subkeys: the order in which they can be deleted. Without
    // withProgIdKeys, the keys of comClass alone.
    std::vector<std::wstring> leavesFirst(bool withProgIdKeys = true) const;
};

ClassKeys classKeys(const std::wstring& progId, const std::wstring& clsid,
                    const std::wstring& libraryPath = {});

}  // namespace volmora
