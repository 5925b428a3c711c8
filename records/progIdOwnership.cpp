// The ProgID keys that are the bridge's: free ones, and those that lead to a bridged class.
#include "progIdOwnership.h"

#include <algorithm>

#include "keyNameCase.h"
#include "nameRules.h"

namespace volmora {

namespace {

// The keys right below HKEY_CLASSES_ROOT that COM, the shell and the installer keep.
constexpr std::wstring_view reservedKeys[] = {
    L"CLSID",
    L"Interface",
    L"TypeLib",
    L"AppID",
    L"Component Categories",
    L"WOW6432Node",
    L"Record",
    L"FileType",
    L"MIME",
    L"Installer",
    L"Licenses",
    L"Media Type",
    L"Protocols",
    L"SystemFileAssociations",
    L"Unknown",
    L"Folder",
    L"Directory",
    L"Drive",
    L"AllFilesystemObjects",
    L"DirectShow",
    L"Applications",
    L"Hardware",
    L"Network",
    L"Interfaces",
    L"CompressedFolder",
    L"Local Settings",
};

}  // namespace

bool isReservedClassesKey(std::wstring_view name) {
    if (name.starts_with(L'.') || name == L"*") {
        return true;
    }
    return std::any_of(std::begin(reservedKeys), std::end(reservedKeys),
                       [&](std::wstring_view reserved) { return sameKeyName(reserved, name); });
}

bool progIdKeyMayBeWritten(std::wstring_view name) {
    return keyNameStatus(name) == status::success && name.size() <= maxKeyName &&
           !isReservedClassesKey(name);
}

ProgIdKeyHolder progIdKeyHolder(std::wstring_view key, KeyPresence presence,
                                const ComValueRead& pointer,
                                const std::function<bool(std::wstring_view)>& bridgeClass) {
    if (isReservedClassesKey(key)) {
        return ProgIdKeyHolder::system;
    }
    if (presence != KeyPresence::holding) {
        return ProgIdKeyHolder::none;
    }
    if (pointer.kind != ComValueRead::Kind::text || pointer.text.empty()) {
        return ProgIdKeyHolder::noClass;
    }
    return bridgeClass(pointer.text) ? ProgIdKeyHolder::bridge : ProgIdKeyHolder::otherClass;
}

std::wstring progIdKeyHolderText(ProgIdKeyHolder holder, const ComValueRead& pointer) {
    switch (holder) {
        case ProgIdKeyHolder::system:
            return L"COM or the system";
        case ProgIdKeyHolder::otherClass:
            return L"class \"" + pointer.text + L"\", which has no bridge record";
        case ProgIdKeyHolder::noClass:
            return L"another product (it names no class)";
        case ProgIdKeyHolder::none:
        case ProgIdKeyHolder::bridge:
            break;
    }
    return L"the bridge";
}

bool holdsOnlyRegistration(const OwnKey& own, const std::vector<std::wstring>& valueNames,
                           const std::vector<std::wstring>& subkeyNames) {
    const bool otherValue = std::any_of(valueNames.begin(), valueNames.end(),
                                        [](const std::wstring& name) { return !name.empty(); });
    const bool otherSubkey =
        std::any_of(subkeyNames.begin(), subkeyNames.end(), [&](const std::wstring& name) {
            return std::none_of(
                own.defaults.begin(), own.defaults.end(),
                [&](const SubkeyDefault& entry) { return sameKeyName(entry.subkey, name); });
        });
    return !otherValue && !otherSubkey;
}

}  // namespace volmora
