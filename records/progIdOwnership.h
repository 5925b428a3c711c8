// Which keys right below HKEY_CLASSES_ROOT a ProgID may name: the bridge's own, never another
// product's or the system's. The four programs write a ProgID key where they are told to; a tool
// that converges a whole machine unattended takes only a key that is free or already leads to a
// bridged class, and gives back only what registration wrote.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "classComState.h"

namespace volmora {

// Whether a key right below HKEY_CLASSES_ROOT is never a ProgID key of the bridge: a key that COM
// or the system keeps (CLSID, Interface, TypeLib, AppID, Component Categories, ...), a file type
// (".msi") or the key of all files ("*"), in any letter case as the registry compares names.
bool isReservedClassesKey(std::wstring_view name);

// Whether apply may write a key of this name right below HKEY_CLASSES_ROOT as a ProgID key (plain
// or versioned): it names exactly one key the registry can hold, and not a reserved one. Apply
// refuses a ProgID whose keys fail it; the journal's reader refuses a key that fails it.
bool progIdKeyMayBeWritten(std::wstring_view name);

// Who holds a ProgID key.
enum class ProgIdKeyHolder {
    none,        // the key is not there
    bridge,      // its CLSID names a class that has a bridge record in either view
    otherClass,  // its CLSID names a class without a bridge record
    noClass,     // it has no CLSID: a file type, another product's key
    system,      // COM or the system keeps it
};

// Whether a key so held is the bridge's to write and to remove.
inline bool isBridgeHeld(ProgIdKeyHolder holder) {
    return holder == ProgIdKeyHolder::none || holder == ProgIdKeyHolder::bridge;
}

// Whether a ProgID key is there, and whether it holds anything: an empty key (no value, no
// subkey) holds nothing anyone could lose, and counts as free.
enum class KeyPresence { absent, empty, holding };

// The holder of the ProgID key named key: whether it is there, and the default value of its
// CLSID subkey as read (never Kind::failed: a failed read is the caller's to report).
// bridgeClass tells whether a CLSID has a bridge record in either registry view.
ProgIdKeyHolder progIdKeyHolder(std::wstring_view key, KeyPresence presence,
                                const ComValueRead& pointer,
                                const std::function<bool(std::wstring_view)>& bridgeClass);

// The holder of a key that is not the bridge's, as messages name it: "COM or the system",
// "class "{...}", which has no bridge record", "another product (it names no class)".
std::wstring progIdKeyHolderText(ProgIdKeyHolder holder, const ComValueRead& pointer);

// Whether a ProgID key holding these is what registration leaves in it and nothing more, so that
// removal may delete it whole: the default value and the subkeys registration writes below a
// ProgID key (CLSID, CurVer). A value of another name, or another subkey, is someone else's.
bool holdsOnlyRegistration(const OwnKey& own, const std::vector<std::wstring>& valueNames,
                           const std::vector<std::wstring>& subkeyNames);

}  // namespace volmora
