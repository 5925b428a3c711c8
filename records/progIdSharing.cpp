// The owners of the ProgID keys.
#include "progIdSharing.h"

#include "classKeys.h"

namespace volmora {

std::vector<std::wstring> progIdKeyNames(std::wstring_view progId) {
    const std::wstring plain(progId);
    return {plain, plain + std::wstring(versionSuffix)};
}

void ProgIdKeyOwners::add(std::wstring_view progId, std::wstring_view clsid, int source) {
    if (progId.empty()) {
        return;
    }
    for (std::wstring& key : progIdKeyNames(progId)) {
        byKey_.emplace(std::move(key), owners_.size());
    }
    owners_.push_back({std::wstring(clsid), std::wstring(progId), source});
}

std::vector<const ProgIdKeyOwners::Owner*> ProgIdKeyOwners::ownersOf(
    std::wstring_view key, std::wstring_view clsid) const {
    std::vector<const Owner*> found;
    const auto [first, last] = byKey_.equal_range(key);
    for (auto entry = first; entry != last; ++entry) {
        const Owner& owner = owners_[entry->second];
        if (clsid.empty() || !sameKeyName(owner.clsid, clsid)) {
            found.push_back(&owner);
        }
    }
    return found;
}

}  // namespace volmora
